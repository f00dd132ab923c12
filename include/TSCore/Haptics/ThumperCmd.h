#pragma once

#include "TSCore/Export.h"
#include "TSCore/Kinematics/Values.h"

namespace TSCore::Haptics
{
    /// Strength of the wrist thumper effect, 0 to 100.
    class TSCORE_API ThumperCmd
    {
    public:
        int magnitude;

        /// Clamps magnitude to the thumper range.
        explicit ThumperCmd(int magnitude) noexcept : magnitude(Kinematics::Values::Clamp(magnitude, thmpMin, thmpMax))
        {
        }

        constexpr ThumperCmd(const ThumperCmd& other) noexcept = default;
        constexpr ThumperCmd(ThumperCmd&& other) noexcept = default;
        ThumperCmd& operator=(const ThumperCmd& other) noexcept = default;
        ThumperCmd& operator=(ThumperCmd&& other) noexcept = default;
        ~ThumperCmd() = default;

        /// The same magnitude, not clamped again.
        constexpr ThumperCmd Copy() const noexcept { return ThumperCmd(magnitude, Unchecked{}); }

        /// Magnitude 0.
        static const ThumperCmd off;

    protected:
        int Validate(int value) const noexcept { return Kinematics::Values::Clamp(value, thmpMin, thmpMax); }

        static int thmpMin;
        static int thmpMax;

    private:
        struct Unchecked
        {
        };
        // Stores the value as given; lets off be constant-initialised, since the clamping
        // constructor reads limits that may change at run time.
        constexpr ThumperCmd(int magnitude, Unchecked) noexcept : magnitude(magnitude) {}
    };

    inline constexpr ThumperCmd ThumperCmd::off{0, ThumperCmd::Unchecked{}};
}
