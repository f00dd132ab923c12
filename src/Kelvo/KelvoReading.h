#pragma once

// The second model's sensor text into a reading the caller keeps from frame to frame, so a
// stream of frames allocates nothing once the reading has grown.

#include <string_view>

#include "TSCore/Kelvo/Kelvo_GloveInfo.h"
#include "TSCore/Kelvo/Kelvo_SensorData.h"

namespace TSCore::Kelvo::detail
{
    /// "t0;t1|i0|m0|r0:x;y;z;w": per entry its first two readings as whole numbers, counting at
    /// most three readings an entry; the orientation times the glove's correction. A reading
    /// beyond the float range anywhere makes the whole text unreadable: out becomes Empty() and
    /// the reason is logged.
    void ReadSensors(std::string_view text, const Kelvo_GloveInfo& info, Kelvo_SensorData& out);
}
