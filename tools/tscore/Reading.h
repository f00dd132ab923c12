#pragma once

// Waiting for a glove's first complete reading: right after a service starts, or while a
// glove is still being connected, the sensor text can be missing or incomplete for a moment.

#include <TSCore/Devices/HapticGlove.h>
#include <TSCore/Hand/HandPose.h>
#include <TSCore/Hand/HandProfile.h>

#include "LiveState.h"

namespace TSCoreCli
{
    /// Reads the glove for up to timeout seconds until a reading is complete; the state of the
    /// last read (complete false, out the idle pose, when none came).
    GloveState WaitForGlove(TSCore::HapticGlove& glove, TSCore::HandProfile& profile, TSCore::HandPose& out,
                            double timeout = 2.0);
}
