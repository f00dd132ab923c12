#pragma once

#include <string>
#include <vector>

#include "TSCore/Export.h"
#include "TSCore/Finger.h"
#include "TSCore/Kinematics/Quat.h"
#include "TSCore/Kinematics/Vect3D.h"

namespace TSCore
{
    /// The wearer's hand as every glove reports it: per finger (thumb first) the angles,
    /// positions and orientations of its joints, from the hand outwards.
    class TSCORE_API HandPose
    {
    public:
        bool isRight;
        std::vector<std::vector<Kinematics::Vect3D>> jointPositions;
        std::vector<std::vector<Kinematics::Quat>> jointRotations;
        /// Per finger, one (twist, flexion, abduction) per joint, in radians.
        std::vector<std::vector<Kinematics::Vect3D>> handAngles;

        /// Right hand, empty lists.
        HandPose();
        HandPose(bool isRight, std::vector<std::vector<Kinematics::Vect3D>> jointPositions,
                 std::vector<std::vector<Kinematics::Quat>> jointRotations,
                 std::vector<std::vector<Kinematics::Vect3D>> handAngles);

        /// The hand at rest on the default hand model of that side.
        static HandPose DefaultIdle(bool right);

        /// The finger's summed flexion mapped to 0 (stretched) .. 1 (fully flexed); clamped to
        /// that range when clamp. 0 for a finger the pose does not have.
        float GetNormalizedFlexion(Finger finger, bool clamp) const;
        /// Five values, thumb first.
        std::vector<float> GetNormalizedFlexion(bool clamp) const;

        bool Equals(HandPose other) const;

        /// {side}{angles}{positions}{rotations}
        std::string Serialize() const;
        /// Reads what Serialize writes; the default pose for a short or unreadable text.
        static HandPose Deserialize(std::string text);

        /// One line per finger with three or more joints, angles in whole degrees; the flag
        /// does not change the text.
        std::string ToString(bool detailed) const;

    protected:
        float GetNormalizedFlexion(int finger, bool clamp) const;
    };
}
