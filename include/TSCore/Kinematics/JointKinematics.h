#pragma once

#include <vector>

#include "TSCore/Export.h"
#include "TSCore/Finger.h"
#include "TSCore/Kinematics/BasicHandModel.h"
#include "TSCore/Kinematics/Quat.h"
#include "TSCore/Kinematics/Vect3D.h"

namespace TSCore::Kinematics
{
    /// Forward kinematics over a chain of bones.
    class TSCORE_API JointKinematics
    {
    public:
        /// Walks the chain: positions[0] is the start, positions[i] = positions[i-1] +
        /// rotations[i-1] * segments[i-1]; rotations[i] = rotations[i-1] * FromEuler(angles[i])
        /// while angles last. Both outputs get segments.size() + 1 entries (the last is the tip).
        /// False, with only the start in each output, when there are no segments.
        static bool ForwardKinematics(Vect3D startPosition, Quat startRotation, std::vector<Vect3D> const& segments,
                                      std::vector<Vect3D> const& angles, std::vector<Vect3D>& positions,
                                      std::vector<Quat>& rotations);

        /// The chain of one digit of a hand model: its first joint, its bones and the given angles.
        static bool ForwardKinematics(BasicHandModel& model, Finger finger, std::vector<Vect3D> const& angles,
                                      std::vector<Vect3D>& positions, std::vector<Quat>& rotations);
    };
}
