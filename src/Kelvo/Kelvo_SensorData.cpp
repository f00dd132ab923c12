#include "TSCore/Kelvo/Kelvo_SensorData.h"

#include <algorithm>
#include <exception>
#include <limits>
#include <utility>

#include "TSCore/Diagnostics/Debugger.h"
#include "TSCore/Finger.h"
#include "TSCore/Util/Serializer.h"
#include "TSCore/Util/StrStuff.h"
#include "Util/ExceptionText.h"
#include "Util/SplitView.h"
#include "Util/NumberParse.h"
#include "Util/FieldAt.h"

namespace TSCore::Kelvo
{
    using Diagnostics::DebugLevel;
    using Diagnostics::Debugger;
    using Kinematics::Quat;
    using Kinematics::Vect3D;
    using Util::Serializer;
    using Util::StrStuff;

    namespace
    {
        // Readings of one entry that count toward parsedValues.
        constexpr std::size_t countedPerEntry = 3;
        constexpr std::size_t storedBlocks = 3;

        // A reading is a whole number: the float text truncated toward zero, saturating.
        float ReadWhole(std::string_view part)
        {
            return static_cast<float>(Util::detail::SaturatingToInt(Util::detail::ToFloat(part, 0.0f)));
        }
    }

    Kelvo_SensorData::Kelvo_SensorData() : imuParsed(false), imuRotation(Quat::identity), parsedValues(-1) {}

    Kelvo_SensorData::Kelvo_SensorData(std::vector<Vect3D> angles, int parsed, Quat rotation, bool parsedIMU)
        : imuParsed(parsedIMU), sensorAngles(std::move(angles)), imuRotation(rotation), parsedValues(parsed)
    {
    }

    Kelvo_SensorData Kelvo_SensorData::Empty() { return Kelvo_SensorData({}, 0, Quat::identity, false); }

    Kelvo_SensorData Kelvo_SensorData::Parse(std::string sensorString, const Kelvo_GloveInfo& info)
    {
        try
        {
            const std::vector<std::string_view> sections = Util::detail::SplitViews(sensorString, ':');
            std::vector<Vect3D> angles;
            std::size_t parsed = 0;
            if (!sections.empty())
            {
                std::vector<std::string_view> parts;
                for (const std::string_view entry : Util::detail::SplitViews(Util::detail::FieldAt(sections, 0), '|'))
                {
                    Util::detail::SplitViews(entry, ';', parts);
                    // Every part is converted, not only the two kept: an out-of-range number anywhere
                    // makes the whole reading unreadable.
                    float values[2] = {0.0f, 0.0f};
                    for (std::size_t i = 0; i < parts.size(); ++i)
                    {
                        const float v = ReadWhole(parts[i]);
                        if (i < 2)
                            values[i] = v;
                    }
                    angles.emplace_back(0.0f, values[0], values[1]);
                    parsed += std::min(parts.size(), countedPerEntry);
                }
            }
            Quat raw = Quat::identity;
            bool parsedIMU = false;
            if (sections.size() >= 2)
                parsedIMU = Quat::Deserialize(std::string(Util::detail::FieldAt(sections, 1)), raw, ';');
            // Saturate: a caller may pass any text, not only a sensor string of bounded size.
            const int count = parsed > static_cast<std::size_t>(std::numeric_limits<int>::max())
                                  ? std::numeric_limits<int>::max()
                                  : static_cast<int>(parsed);
            return Kelvo_SensorData(std::move(angles), count, raw * info.imuCorrection, parsedIMU);
        }
        catch (const std::exception& e)
        {
            if (Debugger::Enabled(DebugLevel::Errors))
                Debugger::Log("Error while deserializing a Kelvo: " + Util::detail::ExceptionText(e),
                              DebugLevel::Errors);
        }
        catch (...)
        {
            Debugger::Log("Error while deserializing a Kelvo: Unknown exception", DebugLevel::Errors);
        }
        return Empty();
    }

    bool Kelvo_SensorData::Equals(Kelvo_SensorData other) const
    {
        if (sensorAngles.size() != other.sensorAngles.size())
            return false;
        for (std::size_t i = 0; i < sensorAngles.size(); ++i)
            if (!sensorAngles[i].Equals(other.sensorAngles[i]))
                return false;
        return parsedValues == other.parsedValues && imuRotation.Equals(other.imuRotation);
    }

    std::string Kelvo_SensorData::Serialize() const
    {
        return Serializer::Enclose(std::to_string(parsedValues)) + Serializer::Serialize(sensorAngles, true) +
               Serializer::Enclose(imuRotation.Serialize(';')) + Serializer::Enclose(imuParsed ? "1" : "0");
    }

    Kelvo_SensorData Kelvo_SensorData::Deserialize(std::string text)
    {
        try
        {
            const std::vector<std::string> blocks = Serializer::SplitBlocks(text, false);
            if (blocks.size() < storedBlocks)
            {
                if (Debugger::Enabled(DebugLevel::Errors))
                    Debugger::Log("Error deserializing Kelvo sensor data; not enough data in " + text,
                                  DebugLevel::Errors);
                return Empty();
            }
            using Util::detail::FieldAt;
            const int parsed = StrStuff::ToInt(FieldAt(blocks, 0), 0);
            std::vector<Vect3D> angles = Serializer::DeserializeVects(FieldAt(blocks, 1));
            Quat rotation = Quat::identity;
            Quat::Deserialize(FieldAt(blocks, 2), rotation, ';');
            const bool parsedIMU = Util::detail::FieldStartsWith(blocks, 3, '1');
            return Kelvo_SensorData(std::move(angles), parsed, rotation, parsedIMU);
        }
        catch (const std::exception& e)
        {
            Debugger::Log(Util::detail::ExceptionText(e), DebugLevel::Errors);
        }
        catch (...)
        {
            Debugger::Log("Unknown exception", DebugLevel::Errors);
        }
        return Empty();
    }

    std::string Kelvo_SensorData::ToString() const
    {
        std::string s = "Kelvo Data: (" + std::to_string(parsedValues) + " sensors)\r\n";
        for (std::size_t i = 0; i < sensorAngles.size(); ++i)
        {
            // The glove can report more entries than a hand has fingers; those get an index.
            s += i < static_cast<std::size_t>(fingerCount) ? StrStuff::ToString(static_cast<Finger>(i))
                                                            : "Sensor " + std::to_string(i);
            s += ": ";
            s += sensorAngles[i].ToString();
            s += "\r\n";
        }
        s += "IMU: ";
        s += imuRotation.ToString();
        return s;
    }
}
