#pragma once

#include <string>
#include <vector>

#include "TSCore/Export.h"
#include "TSCore/Kinematics/Quat.h"
#include "TSCore/Kinematics/Vect3D.h"
#include "TSCore/TS/TS_GloveInfo.h"
#include "TSCore/TS/TS_HandProfile.h"

namespace TSCore::TS
{
    /// The computed shape of the exoskeleton's linkages: per finger (thumb first) the joint
    /// angles and, from them, the position and orientation of every joint down to the thimble.
    class TSCORE_API TS_GlovePose
    {
    public:
        /// Per finger, from the linkage start to the thimble (last entry).
        std::vector<std::vector<Kinematics::Vect3D>> jointPositions;
        std::vector<std::vector<Kinematics::Quat>> jointRotations;
        /// Per finger, the linkage joint angles in radians.
        std::vector<std::vector<Kinematics::Vect3D>> gloveAngles;
        bool isRight;

        /// Empty lists, right hand.
        TS_GlovePose();
        TS_GlovePose(bool isRight, std::vector<std::vector<Kinematics::Vect3D>> jointPositions,
                     std::vector<std::vector<Kinematics::Quat>> jointRotations,
                     std::vector<std::vector<Kinematics::Vect3D>> gloveAngles);

        /// The glove at rest: every linkage joint at 0, except the thumb's first, turned -90
        /// degrees about z on a right glove (+90 on a left one).
        static TS_GlovePose IdlePose(TS_GloveInfo gloveInfo);

        /// Per finger list, its last position; (0, 0, 0) for an empty list.
        std::vector<Kinematics::Vect3D> ThimblePositions() const;
        /// Per finger list, its last rotation; the identity for an empty list.
        std::vector<Kinematics::Quat> ThimbleRotations() const;
        /// Per thimble, its position plus the offset turned into the thimble's frame; a missing
        /// offset reads as (0, 0, 0).
        std::vector<Kinematics::Vect3D> CalculateFingerTips(std::vector<Kinematics::Vect3D> thimbleOffsets) const;
        std::vector<Kinematics::Vect3D> CalculateFingerTips(TS_HandProfile profile) const;
        /// Per finger, the sum of its linkage angles: (0, total flexion, sideways angle).
        std::vector<Kinematics::Vect3D> TotalGloveAngles() const;

        bool Equals(TS_GlovePose other) const;

        /// The side; with detailed, the sizes of the three lists.
        std::string ToString(bool detailed) const;

        std::string Serialize() const;
        /// Reads what Serialize writes; missing blocks read as empty, an unreadable text gives
        /// the default pose.
        static TS_GlovePose Deserialize(std::string text);
    };
}
