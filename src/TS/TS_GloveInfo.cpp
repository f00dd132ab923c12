#include "TSCore/TS/TS_GloveInfo.h"

#include "Devices/Firmware.h"
#include "Diagnostics/Log.h"
#include "Kinematics/VectorText.h"
#include "TSCore/Kinematics/Values.h"
#include "TSCore/TS/TessaraVars.h"
#include "Util/BlockWriter.h"
#include "Util/StoredText.h"

namespace TSCore::TS
{
    using Kinematics::Quat;
    using Kinematics::Values;
    using Kinematics::Vect3D;
    using Util::detail::EmptySide;
    using Util::detail::FieldReader;

    namespace
    {
        template <typename T>
        T EntryOr(const std::vector<T>& list, Finger finger, T fallback)
        {
            const int i = static_cast<int>(finger);
            return i >= 0 && static_cast<std::size_t>(i) < list.size() ? list[static_cast<std::size_t>(i)] : fallback;
        }

        // Fields of the constants string.
        enum Field : std::size_t
        {
            Marker,
            ID,
            Hardware,
            Firmware,
            Side,
            Unused,
            Starts,
            Sections,
            Sensors,
            IMU,
        };
        // A string of exactly minFields fields has no section offsets: it parses, with no
        // linkage geometry unless the factory values replace it.
        constexpr std::size_t minFields = 7;

        // Field 6, per finger "x;y;z;rx;ry;rz" (rotation in degrees). A group of fewer than three
        // values is logged and gives the zero position and the identity.
        void ReadStartValues(std::string_view text, std::vector<Vect3D>& positions, std::vector<Quat>& rotations,
                             FieldReader& status)
        {
            positions.clear();
            rotations.clear();
            const FieldReader groups = FieldReader::Split(text, '|');
            for (std::size_t i = 0; i < groups.Count() && status.Ok(); ++i)
            {
                FieldReader v = FieldReader::Split(groups.View(i), ';');
                if (v.Count() < 3)
                {
                    TSCORE_LOG(Warnings, "Error in cString at finger " + std::to_string(i) + ": Not enough values...");
                    positions.push_back(Vect3D::zero);
                    rotations.push_back(Quat::identity);
                    continue;
                }
                const Vect3D position(v.Float(0), v.Float(1), v.Float(2));
                const Vect3D euler = v.Count() >= 6 ? Vect3D(v.Float(3), v.Float(4), v.Float(5)) : Vect3D::zero;
                if (!v.Ok())
                    status.Fail(v.Error());
                positions.push_back(position);
                rotations.push_back(v.Count() >= 6 ? Quat::FromEuler(Values::Radians(euler)) : Quat::identity);
            }
        }

        // Field 7, per finger a flat list of numbers read three at a time as section offsets.
        std::vector<std::vector<Vect3D>> ReadSections(std::string_view text, FieldReader& status)
        {
            std::vector<std::vector<Vect3D>> result;
            if (text.empty())
                return result;
            const FieldReader groups = FieldReader::Split(text, '|');
            for (std::size_t g = 0; g < groups.Count() && status.Ok(); ++g)
            {
                FieldReader v = FieldReader::Split(groups.View(g), ';');
                std::vector<Vect3D>& sections = result.emplace_back();
                for (std::size_t k = 0; k + 2 < v.Count(); k += 3)
                    sections.emplace_back(v.Float(k), v.Float(k + 1), v.Float(k + 2));
                if (!v.Ok())
                    status.Fail(v.Error());
            }
            return result;
        }

        // Old firmware sends uncalibrated linkage geometry; the factory values replace it.
        void ReadGeometry(const FieldReader& fields, bool correctOld, TS_GloveInfo& info, FieldReader& status)
        {
            if (correctOld && info.firmwareVersion < 5 &&
                (info.hardwareVersion == "QX7" || info.hardwareVersion == "QX7.2"))
            {
                TSCORE_LOG(Warnings, "Older firmware detected, correcting values.");
                info.startPositions = TessaraVars::GetStartPositions(info.hardwareVersion, info.isRight);
                info.startRotations = TessaraVars::GetStartRotations(info.hardwareVersion, info.isRight);
                info.gloveLengths = TessaraVars::GetGloveLengths(info.hardwareVersion);
                return;
            }
            ReadStartValues(fields.View(Starts), info.startPositions, info.startRotations, status);
            if (status.Ok())
                info.gloveLengths = ReadSections(fields.View(Sections), status);
        }
    }

    TS_GloveInfo::TS_GloveInfo()
        : firmwareVersion(1), subFirmwareVersion(1), isRight(false), numSensors(0), imuCorrection(Quat::identity)
    {
    }

    TS_GloveInfo::TS_GloveInfo(std::string deviceID, std::string hardwareVersion, int firmwareVersion,
                               int subFirmwareVersion, bool isRight, int numSensors, Quat imuCorrection,
                               std::vector<Vect3D> startPositions, std::vector<Quat> startRotations,
                               std::vector<std::vector<Vect3D>> gloveLengths, std::vector<bool> flags)
        : deviceID(std::move(deviceID)), hardwareVersion(std::move(hardwareVersion)), firmwareVersion(firmwareVersion),
          subFirmwareVersion(subFirmwareVersion), isRight(isRight), numSensors(numSensors),
          imuCorrection(imuCorrection), startPositions(std::move(startPositions)),
          startRotations(std::move(startRotations)), gloveLengths(std::move(gloveLengths)), flags(std::move(flags))
    {
    }

    bool TS_GloveInfo::Parse(std::string constants, TS_GloveInfo& out, bool correctOld)
    {
        const auto rejected = [&out](const std::string& why)
        {
            TSCORE_LOG(Warnings, "Error while deserializing a Tessara: " + why);
            out = TS_GloveInfo();
            return false;
        };
        return Util::detail::Guard(
            [&]
            {
                FieldReader fields = FieldReader::Split(constants, ':');
                if (fields.Count() < minFields)
                {
                    out = TS_GloveInfo();
                    return false;
                }
                TS_GloveInfo info;
                info.deviceID = fields.Text(ID);
                info.hardwareVersion = fields.Text(Hardware);
                if (!detail::ReadFirmware(fields.View(Firmware), info.firmwareVersion, info.subFirmwareVersion))
                    return rejected(Util::detail::intRangeError);
                info.isRight = fields.Right(Side, EmptySide::Left);
                fields.Int(Unused); // not used, but a number beyond the int range rejects the string
                // Short strings (seven to nine fields) lack the sensor count and the correction.
                info.numSensors = fields.Count() > Sensors ? fields.Int(Sensors) : 0;
                const Vect3D imuEuler =
                    fields.Count() > IMU ? Kinematics::detail::ReadVect(fields, fields.View(IMU), ';') : Vect3D::zero;
                info.imuCorrection = Quat::FromEuler(Values::Radians(imuEuler));
                if (fields.Ok())
                    ReadGeometry(fields, correctOld, info, fields);
                if (!fields.Ok())
                    return rejected(fields.Error());
                out = std::move(info);
                return true;
            },
            rejected);
    }

    std::vector<Vect3D> TS_GloveInfo::GetGloveLengths(Finger finger) const
    {
        return EntryOr(gloveLengths, finger, std::vector<Vect3D>());
    }

    Vect3D TS_GloveInfo::GetStartPosition(Finger finger) const { return EntryOr(startPositions, finger, Vect3D::zero); }

    Quat TS_GloveInfo::GetStartRotation(Finger finger) const { return EntryOr(startRotations, finger, Quat::identity); }

    std::vector<std::vector<Vect3D>>
    TS_GloveInfo::ToGloveAngles(const std::vector<std::vector<float>>& sensorAngles) const
    {
        std::vector<std::vector<Vect3D>> result;
        result.reserve(sensorAngles.size());
        for (const std::vector<float>& a : sensorAngles)
        {
            const auto at = [&a](std::size_t i) { return i < a.size() ? a[i] : 0.0f; };
            result.push_back({Vect3D(0.0f, 0.0f, at(0)), Vect3D(0.0f, 0.0f, 0.0f), Vect3D(0.0f, at(1), 0.0f),
                              Vect3D(0.0f, at(2), 0.0f), Vect3D(0.0f, at(3), 0.0f)});
        }
        return result;
    }

    bool TS_GloveInfo::Equals(TS_GloveInfo other, bool kinematicsOnly) const
    {
        if (!kinematicsOnly)
        {
            if (isRight != other.isRight || numSensors != other.numSensors ||
                firmwareVersion != other.firmwareVersion || subFirmwareVersion != other.subFirmwareVersion ||
                deviceID != other.deviceID || hardwareVersion != other.hardwareVersion ||
                !imuCorrection.Equals(other.imuCorrection) || flags != other.flags)
                return false;
        }
        return Values::Equal(startPositions, other.startPositions) &&
               Values::Equal(startRotations, other.startRotations) && Values::Equal(gloveLengths, other.gloveLengths);
    }

    std::string TS_GloveInfo::ToString() const { return ToString(true); }

    std::string TS_GloveInfo::ToString(bool shortForm) const
    {
        std::string s = deviceID + ": " + (isRight ? "Right Hand" : "Left Hand") + " running firmware v" +
                        std::to_string(firmwareVersion) + "." + std::to_string(subFirmwareVersion) + " with " +
                        std::to_string(numSensors) + " sensors.";
        if (shortForm)
            return s;

        // Only the thumb's sections are listed: every finger of a glove has the same linkage.
        const std::vector<Vect3D> thumb = gloveLengths.empty() ? std::vector<Vect3D>() : gloveLengths[0];
        s += "\r\nSections (" + std::to_string(thumb.size()) + "): ";
        for (std::size_t k = 0; k < thumb.size(); ++k)
        {
            if (k > 0)
                s += "  ";
            s += "[" + thumb[k].ToString() + "]";
        }
        s += "\r\n";
        for (std::size_t i = 0; i < startPositions.size(); ++i)
        {
            if (i > 0)
                s += "\r\n";
            const Quat r = i < startRotations.size() ? startRotations[i] : Quat::identity;
            s += std::to_string(i) + ": " + startPositions[i].ToString() + " - " + r.ToString();
        }
        return s;
    }

    namespace
    {
        enum Block : std::size_t
        {
            StoredID,
            StoredHardware,
            StoredFirmware,
            StoredSubFirmware,
            StoredSide,
            StoredSensors,
            StoredFlags,
            StoredIMU,
            StoredPositions,
            StoredRotations,
            StoredSections,
        };
    }

    std::string TS_GloveInfo::Serialize() const
    {
        return Util::detail::BlockWriter()
            .Text(deviceID)
            .Text(hardwareVersion)
            .Int(firmwareVersion)
            .Int(subFirmwareVersion)
            .Side(isRight)
            .Int(numSensors)
            .Value(flags)
            .Value(imuCorrection)
            .Value(startPositions)
            .Value(startRotations)
            .Value(gloveLengths)
            .Take();
    }

    TS_GloveInfo TS_GloveInfo::Deserialize(std::string text)
    {
        return Util::detail::ReadStored(
            text,
            [](FieldReader& blocks)
            {
                // Missing blocks read as empty: an older or cut text still gives a record.
                TS_GloveInfo info;
                info.deviceID = blocks.Text(StoredID);
                info.hardwareVersion = blocks.Text(StoredHardware);
                info.firmwareVersion = blocks.Int(StoredFirmware);
                info.subFirmwareVersion = blocks.Int(StoredSubFirmware);
                info.isRight = blocks.Right(StoredSide, EmptySide::Right);
                info.numSensors = blocks.Int(StoredSensors);
                info.flags = blocks.Value<std::vector<bool>>(StoredFlags);
                info.imuCorrection = blocks.Value<Quat>(StoredIMU);
                info.startPositions = blocks.Value<std::vector<Vect3D>>(StoredPositions);
                info.startRotations = blocks.Value<std::vector<Quat>>(StoredRotations);
                info.gloveLengths = blocks.Value<std::vector<std::vector<Vect3D>>>(StoredSections);
                return info;
            },
            [] { return TS_GloveInfo(); });
    }
}
