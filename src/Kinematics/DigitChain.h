#pragma once

// The bone vectors of one digit of a hand model, written into a list the caller reuses for
// every digit, so a hand pose does not allocate a fresh list per digit. The same values as
// BasicHandModel::Get3DLengths: three bones along x, zero where the model has no length.

#include <cstddef>
#include <vector>

#include "TSCore/Finger.h"
#include "TSCore/Kinematics/BasicHandModel.h"

namespace TSCore::Kinematics::detail
{
    inline void DigitBones(const BasicHandModel& model, Finger finger, std::vector<Vect3D>& bones)
    {
        bones.assign(3, Vect3D::zero);
        const auto i = static_cast<std::size_t>(finger);
        if (static_cast<int>(finger) < 0 || i >= model.fingerLengths.size())
            return;
        const std::vector<float>& digit = model.fingerLengths[i];
        for (std::size_t k = 0; k < 3 && k < digit.size(); ++k)
            bones[k] = Vect3D(digit[k], 0.0f, 0.0f);
    }
}
