#include "TSCore/TS/TS_SensorData.h"

#include <exception>
#include <stdexcept>

#include "TSCore/Diagnostics/Debugger.h"
#include "TSCore/Kinematics/Values.h"
#include "TSCore/Util/Serializer.h"
#include "TSCore/Util/StrStuff.h"
#include "Util/ExceptionText.h"
#include "Util/NumberParse.h"
#include "Util/SplitView.h"
#include "Util/FieldAt.h"

namespace TSCore::TS
{
    using Diagnostics::DebugLevel;
    using Diagnostics::Debugger;
    using Kinematics::Quat;
    using Kinematics::Values;
    using Util::Serializer;
    using Util::StrStuff;

    namespace
    {
        // The last sensor of a finger bends past the others' range; it wraps into [-60, 300] degrees.
        constexpr float lastAngleLower = -60.0f * Values::Deg2Rad;
        constexpr float lastAngleUpper = 300.0f * Values::Deg2Rad;

        void LogUnreadable(const std::string& what, const std::exception& e)
        {
            if (!Debugger::Enabled(DebugLevel::Errors))
                return;
            Debugger::Log(what, DebugLevel::Errors);
            Debugger::Log(Util::detail::ExceptionText(e), DebugLevel::Errors);
        }
    }

    TS_SensorData::TS_SensorData()
        : parsedValues(0), imuParsed(false), sensorAngles(fingerCount), imuRotation(Quat::identity)
    {
    }

    TS_SensorData::TS_SensorData(std::vector<std::vector<float>> sensorAngles, Quat imuRotation, int parsedValues,
                                 bool imuParsed)
        : parsedValues(parsedValues), imuParsed(imuParsed), sensorAngles(std::move(sensorAngles)),
          imuRotation(imuRotation)
    {
    }

    TS_SensorData TS_SensorData::Parse(std::string sensorString, const TS_GloveInfo& gloveInfo)
    {
        const std::vector<std::string_view> fields = Util::detail::SplitViews(sensorString, ':');
        std::vector<std::vector<float>> angles;
        int parsed = 0;
        if (fields.size() < 2)
        {
            Debugger::Log("No Sensor data present in this string!", DebugLevel::Verbose);
        }
        else
        {
            const std::vector<std::string_view> groups = Util::detail::SplitViews(Util::detail::FieldAt(fields, 1), '|');
            angles.resize(fingerCount);
            std::vector<std::string_view> values;
            for (std::size_t f = 0; f < static_cast<std::size_t>(fingerCount) && f < groups.size(); ++f)
            {
                Util::detail::SplitViews(groups[f], ';', values);
                const std::size_t n = values.size();
                angles[f].reserve(n);
                for (std::size_t j = 0; j < n; ++j)
                {
                    float value = 0.0f;
                    try
                    {
                        value = Util::detail::ToFloat(values[j], 0.0f);
                    }
                    catch (const std::out_of_range& e)
                    {
                        // Not a float: the value is left out, so the reading counts as incomplete.
                        LogUnreadable("Unreadable sensor value at finger " + std::to_string(f) + ": " +
                                          std::string(values[j]),
                                      e);
                        continue;
                    }
                    value = j + 1 < n ? Values::NormalizeAngle(value)
                                      : Values::NormalizeAngle(value, lastAngleLower, lastAngleUpper);
                    angles[f].push_back(value);
                    ++parsed;
                }
            }
        }

        Quat q = Quat::identity;
        bool imu = false;
        if (fields.size() >= 3)
        {
            try
            {
                imu = Quat::Deserialize(std::string(Util::detail::FieldAt(fields, 2)), q, ';');
            }
            catch (const std::out_of_range& e)
            {
                LogUnreadable("Unreadable orientation: " + std::string(Util::detail::FieldAt(fields, 2)), e);
                q = Quat::identity;
                imu = false;
            }
        }
        return TS_SensorData(std::move(angles), q * gloveInfo.imuCorrection, parsed, imu);
    }

    TS_SensorData TS_SensorData::Empty() { return TS_SensorData(); }

    std::vector<float> TS_SensorData::GetAngles(Finger finger) const
    {
        const int i = static_cast<int>(finger);
        if (i < 0 || static_cast<std::size_t>(i) >= sensorAngles.size())
            return std::vector<float>();
        return sensorAngles[static_cast<std::size_t>(i)];
    }

    std::vector<float> TS_SensorData::GetAngleSequence() const
    {
        std::vector<float> all;
        for (const std::vector<float>& finger : sensorAngles)
            all.insert(all.end(), finger.begin(), finger.end());
        return all;
    }

    bool TS_SensorData::Equals(TS_SensorData other) const
    {
        if (parsedValues != other.parsedValues || !imuRotation.Equals(other.imuRotation) ||
            sensorAngles.size() != other.sensorAngles.size())
            return false;
        for (std::size_t f = 0; f < sensorAngles.size(); ++f)
        {
            const std::vector<float>& mine = sensorAngles[f];
            const std::vector<float>& theirs = other.sensorAngles[f];
            if (mine.size() != theirs.size())
                return false;
            for (std::size_t j = 0; j < mine.size(); ++j)
                if (!Values::FloatEquals(mine[j], theirs[j]))
                    return false;
        }
        return true;
    }

    std::string TS_SensorData::ToString() const
    {
        std::string s = "Tessara Data: (" + std::to_string(parsedValues) + " sensors)\r\n";
        for (std::size_t f = 0; f < sensorAngles.size(); ++f)
        {
            s += StrStuff::ToString(static_cast<Finger>(f));
            s += ": ";
            const std::vector<float>& finger = sensorAngles[f];
            for (std::size_t j = 0; j < finger.size(); ++j)
            {
                if (j > 0)
                    s += ' ';
                s += std::to_string(Util::detail::SaturatingToInt(finger[j] * 57.29578f));
            }
            s += "\r\n";
        }
        s += "IMU: " + imuRotation.ToString();
        return s;
    }

    std::string TS_SensorData::Serialize() const
    {
        return Serializer::Serialize(sensorAngles, true) + Serializer::Serialize(imuRotation, true) +
               Serializer::Enclose(imuParsed ? "1" : "0");
    }

    TS_SensorData TS_SensorData::Deserialize(std::string text)
    {
        try
        {
            const std::vector<std::string> blocks = Serializer::SplitBlocks(std::move(text), false);
            std::vector<std::vector<float>> angles;
            using Util::detail::FieldAt;
            if (!blocks.empty())
                angles = Serializer::DeserializeFloats2D(FieldAt(blocks, 0));
            const Quat q = blocks.size() >= 2 ? Serializer::DeserializeQuat(FieldAt(blocks, 1)) : Quat::identity;
            const bool imu = Util::detail::FieldStartsWith(blocks, 2, '1');
            std::size_t count = 0;
            for (const std::vector<float>& finger : angles)
                count += finger.size();
            return TS_SensorData(std::move(angles), q, Util::detail::SaturatingToInt(static_cast<double>(count)), imu);
        }
        catch (const std::exception& e)
        {
            Debugger::Log(Util::detail::ExceptionText(e), DebugLevel::Errors);
        }
        catch (...)
        {
            Debugger::Log("Unknown exception", DebugLevel::Errors);
        }
        return TS_SensorData();
    }
}
