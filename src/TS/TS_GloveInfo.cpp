#include "TSCore/TS/TS_GloveInfo.h"

#include <exception>

#include "TSCore/Devices/TSDevice.h"
#include "TSCore/Diagnostics/Debugger.h"
#include "TSCore/Kinematics/Values.h"
#include "TSCore/TS/TessaraVars.h"
#include "TSCore/Util/Serializer.h"
#include "TSCore/Util/StrStuff.h"
#include "Util/ExceptionText.h"
#include "Util/FieldAt.h"

namespace TSCore::TS
{
    using Diagnostics::DebugLevel;
    using Diagnostics::Debugger;
    using Kinematics::Quat;
    using Kinematics::Values;
    using Kinematics::Vect3D;
    using Util::Serializer;
    using Util::StrStuff;

    namespace
    {
        template <typename T>
        T EntryOr(const std::vector<T>& list, Finger finger, T fallback)
        {
            const int i = static_cast<int>(finger);
            return i >= 0 && static_cast<std::size_t>(i) < list.size() ? list[static_cast<std::size_t>(i)] : fallback;
        }

        // Field positions of the constants string.
        constexpr std::size_t fieldID = 1;
        constexpr std::size_t fieldHardware = 2;
        constexpr std::size_t fieldFirmware = 3;
        constexpr std::size_t fieldSide = 4;
        constexpr std::size_t fieldUnused = 5;
        constexpr std::size_t fieldStarts = 6;
        constexpr std::size_t fieldSections = 7;
        constexpr std::size_t fieldSensors = 8;
        constexpr std::size_t fieldIMU = 9;
        // A string of exactly minFields fields has no section offsets: it parses, with no
        // linkage geometry unless the factory values replace it.
        constexpr std::size_t minFields = 7;
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
        try
        {
            const std::vector<std::string> fields = StrStuff::Split(std::move(constants), ':');
            if (fields.size() < minFields)
            {
                out = TS_GloveInfo();
                return false;
            }

            using Util::detail::FieldAt;
            std::string id = FieldAt(fields, fieldID);
            std::string hardware = FieldAt(fields, fieldHardware);
            int firmware = -1;
            int subFirmware = -1;
            TSDevice::ParseFirmware(FieldAt(fields, fieldFirmware), firmware, subFirmware);
            const std::string& side = FieldAt(fields, fieldSide);
            const bool right = !side.empty() && side[0] != 'L';
            StrStuff::ToInt(FieldAt(fields, fieldUnused), 0);
            // Short strings (seven to nine fields) lack the sensor count and the correction.
            const int sensors = fields.size() > fieldSensors ? StrStuff::ToInt(FieldAt(fields, fieldSensors), 0) : 0;
            Vect3D imuEuler(0.0f, 0.0f, 0.0f);
            if (fields.size() > fieldIMU)
                Vect3D::Deserialize(FieldAt(fields, fieldIMU), imuEuler, ';');
            const Quat correction = Quat::FromEuler(Values::Radians(imuEuler));

            std::vector<Vect3D> positions;
            std::vector<Quat> rotations;
            std::vector<std::vector<Vect3D>> lengths;
            if (correctOld && firmware < 5 && (hardware == "QX7" || hardware == "QX7.2"))
            {
                // Old firmware sends uncalibrated linkage geometry; the factory values replace it.
                Debugger::Log("Older firmware detected, correcting values.", DebugLevel::Warnings);
                positions = TessaraVars::GetStartPositions(hardware, right);
                rotations = TessaraVars::GetStartRotations(hardware, right);
                lengths = TessaraVars::GetGloveLengths(hardware);
            }
            else
            {
                ParseStartValues(FieldAt(fields, fieldStarts), positions, rotations);
                lengths = ParseLengthString(FieldAt(fields, fieldSections));
            }

            out = TS_GloveInfo(std::move(id), std::move(hardware), firmware, subFirmware, right, sensors, correction,
                               std::move(positions), std::move(rotations), std::move(lengths), {});
            return true;
        }
        catch (const std::exception& e)
        {
            Debugger::Log("Error while deserializing a Tessara: " + Util::detail::ExceptionText(e), DebugLevel::Warnings);
        }
        catch (...)
        {
            Debugger::Log("Error while deserializing a Tessara: Unknown exception", DebugLevel::Warnings);
        }
        out = TS_GloveInfo();
        return false;
    }

    void TS_GloveInfo::ParseStartValues(std::string text, std::vector<Vect3D>& positions, std::vector<Quat>& rotations)
    {
        positions.clear();
        rotations.clear();
        const std::vector<std::string> groups = StrStuff::Split(std::move(text), '|');
        for (std::size_t i = 0; i < groups.size(); ++i)
        {
            const std::vector<std::string> v = StrStuff::Split(groups[i], ';');
            if (v.size() < 3)
            {
                if (Debugger::Enabled(DebugLevel::Warnings))
                    Debugger::Log("Error in cString at finger " + std::to_string(i) + ": Not enough values...",
                                  DebugLevel::Warnings);
                positions.push_back(Vect3D::zero);
                rotations.push_back(Quat::identity);
                continue;
            }
            const auto value = [&v](std::size_t k) { return StrStuff::ToFloat(Util::detail::FieldAt(v, k), 0.0f); };
            positions.emplace_back(value(0), value(1), value(2));
            if (v.size() >= 6)
                rotations.push_back(Quat::FromEuler(Values::Radians(Vect3D(
                    value(3), value(4), value(5)))));
            else
                rotations.push_back(Quat::identity);
        }
    }

    std::vector<std::vector<Vect3D>> TS_GloveInfo::ParseLengthString(std::string text)
    {
        std::vector<std::vector<Vect3D>> result;
        if (text.empty())
            return result;
        for (const std::string& group : StrStuff::Split(std::move(text), '|'))
        {
            const std::vector<std::string> v = StrStuff::Split(group, ';');
            const std::size_t n = v.size() / 3;
            std::vector<Vect3D> sections;
            sections.reserve(n);
            for (std::size_t k = 0; k < n; ++k)
            {
                const auto value = [&v](std::size_t i) { return StrStuff::ToFloat(Util::detail::FieldAt(v, i), 0.0f); };
                sections.emplace_back(value(3 * k), value(3 * k + 1), value(3 * k + 2));
            }
            result.push_back(std::move(sections));
        }
        return result;
    }

    std::vector<Vect3D> TS_GloveInfo::GetGloveLengths(Finger finger) const
    {
        return EntryOr(gloveLengths, finger, std::vector<Vect3D>());
    }

    Vect3D TS_GloveInfo::GetStartPosition(Finger finger) const { return EntryOr(startPositions, finger, Vect3D::zero); }

    Quat TS_GloveInfo::GetStartRotation(Finger finger) const { return EntryOr(startRotations, finger, Quat::identity); }

    std::vector<std::vector<Vect3D>> TS_GloveInfo::ToGloveAngles(const std::vector<std::vector<float>>& sensorAngles) const
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

    std::string TS_GloveInfo::Serialize() const
    {
        return Serializer::Enclose(deviceID) + Serializer::Enclose(hardwareVersion) +
               Serializer::Enclose(std::to_string(firmwareVersion)) +
               Serializer::Enclose(std::to_string(subFirmwareVersion)) + Serializer::Enclose(isRight ? "R" : "L") +
               Serializer::Enclose(std::to_string(numSensors)) + Serializer::Serialize(flags, true) +
               Serializer::Serialize(imuCorrection, true) + Serializer::Serialize(startPositions, true) +
               Serializer::Serialize(startRotations, true) + Serializer::Serialize(gloveLengths, true);
    }

    TS_GloveInfo TS_GloveInfo::Deserialize(std::string text)
    {
        try
        {
            const std::vector<std::string> blocks = Serializer::SplitBlocks(std::move(text), false);
            // Missing blocks read as empty: an older or cut text still gives a record.
            const auto block = [&blocks](std::size_t i) { return i < blocks.size() ? blocks[i] : std::string(); };
            const std::string side = block(4);
            return TS_GloveInfo(block(0), block(1), StrStuff::ToInt(block(2), 0), StrStuff::ToInt(block(3), 0),
                                side.empty() || side[0] != 'L', StrStuff::ToInt(block(5), 0),
                                Serializer::DeserializeQuat(block(7)), Serializer::DeserializeVects(block(8)),
                                Serializer::DeserializeQuats(block(9)), Serializer::DeserializeVects2D(block(10)),
                                Serializer::DeserializeBools(block(6)));
        }
        catch (const std::exception& e)
        {
            Debugger::Log(Util::detail::ExceptionText(e), DebugLevel::Errors);
        }
        catch (...)
        {
            Debugger::Log("Unknown exception", DebugLevel::Errors);
        }
        return TS_GloveInfo();
    }
}
