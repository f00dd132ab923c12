#pragma once

#include <string>

#include "TSCore/Export.h"
#include "TSCore/Kinematics/Quat.h"

namespace TSCore::Kelvo
{
    /// Identity and fixed properties of a second-model glove, read from its constants string.
    class TSCORE_API Kelvo_GloveInfo
    {
    public:
        std::string deviceID;
        std::string hardwareVersion;
        int firmwareVersion;
        int subFirmwareVersion;
        bool isRight;
        /// Every raw IMU reading of this glove is multiplied by it (raw on the left).
        Kinematics::Quat imuCorrection;
        /// Number of sensor readings of a complete sensor string; 5 for every parsed glove.
        int numSensors;

        /// "N\A" identity and hardware, versions -1, right hand, no correction, numSensors -1.
        Kelvo_GloveInfo();
        Kelvo_GloveInfo(std::string deviceID, std::string hardwareVersion, int firmwareVersion, int subFirmwareVersion,
                        bool isRight, Kinematics::Quat imuCorrection, int numSensors);
        Kelvo_GloveInfo(const Kelvo_GloveInfo& other) = default;
        Kelvo_GloveInfo(Kelvo_GloveInfo&& other) noexcept = default;
        Kelvo_GloveInfo& operator=(const Kelvo_GloveInfo& other) = default;
        Kelvo_GloveInfo& operator=(Kelvo_GloveInfo&& other) noexcept = default;
        ~Kelvo_GloveInfo() = default;

        /// Reads "x:id:hardware:firmware:hand:x:imuAngles[:...]" (IMU mounting angles in
        /// degrees, ';'-separated). False, with out unchanged, for fewer than seven fields or
        /// an unreadable number.
        static bool Parse(std::string constantsString, Kelvo_GloveInfo& out);

        bool Equals(Kelvo_GloveInfo other) const;

        /// {id}{hardware}{firmware}{subFirmware}{numSensors}{R|L}{x;y;z;w}
        std::string Serialize() const;
        /// Reads what Serialize writes; ("N/A", "N/A", 0, 0, right, identity, 5) for a short or
        /// unreadable text.
        static Kelvo_GloveInfo Deserialize(std::string text);

        /// "Kelvo <id> (right) running firmware <fw>.<sub>, with <n> sensors."
        std::string ToString() const;
    };
}
