#include "TSCore/Kelvo/Kelvo_SensorData.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "Kelvo/KelvoPose.h"
#include "Kinematics/VectorText.h"
#include "TSCore/Finger.h"
#include "TSCore/Util/StrStuff.h"
#include "Util/BlockWriter.h"
#include "Util/StoredText.h"

namespace TSCore::Kelvo
{
    using Kinematics::Quat;
    using Kinematics::Vect3D;
    using Util::StrStuff;
    using Util::detail::FieldReader;

    namespace
    {
        enum Block : std::size_t
        {
            Count,
            Angles,
            Orientation,
            OrientationRead,
            storedBlocks = OrientationRead,
        };
    }

    Kelvo_SensorData::Kelvo_SensorData() : imuParsed(false), imuRotation(Quat::identity), parsedValues(-1) {}

    Kelvo_SensorData::Kelvo_SensorData(std::vector<Vect3D> angles, int parsed, Quat rotation, bool parsedIMU)
        : imuParsed(parsedIMU), sensorAngles(std::move(angles)), imuRotation(rotation), parsedValues(parsed)
    {
    }

    Kelvo_SensorData Kelvo_SensorData::Empty() { return Kelvo_SensorData({}, 0, Quat::identity, false); }

    Kelvo_SensorData Kelvo_SensorData::Parse(std::string sensorString, const Kelvo_GloveInfo& info)
    {
        return Util::detail::Guard(
            [&]
            {
                Kelvo_SensorData reading;
                detail::ReadSensors(sensorString, info, reading);
                return reading;
            },
            [](const std::string& why)
            {
                TSCORE_LOG(Errors, "Error while deserializing a Kelvo: " + why);
                return Empty();
            });
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
        return Util::detail::BlockWriter()
            .Int(parsedValues)
            .Value(sensorAngles)
            .Value(imuRotation)
            .Text(imuParsed ? "1" : "0")
            .Take();
    }

    Kelvo_SensorData Kelvo_SensorData::Deserialize(std::string text)
    {
        return Util::detail::ReadStored(
            text,
            [&text](FieldReader& blocks)
            {
                // Only the last block, the orientation flag, may be missing.
                if (blocks.Count() < storedBlocks)
                {
                    TSCORE_LOG(Errors, "Error deserializing Kelvo sensor data; not enough data in " + text);
                    return Empty();
                }
                const int parsed = blocks.Int(Count);
                std::vector<Vect3D> angles = blocks.Value<std::vector<Vect3D>>(Angles);
                Quat rotation;
                Kinematics::detail::ReadQuat(blocks, blocks.View(Orientation), ';', rotation);
                return Kelvo_SensorData(std::move(angles), parsed, rotation, blocks.StartsWith(OrientationRead, '1'));
            },
            Empty);
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
