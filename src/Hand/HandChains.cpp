#include "Hand/HandChains.h"

#include "TSCore/Kinematics/FingerMovement.h"
#include "TSCore/Kinematics/JointKinematics.h"
#include "TSCore/Kinematics/ThumbMovement.h"
#include "TSCore/Kinematics/Values.h"

namespace TSCore::detail
{
    using Kinematics::BasicHandModel;
    using Kinematics::FingerMovement;
    using Kinematics::HandInterpolator;
    using Kinematics::InterpolationSet;
    using Kinematics::Quat;
    using Kinematics::ThumbMovement;
    using Kinematics::Values;
    using Kinematics::Vect3D;

    namespace
    {
        const std::vector<InterpolationSet>* SetsOf(const HandInterpolator& interpolator, Finger finger)
        {
            const auto f = static_cast<std::size_t>(finger);
            return static_cast<int>(finger) >= 0 && f < interpolator.interpolationSets.size()
                       ? &interpolator.interpolationSets[f]
                       : nullptr;
        }

        template <typename Movement>
        float Get(const std::vector<InterpolationSet>* sets, Movement movement, float value)
        {
            const auto i = static_cast<std::size_t>(movement);
            return sets != nullptr && i < sets->size() ? (*sets)[i].Get(value, true, false) : 0.0f;
        }
    }

    Quat DefaultThumbStartRotation(bool right)
    {
        const float r = right ? 1.0f : 0.0f;
        return Quat::FromAngleAxis((90.0f - 180.0f * r) * Values::Deg2Rad, 1.0f, 0.0f, 0.0f);
    }

    void DigitBones(const BasicHandModel& model, Finger finger, std::vector<Vect3D>& bones)
    {
        bones.assign(3, Vect3D::zero);
        const auto i = static_cast<std::size_t>(finger);
        if (static_cast<int>(finger) < 0 || i >= model.fingerLengths.size())
            return;
        const std::vector<float>& digit = model.fingerLengths[i];
        for (std::size_t k = 0; k < 3 && k < digit.size(); ++k)
            bones[k] = Vect3D(digit[k], 0.0f, 0.0f);
    }

    void InterpolateThumb(const HandInterpolator& interpolator, Vect3D s, std::vector<Vect3D>& joints)
    {
        const std::vector<InterpolationSet>* sets = SetsOf(interpolator, Finger::Thumb);
        joints.assign(3, Vect3D::zero);
        joints[0].x = Get(sets, ThumbMovement::CMCTwist, s.z);
        joints[0].y = Get(sets, ThumbMovement::CMCFlexion, s.y);
        joints[0].z = Get(sets, ThumbMovement::CMCAbduction, s.z);
        joints[1].y = Get(sets, ThumbMovement::MCPFlexion, s.y);
        joints[2].y = Get(sets, ThumbMovement::IPFlexion, s.y);
    }

    void InterpolateFinger(Finger finger, const HandInterpolator& interpolator, Vect3D s, std::vector<Vect3D>& joints)
    {
        const std::vector<InterpolationSet>* sets = SetsOf(interpolator, finger);
        joints.assign(3, Vect3D::zero);
        joints[0].y = Get(sets, FingerMovement::MCPFlexion, s.y);
        joints[0].z = Get(sets, FingerMovement::MCPAbduction, s.z);
        joints[1].y = Get(sets, FingerMovement::PIPFlexion, s.y);
        joints[2].y = Get(sets, FingerMovement::DIPFlexion, s.y);
    }

    void SolveHandChains(const BasicHandModel& model, const Quat& thumbStart, const ChainAngles& chainOf, HandPose& out)
    {
        const auto fingers = static_cast<std::size_t>(fingerCount);
        out.jointPositions.resize(fingers);
        out.jointRotations.resize(fingers);
        thread_local std::vector<Vect3D> bones;
        for (std::size_t f = 0; f < fingers; ++f)
        {
            const auto finger = static_cast<Finger>(f);
            DigitBones(model, finger, bones);
            const Quat start = finger == Finger::Thumb ? thumbStart : model.GetJointRotation(finger);
            Kinematics::JointKinematics::ForwardKinematics(model.GetJointPosition(finger), start, bones,
                                                           out.handAngles[chainOf[f]], out.jointPositions[f],
                                                           out.jointRotations[f]);
        }
    }
}
