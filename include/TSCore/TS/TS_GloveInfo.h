#pragma once

#include <string>
#include <vector>

#include "TSCore/Export.h"
#include "TSCore/Finger.h"
#include "TSCore/Kinematics/Quat.h"
#include "TSCore/Kinematics/Vect3D.h"

namespace TSCore::TS
{
    /// The constants of one exoskeleton glove: identity, firmware, side, sensor count, the
    /// correction of its orientation sensor and the linkage geometry of each finger (thumb first,
    /// millimetres in the hand frame).
    class TSCORE_API TS_GloveInfo
    {
    public:
        std::string deviceID;
        std::string hardwareVersion;
        int firmwareVersion;
        int subFirmwareVersion;
        bool isRight;
        int numSensors;
        Kinematics::Quat imuCorrection;
        /// Per finger, the position of the linkage's first joint relative to the hand.
        std::vector<Kinematics::Vect3D> startPositions;
        /// Per finger, the orientation of the linkage at its first joint.
        std::vector<Kinematics::Quat> startRotations;
        /// Per finger, the offset of each linkage section from the hand outwards.
        std::vector<std::vector<Kinematics::Vect3D>> gloveLengths;
        /// Carried, stored and compared; nothing interprets them.
        std::vector<bool> flags;

        /// Empty identity, firmware 1.1, left hand, no sensors, identity correction, no geometry.
        TS_GloveInfo();
        TS_GloveInfo(std::string deviceID, std::string hardwareVersion, int firmwareVersion, int subFirmwareVersion,
                     bool isRight, int numSensors, Kinematics::Quat imuCorrection,
                     std::vector<Kinematics::Vect3D> startPositions, std::vector<Kinematics::Quat> startRotations,
                     std::vector<std::vector<Kinematics::Vect3D>> gloveLengths, std::vector<bool> flags);

        /// Reads a constants string "C:id:hw:vM.S:side:n:starts:sections:sensors:imu". With
        /// correctOld, QX7 and QX7.2 gloves on firmware below 5 get the factory geometry instead
        /// of the one they send. False, and out the default record, when the string is unusable.
        static bool Parse(std::string constants, TS_GloveInfo& out, bool correctOld);

        /// The finger's section offsets; empty when the record has no such finger.
        std::vector<Kinematics::Vect3D> GetGloveLengths(Finger finger) const;
        /// The finger's linkage start; (0, 0, 0) when the record has no such finger.
        Kinematics::Vect3D GetStartPosition(Finger finger) const;
        /// The finger's linkage start rotation; the identity when the record has no such finger.
        Kinematics::Quat GetStartRotation(Finger finger) const;

        /// Per finger, the five linkage joint angles from its (up to four) sensor angles: the
        /// first joint turns about z, the second is fixed, the last three turn about y.
        std::vector<std::vector<Kinematics::Vect3D>>
        ToGloveAngles(const std::vector<std::vector<float>>& sensorAngles) const;

        /// With kinematicsOnly, only the linkage geometry is compared.
        bool Equals(TS_GloveInfo other, bool kinematicsOnly) const;

        std::string ToString() const;
        /// The header line; the long form adds the thumb's sections and the start values.
        std::string ToString(bool shortForm) const;

        std::string Serialize() const;
        /// Reads what Serialize writes; missing blocks read as empty, an unreadable text gives
        /// the default record.
        static TS_GloveInfo Deserialize(std::string text);
    };
}
