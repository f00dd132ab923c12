#pragma once

// What the tools need to know of a glove family beside what the library's objects say, from
// the type the reader reports.

#include <TSCore/DeviceType.h>
#include <TSCore/Kinematics/BasicHandModel.h>

#include "GloveChannels.h"

namespace TSCoreLink
{
    /// The family's haptic channels; none (0, 0) for a device of no glove family.
    constexpr GloveChannels ChannelsOf(TSCore::DeviceType type)
    {
        switch (type)
        {
        case TSCore::DeviceType::Tessara:
            return GloveChannels::tessara;
        case TSCore::DeviceType::Kelvo:
            return GloveChannels::kelvo;
        default:
            return GloveChannels{0, 0};
        }
    }

    /// The default hand model of a side, on which a glove computes its pose, made once.
    const TSCore::Kinematics::BasicHandModel& DefaultHandModel(bool right);
}
