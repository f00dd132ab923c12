#pragma once

// Reading one glove of a service reader again and again. The reader tells whether a reading
// is new (its sensor text differs from the one the previous read gave) and when it was first
// seen; the pose and the orientation of a read come from the same text.

#include <memory>

#include <TSCore/Devices/HapticGlove.h>
#include <TSCore/Devices/ServiceReader.h>
#include <TSCore/Hand/HandPose.h>
#include <TSCore/Hand/HandProfile.h>

#include "LiveState.h"

namespace TSCoreCli
{
    /// The glove's position in the reader's list now; npos once the reader no longer lists
    /// that very object (the service dropped the device, or announces another one under its key).
    std::size_t PositionOf(const TSCore::ServiceReader& reader, const TSCore::HapticGlove& glove);

    /// One read of the glove, without Update(): the pose through the profile, and its state
    /// with readingTime, newReading and the orientation. The service's state is the reader's
    /// latest check.
    GloveState ReadGlove(TSCore::ServiceReader& reader, const std::shared_ptr<TSCore::HapticGlove>& glove,
                         const TSCore::HandProfile& profile, TSCore::HandPose& out);

    /// Updates and reads for up to timeout seconds until a reading is complete (right after a
    /// service starts, or while a glove connects, there may be none for a moment). When the
    /// glove is live, waits up to about two reading intervals more for the next reading, so
    /// that its time is when it arrived rather than when it was found.
    GloveState FirstReading(TSCore::ServiceReader& reader, const std::shared_ptr<TSCore::HapticGlove>& glove,
                            const TSCore::HandProfile& profile, TSCore::HandPose& out, double timeout = 2.0);
}
