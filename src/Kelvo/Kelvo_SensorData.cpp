#include "TSCore/Kelvo/Kelvo_SensorData.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "Kelvo/KelvoReading.h"
#include "TSCore/Finger.h"
#include "TSCore/Util/StrStuff.h"
#include "Util/BlockWriter.h"
#include "Util/SplitView.h"
#include "Util/StoredText.h"

namespace TSCore::Kelvo
{
    using Kinematics::Quat;
    using Kinematics::Vect3D;
    using Util::StrStuff;
    using Util::detail::FieldReader;

    namespace
    {
        // Readings of one entry that count toward parsedValues.
        constexpr std::size_t countedPerEntry = 3;

        enum Block : std::size_t
        {
            Count,
            Angles,
            Orientation,
            OrientationRead,
            storedBlocks = OrientationRead,
        };

        // One entry "a;b;...": (0, a, b) as whole numbers (truncated toward zero, saturating).
        // False for a reading beyond the float range: every reading is converted, not only the
        // two kept.
        bool ReadEntry(std::string_view entry, Vect3D& angles, std::size_t& parts)
        {
            thread_local std::vector<std::string_view> readings;
            Util::detail::SplitViews(entry, ';', readings);
            float kept[2] = {0.0f, 0.0f};
            for (std::size_t i = 0; i < readings.size(); ++i)
            {
                float v = 0.0f;
                if (!Util::detail::ReadFloat(readings[i], 0.0f, v))
                    return false;
                if (i < 2)
                    kept[i] = static_cast<float>(Util::detail::SaturatingToInt(v));
            }
            angles = Vect3D(0.0f, kept[0], kept[1]);
            parts = readings.size();
            return true;
        }
    }

    void detail::ReadSensors(std::string_view text, const Kelvo_GloveInfo& info, Kelvo_SensorData& out)
    {
        thread_local std::vector<std::string_view> sections;
        thread_local std::vector<std::string_view> entries;
        Util::detail::SplitViews(text, ':', sections);
        std::size_t parsed = 0;
        out.sensorAngles.clear();
        if (!sections.empty())
            Util::detail::SplitViews(sections[0], '|', entries);
        for (std::size_t e = 0; !sections.empty() && e < entries.size(); ++e)
        {
            std::size_t parts = 0;
            if (!ReadEntry(entries[e], out.sensorAngles.emplace_back(), parts))
            {
                // One unreadable number makes the whole reading unreadable.
                TSCORE_LOG(Errors, std::string("Error while deserializing a Kelvo: ") + Util::detail::floatRangeError);
                out = Kelvo_SensorData::Empty();
                return;
            }
            parsed += std::min(parts, countedPerEntry);
        }
        Quat raw;
        const Util::detail::ParseStatus imu = sections.size() >= 2 ? Util::detail::ReadQuat(sections[1], ';', raw)
                                                                    : Util::detail::ParseStatus::Invalid;
        if (imu == Util::detail::ParseStatus::OutOfRange)
        {
            TSCORE_LOG(Errors, std::string("Error while deserializing a Kelvo: ") + Util::detail::floatRangeError);
            out = Kelvo_SensorData::Empty();
            return;
        }
        // Saturate: a caller may pass any text, not only a sensor string of bounded size.
        const auto most = static_cast<std::size_t>(std::numeric_limits<int>::max());
        out.parsedValues = parsed > most ? std::numeric_limits<int>::max() : static_cast<int>(parsed);
        out.imuParsed = imu == Util::detail::ParseStatus::Ok;
        out.imuRotation = raw * info.imuCorrection;
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
            [&] {
                Kelvo_SensorData reading;
                detail::ReadSensors(sensorString, info, reading);
                return reading;
            },
            [](const std::string& why) {
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
            [&text](FieldReader& blocks) {
                // Only the last block, the orientation flag, may be missing.
                if (blocks.Count() < storedBlocks)
                {
                    TSCORE_LOG(Errors, "Error deserializing Kelvo sensor data; not enough data in " + text);
                    return Empty();
                }
                const int parsed = blocks.Int(Count);
                std::vector<Vect3D> angles = blocks.Value<std::vector<Vect3D>>(Angles);
                Quat rotation;
                blocks.QuatField(Orientation, ';', rotation);
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
