#pragma once

// The haptic channels of a glove family, thumb first: a Tessara glove has force feedback and
// vibration on all five digits; a Kelvo glove force feedback on thumb to ring (its pinky follows
// the ring) and vibration on thumb and index. Levels beyond a glove's channels are not sent.

#include <cstddef>

namespace TSCoreLink
{
    struct GloveChannels
    {
        std::size_t ffb = 5;
        std::size_t buzz = 5;

        static const GloveChannels tessara;
        static const GloveChannels kelvo;
    };

    inline constexpr GloveChannels GloveChannels::tessara{5, 5};
    inline constexpr GloveChannels GloveChannels::kelvo{4, 2};
}
