#include "TSCore/Kelvo/Kelvo_GloveInfo.h"

#include <utility>

#include "Devices/Firmware.h"
#include "Kinematics/VectorText.h"
#include "TSCore/Kinematics/Values.h"
#include "Util/BlockWriter.h"
#include "Util/StoredText.h"

namespace TSCore::Kelvo
{
    using Kinematics::Quat;
    using Kinematics::Values;
    using Kinematics::Vect3D;
    using Util::detail::EmptySide;
    using Util::detail::FieldReader;

    namespace
    {
        constexpr int parsedSensorCount = 5;

        // Fields of the constants string; an empty hand field means left.
        enum Field : std::size_t
        {
            Marker,
            ID,
            Hardware,
            Firmware,
            Side,
            Unused,
            MountAngles,
            constantsFields,
        };

        enum Block : std::size_t
        {
            StoredID,
            StoredHardware,
            StoredFirmware,
            StoredSubFirmware,
            StoredSensors,
            StoredSide,
            StoredIMU,
            storedBlocks,
        };

        Kelvo_GloveInfo Unreadable()
        {
            return Kelvo_GloveInfo("N/A", "N/A", 0, 0, true, Quat::identity, parsedSensorCount);
        }
    }

    Kelvo_GloveInfo::Kelvo_GloveInfo()
        : deviceID("N\\A"), hardwareVersion("N\\A"), firmwareVersion(-1), subFirmwareVersion(-1), isRight(true),
          imuCorrection(Quat::identity), numSensors(-1)
    {
    }

    Kelvo_GloveInfo::Kelvo_GloveInfo(std::string id, std::string hardware, int firmware, int subFirmware, bool right,
                                     Quat correction, int sensors)
        : deviceID(std::move(id)), hardwareVersion(std::move(hardware)), firmwareVersion(firmware),
          subFirmwareVersion(subFirmware), isRight(right), imuCorrection(correction), numSensors(sensors)
    {
    }

    bool Kelvo_GloveInfo::Parse(std::string constantsString, Kelvo_GloveInfo& out)
    {
        const auto rejected = [](const std::string& why)
        {
            TSCORE_LOG(Errors, "Error while deserializing a Kelvo: " + why);
            return false;
        };
        return Util::detail::Guard(
            [&]
            {
                FieldReader fields = FieldReader::Split(constantsString, ':');
                if (fields.Count() < constantsFields)
                {
                    TSCORE_LOG(Errors, "Error parsing Kelvo Constants; not enough data in " + constantsString);
                    return false;
                }
                int firmware = -1;
                int subFirmware = -1;
                if (!detail::ReadFirmware(fields.View(Firmware), firmware, subFirmware))
                    return rejected(Util::detail::intRangeError);
                // (0, 0, 0) when the field is unreadable.
                const Vect3D mountAngles = Kinematics::detail::ReadVect(fields, fields.View(MountAngles), ';');
                if (!fields.Ok())
                    return rejected(fields.Error());
                out = Kelvo_GloveInfo(fields.Text(ID), fields.Text(Hardware), firmware, subFirmware,
                                      fields.Right(Side, EmptySide::Left),
                                      Quat::FromEuler(Values::Radians(mountAngles)), parsedSensorCount);
                return true;
            },
            rejected);
    }

    bool Kelvo_GloveInfo::Equals(Kelvo_GloveInfo other) const
    {
        return deviceID == other.deviceID && hardwareVersion == other.hardwareVersion &&
               firmwareVersion == other.firmwareVersion && subFirmwareVersion == other.subFirmwareVersion &&
               numSensors == other.numSensors && isRight == other.isRight && imuCorrection.Equals(other.imuCorrection);
    }

    std::string Kelvo_GloveInfo::Serialize() const
    {
        return Util::detail::BlockWriter()
            .Text(deviceID)
            .Text(hardwareVersion)
            .Int(firmwareVersion)
            .Int(subFirmwareVersion)
            .Int(numSensors)
            .Side(isRight)
            .Value(imuCorrection)
            .Take();
    }

    Kelvo_GloveInfo Kelvo_GloveInfo::Deserialize(std::string text)
    {
        return Util::detail::ReadStored(
            text,
            [&text](FieldReader& blocks)
            {
                if (blocks.Count() < storedBlocks)
                {
                    TSCORE_LOG(Errors, "Error deserializing Kelvo glove information; not enough data in " + text);
                    return Unreadable();
                }
                const int firmware = blocks.Int(StoredFirmware);
                const int subFirmware = blocks.Int(StoredSubFirmware);
                const int sensors = blocks.Int(StoredSensors);
                Quat correction;
                Kinematics::detail::ReadQuat(blocks, blocks.View(StoredIMU), ';', correction);
                return Kelvo_GloveInfo(blocks.Text(StoredID), blocks.Text(StoredHardware), firmware, subFirmware,
                                       blocks.Right(StoredSide, EmptySide::Left), correction, sensors);
            },
            Unreadable);
    }

    std::string Kelvo_GloveInfo::ToString() const
    {
        return "Kelvo " + deviceID + (isRight ? " (right)" : " (left)") + " running firmware " +
               std::to_string(firmwareVersion) + "." + std::to_string(subFirmwareVersion) + ", with " +
               std::to_string(numSensors) + " sensors.";
    }
}
