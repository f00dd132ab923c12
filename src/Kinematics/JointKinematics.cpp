#include "TSCore/Kinematics/JointKinematics.h"

#include <exception>

#include "Diagnostics/Log.h"
#include "Util/ExceptionText.h"

namespace TSCore::Kinematics
{
    bool JointKinematics::ForwardKinematics(Vect3D startPosition, Quat startRotation,
                                            std::vector<Vect3D> const& segments, std::vector<Vect3D> const& angles,
                                            std::vector<Vect3D>& positions, std::vector<Quat>& rotations)
    {
        // The outputs are cleared before the inputs are read: a caller passing one list as
        // both gets the chain computed from a copy instead of from a list being rebuilt.
        if (&positions == &segments || &positions == &angles)
        {
            const std::vector<Vect3D> segmentsCopy = segments;
            const std::vector<Vect3D> anglesCopy = angles;
            return ForwardKinematics(startPosition, startRotation, segmentsCopy, anglesCopy, positions, rotations);
        }
        try
        {
            const std::size_t n = segments.size();
            const std::size_t m = angles.size();
            positions.clear();
            rotations.clear();
            positions.reserve(n + 1);
            rotations.reserve(n + 1);
            positions.push_back(startPosition);
            if (n < 1)
            {
                rotations.push_back(startRotation);
                return false;
            }
            rotations.push_back(m > 0 ? startRotation * Quat::FromEuler(angles[0]) : startRotation);
            for (std::size_t i = 1; i <= n; ++i)
            {
                positions.push_back(positions[i - 1] + rotations[i - 1].Rotate(segments[i - 1]));
                rotations.push_back(i < m ? rotations[i - 1] * Quat::FromEuler(angles[i]) : rotations[i - 1]);
            }
            return true;
        }
        catch (const std::exception& e)
        {
            // Only memory can fail here; the documented answer is the start alone and false.
            TSCORE_LOG(Errors, "Error in FWD Kinematics: " + Util::detail::ExceptionText(e));
        }
        positions.assign(1, startPosition);
        rotations.assign(1, startRotation);
        return false;
    }

    bool JointKinematics::ForwardKinematics(BasicHandModel& model, Finger finger, std::vector<Vect3D> const& angles,
                                            std::vector<Vect3D>& positions, std::vector<Quat>& rotations)
    {
        return ForwardKinematics(model.GetJointPosition(finger), model.GetJointRotation(finger),
                                 model.Get3DLengths(finger), angles, positions, rotations);
    }
}
