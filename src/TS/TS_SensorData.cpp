#include "TSCore/TS/TS_SensorData.h"

#include "Kinematics/VectorText.h"
#include "TS/ExoskeletonPose.h"
#include "TSCore/Kinematics/Values.h"
#include "TSCore/Util/StrStuff.h"
#include "Util/BlockWriter.h"
#include "Util/NumberParse.h"
#include "Util/StoredText.h"

namespace TSCore::TS
{
    using Kinematics::Quat;
    using Kinematics::Values;
    using Util::StrStuff;

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
        TS_SensorData reading;
        detail::ReadSensors(sensorString, gloveInfo, reading);
        return reading;
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

    namespace
    {
        enum Block : std::size_t
        {
            Angles,
            Orientation,
            OrientationRead,
        };
    }

    std::string TS_SensorData::Serialize() const
    {
        return Util::detail::BlockWriter().Value(sensorAngles).Value(imuRotation).Text(imuParsed ? "1" : "0").Take();
    }

    TS_SensorData TS_SensorData::Deserialize(std::string text)
    {
        return Util::detail::ReadStored(
            text,
            [](Util::detail::FieldReader& blocks)
            {
                auto angles = blocks.Value<std::vector<std::vector<float>>>(Angles);
                const Quat q = blocks.Count() > Orientation ? blocks.Value<Quat>(Orientation) : Quat::identity;
                std::size_t count = 0;
                for (const std::vector<float>& finger : angles)
                    count += finger.size();
                // The count is not stored: it is what the angles add up to.
                return TS_SensorData(std::move(angles), q, Util::detail::SaturatingToInt(static_cast<double>(count)),
                                     blocks.StartsWith(OrientationRead, '1'));
            },
            [] { return TS_SensorData(); });
    }
}
