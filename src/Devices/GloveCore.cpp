#include "Devices/GloveCore.h"

#include <algorithm>
#include <cmath>

#include "Devices/CalibrationWidth.h"
#include "Diagnostics/Log.h"
#include "TSCore/Kinematics/FingerMovement.h"
#include "TSCore/Kinematics/ThumbMovement.h"
#include "TSCore/Kinematics/Values.h"
#include "TSCore/Util/StrStuff.h"
#include "Util/NumberFormat.h"

namespace TSCore::detail
{
    using Kinematics::FingerMovement;
    using Kinematics::HandInterpolator;
    using Kinematics::InterpolationSet;
    using Kinematics::ThumbMovement;
    using Kinematics::Values;
    using Kinematics::Vect3D;

    namespace
    {
        constexpr float d = Values::Deg2Rad;

        template <typename Movement>
        InterpolationSet* SetOf(HandInterpolator& interpolator, std::size_t digit, Movement movement)
        {
            auto& digits = interpolator.interpolationSets;
            const auto i = static_cast<std::size_t>(movement);
            return digit < digits.size() && i < digits[digit].size() ? &digits[digit][i] : nullptr;
        }

        // Input range from the calibration extremes and the output's start angle; the output's
        // end (full flexion) stays the profile's own.
        void Calibrate(InterpolationSet* set, float inStart, float inEnd, float outStart)
        {
            if (set == nullptr)
                return;
            set->inStart = inStart;
            set->inEnd = inEnd;
            set->outStart = outStart;
        }

        bool Usable(std::size_t finger, const char* movement, float lo, float hi)
        {
            if (UsableCalibrationRange(lo, hi))
                return true;
            TSCORE_LOG(Warnings, "Calibration range of " + Util::StrStuff::ToString(static_cast<Finger>(finger)) + " " +
                                     movement + " is unusable (" + Util::detail::FormatNumber(lo) + " .. " +
                                     Util::detail::FormatNumber(hi) + "); its interpolation sets are left unchanged.");
            return false;
        }

        void AbductionOutput(InterpolationSet* set, bool right)
        {
            if (set == nullptr)
                return;
            set->outStart = 0.0f;
            set->outEnd = (right ? 60.0f : -60.0f) * d;
        }

        void CalibrateThumb(HandInterpolator& interpolator, Vect3D lo, Vect3D hi, bool right, GloveFamily family)
        {
            if (Usable(0, "flexion", lo.y, hi.y))
            {
                Calibrate(SetOf(interpolator, 0, ThumbMovement::CMCFlexion), lo.y, hi.y, -55.0f * d);
                Calibrate(SetOf(interpolator, 0, ThumbMovement::MCPFlexion), lo.y, hi.y, -10.0f * d);
                Calibrate(SetOf(interpolator, 0, ThumbMovement::IPFlexion), lo.y, hi.y, -10.0f * d);
            }
            if (!Usable(0, "abduction", lo.z, hi.z))
                return;
            InterpolationSet* abduction = SetOf(interpolator, 0, ThumbMovement::CMCAbduction);
            if (abduction == nullptr)
                return;
            // The exoskeleton's left glove reads its thumb spread the other way round, so its
            // input runs from the largest value to the smallest; the second model's does not.
            const bool reversed = family == GloveFamily::Tessara && !right;
            abduction->inStart = reversed ? hi.z : lo.z;
            abduction->inEnd = reversed ? lo.z : hi.z;
            if (family == GloveFamily::Kelvo)
                AbductionOutput(abduction, right);
        }

        void CalibrateFinger(HandInterpolator& interpolator, std::size_t f, Vect3D lo, Vect3D hi)
        {
            if (!Usable(f, "flexion", lo.y, hi.y))
                return;
            Calibrate(SetOf(interpolator, f, FingerMovement::MCPFlexion), lo.y, hi.y, -15.0f * d);
            Calibrate(SetOf(interpolator, f, FingerMovement::PIPFlexion), lo.y, hi.y, -10.0f * d);
            Calibrate(SetOf(interpolator, f, FingerMovement::DIPFlexion), lo.y, hi.y, -10.0f * d);
        }
    }

    const Kinematics::BasicHandModel& DefaultHandModel(bool right)
    {
        // The default models never change: built once, not on every frame.
        static const Kinematics::BasicHandModel rightModel = Kinematics::BasicHandModel::Default(true);
        static const Kinematics::BasicHandModel leftModel = Kinematics::BasicHandModel::Default(false);
        return right ? rightModel : leftModel;
    }

    std::string LevelBytes(const std::vector<int>& levels, std::size_t count)
    {
        std::string bytes;
        for (std::size_t i = 0; i < count && i < levels.size(); ++i)
        {
            // level + 1 as an 8-bit value, wrapping like the unsigned byte it becomes.
            const auto byte = static_cast<unsigned char>(static_cast<unsigned>(levels[i]) + 1u);
            if (byte == 0)
                break;
            bytes.push_back(static_cast<char>(byte));
        }
        return bytes;
    }

    void WidenCalibrationRange(HapticGlove& glove, const Vect3D* values, std::size_t count)
    {
        if (glove.calibrationMin.empty() || glove.calibrationMax.empty())
            glove.ResetCalibrationRange();
        const std::size_t n = std::min(
            {count, glove.calibrationMin.size(), glove.calibrationMax.size(), static_cast<std::size_t>(fingerCount)});
        for (std::size_t i = 0; i < n; ++i)
        {
            // fmin and fmax: a NaN component loses to the other operand.
            Vect3D& lo = glove.calibrationMin[i];
            Vect3D& hi = glove.calibrationMax[i];
            const Vect3D v = values[i];
            lo = Vect3D(std::fmin(lo.x, v.x), std::fmin(lo.y, v.y), std::fmin(lo.z, v.z));
            hi = Vect3D(std::fmax(hi.x, v.x), std::fmax(hi.y, v.y), std::fmax(hi.z, v.z));
        }
    }

    void ApplyCalibrationRange(HandInterpolator& interpolator, const std::vector<Vect3D>& minValues,
                               const std::vector<Vect3D>& maxValues, bool right, GloveFamily family)
    {
        // The exoskeleton sets the thumb's abduction output whenever the profile has digits,
        // whatever the range; the second model sets it together with the thumb's input range.
        if (family == GloveFamily::Tessara && !interpolator.interpolationSets.empty())
            AbductionOutput(SetOf(interpolator, 0, ThumbMovement::CMCAbduction), right);
        const std::size_t n = std::min({minValues.size(), maxValues.size(), static_cast<std::size_t>(fingerCount)});
        for (std::size_t i = 0; i < n; ++i)
        {
            if (i == 0)
                CalibrateThumb(interpolator, minValues[i], maxValues[i], right, family);
            else
                CalibrateFinger(interpolator, i, minValues[i], maxValues[i]);
        }
    }
}
