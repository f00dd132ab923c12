#include "Hand/HandChains.h"

#include "TSCore/Kinematics/JointKinematics.h"

namespace TSCore::detail
{
    using Kinematics::BasicHandModel;
    using Kinematics::Quat;
    using Kinematics::Vect3D;

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
