#include "Kinematics/DigitAngles.h"

#include "TSCore/Kinematics/FingerMovement.h"
#include "TSCore/Kinematics/ThumbMovement.h"
#include "TSCore/Kinematics/Values.h"

namespace TSCore::Kinematics::detail
{
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
}
