#pragma once

// The narrowest calibration range the library writes into a profile. Tools that judge a
// calibration before storing it use the same limit.

#include <cmath>

namespace TSCore::detail
{
    /// Narrowest input range of an interpolation set that a calibration writes, in the glove's
    /// calibration units: radians of summed linkage angle on the exoskeleton glove, raw readings
    /// (whole numbers) on the second model. A finger that did not move has a range of zero width;
    /// mapping through it divides by zero and turns every pose of that finger into NaN.
    inline constexpr float minCalibrationWidth = 1e-3f;

    /// True when [lo, hi] may be written: both bounds finite and hi at least minCalibrationWidth
    /// above lo (a range never widened since its reset runs backwards and is refused too).
    inline bool UsableCalibrationRange(float lo, float hi) noexcept
    {
        return std::isfinite(lo) && std::isfinite(hi) && hi - lo >= minCalibrationWidth;
    }
}
