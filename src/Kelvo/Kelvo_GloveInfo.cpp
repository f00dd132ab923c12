#include "TSCore/Kelvo/Kelvo_GloveInfo.h"

#include <exception>
#include <utility>
#include <vector>

#include "TSCore/Devices/TSDevice.h"
#include "TSCore/Diagnostics/Debugger.h"
#include "TSCore/Kinematics/Values.h"
#include "TSCore/Kinematics/Vect3D.h"
#include "TSCore/Util/Serializer.h"
#include "TSCore/Util/StrStuff.h"
#include "Util/ExceptionText.h"
#include "Util/FieldAt.h"

namespace TSCore::Kelvo
{
    using Diagnostics::DebugLevel;
    using Diagnostics::Debugger;
    using Kinematics::Quat;
    using Kinematics::Values;
    using Kinematics::Vect3D;
    using Util::Serializer;
    using Util::StrStuff;
    using Util::detail::FieldAt;

    namespace
    {
        constexpr int parsedSensorCount = 5;
        constexpr std::size_t constantsFields = 7;
        constexpr std::size_t storedBlocks = 7;

        // An empty hand field means left, as does anything starting with 'L'.
        bool ReadsRight(const std::string& field) { return !field.empty() && field[0] != 'L'; }

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
        try
        {
            const std::vector<std::string> fields = StrStuff::Split(constantsString, ':');
            if (fields.size() < constantsFields)
            {
                if (Debugger::Enabled(DebugLevel::Errors))
                    Debugger::Log("Error parsing Kelvo Constants; not enough data in " + constantsString,
                                  DebugLevel::Errors);
                return false;
            }
            int firmware = -1;
            int subFirmware = -1;
            TSDevice::ParseFirmware(FieldAt(fields, 3), firmware, subFirmware);
            Vect3D mountAngles; // stays (0, 0, 0) when the field is unreadable
            Vect3D::Deserialize(FieldAt(fields, 6), mountAngles, ';');
            const Quat correction = Quat::FromEuler(Values::Radians(mountAngles));
            out = Kelvo_GloveInfo(FieldAt(fields, 1), FieldAt(fields, 2), firmware, subFirmware,
                                  ReadsRight(FieldAt(fields, 4)), correction,
                                  parsedSensorCount);
            return true;
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
        return false;
    }

    bool Kelvo_GloveInfo::Equals(Kelvo_GloveInfo other) const
    {
        return deviceID == other.deviceID && hardwareVersion == other.hardwareVersion &&
               firmwareVersion == other.firmwareVersion && subFirmwareVersion == other.subFirmwareVersion &&
               numSensors == other.numSensors && isRight == other.isRight && imuCorrection.Equals(other.imuCorrection);
    }

    std::string Kelvo_GloveInfo::Serialize() const
    {
        return Serializer::Enclose(deviceID) + Serializer::Enclose(hardwareVersion) +
               Serializer::Enclose(std::to_string(firmwareVersion)) +
               Serializer::Enclose(std::to_string(subFirmwareVersion)) +
               Serializer::Enclose(std::to_string(numSensors)) + Serializer::Enclose(isRight ? "R" : "L") +
               Serializer::Enclose(imuCorrection.Serialize(';'));
    }

    Kelvo_GloveInfo Kelvo_GloveInfo::Deserialize(std::string text)
    {
        try
        {
            const std::vector<std::string> blocks = Serializer::SplitBlocks(text, false);
            if (blocks.size() < storedBlocks)
            {
                if (Debugger::Enabled(DebugLevel::Errors))
                    Debugger::Log("Error deserializing Kelvo glove information; not enough data in " + text,
                                  DebugLevel::Errors);
                return Unreadable();
            }
            const int firmware = StrStuff::ToInt(FieldAt(blocks, 2), 0);
            const int subFirmware = StrStuff::ToInt(FieldAt(blocks, 3), 0);
            const int sensors = StrStuff::ToInt(FieldAt(blocks, 4), 0);
            Quat correction = Quat::identity;
            Quat::Deserialize(FieldAt(blocks, 6), correction, ';');
            return Kelvo_GloveInfo(FieldAt(blocks, 0), FieldAt(blocks, 1), firmware, subFirmware,
                                   ReadsRight(FieldAt(blocks, 5)), correction,
                                   sensors);
        }
        catch (const std::exception& e)
        {
            Debugger::Log(Util::detail::ExceptionText(e), DebugLevel::Errors);
        }
        catch (...)
        {
            Debugger::Log("Unknown exception", DebugLevel::Errors);
        }
        return Unreadable();
    }

    std::string Kelvo_GloveInfo::ToString() const
    {
        return "Kelvo " + deviceID + (isRight ? " (right)" : " (left)") + " running firmware " +
               std::to_string(firmwareVersion) + "." + std::to_string(subFirmwareVersion) + ", with " +
               std::to_string(numSensors) + " sensors.";
    }
}
