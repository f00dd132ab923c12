#pragma once

// What the two glove families share: the command byte encoding, the widening of the calibration
// range, and writing that range into a profile. Where the families differ, the difference is
// the glove's documented behaviour, named here by GloveFamily and commented where it applies.

#include <cstddef>
#include <string>
#include <vector>

#include "TSCore/Devices/HapticGlove.h"
#include "TSCore/Kinematics/BasicHandModel.h"
#include "TSCore/Kinematics/HandInterpolator.h"
#include "TSCore/Kinematics/Vect3D.h"

namespace TSCore::detail
{
    enum class GloveFamily
    {
        Tessara,
        Kelvo,
    };

    /// The default hand model of a side, built once: what a glove's pose is computed on when
    /// the caller names no model.
    const Kinematics::BasicHandModel& DefaultHandModel(bool right);

    /// A command fragment: the first count levels, each sent as one byte of level + 1 (0 .. 100
    /// become 1 .. 101), as NUL-terminated text: a byte of 0 (a level of -1 or 255) ends it.
    std::string LevelBytes(const std::vector<int>& levels, std::size_t count);

    /// Widens glove's calibration range by values, the entries present up to five. A range
    /// still empty gets the glove's own reset first.
    void WidenCalibrationRange(HapticGlove& glove, const Kinematics::Vect3D* values, std::size_t count);

    /// Writes a calibration range (per finger the smallest and largest values seen) into the
    /// interpolator's input ranges and sets the fixed start angles of the flexion sets: the
    /// smallest value maps to a slight extension, the largest to the set's own full flexion.
    /// A range narrower than minCalibrationWidth, or with a bound that is not finite, is not
    /// written: that finger's sets keep their values and a warning names it. Fingers beyond
    /// either list, and sets the interpolator lacks, are left alone.
    void ApplyCalibrationRange(Kinematics::HandInterpolator& interpolator,
                               const std::vector<Kinematics::Vect3D>& minValues,
                               const std::vector<Kinematics::Vect3D>& maxValues, bool right, GloveFamily family);
}
