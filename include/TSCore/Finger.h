#pragma once

namespace TSCore
{
    /// The five digits, thumb first. Every per-digit list in the library is indexed by it.
    enum class Finger : int
    {
        Thumb = 0,
        Index = 1,
        Middle = 2,
        Ring = 3,
        Pinky = 4,
    };

    /// Number of digits of a hand.
    constexpr int fingerCount = 5;
}
