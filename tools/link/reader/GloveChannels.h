#pragma once

// The haptic channels of a glove family: a Tessara glove has force feedback and vibration on
// all five digits; a Kelvo glove force feedback on thumb to ring and vibration on thumb and
// index. Levels beyond a glove's channels are not sent.

#include <cstddef>

#include <TSCore/DeviceType.h>

namespace TSCoreCli
{
    struct GloveChannels
    {
        std::size_t ffb = 5;
        std::size_t buzz = 5;

        static constexpr GloveChannels Of(TSCore::DeviceType type)
        {
            return type == TSCore::DeviceType::Kelvo ? GloveChannels{4, 2} : GloveChannels{};
        }
    };
}
