#pragma once

// Reading one glove again and again, knowing when its reading changed. A reading's time is
// when it was first seen: the sensor text is compared with the one the previous read gave, so
// a text the service has not replaced is no new reading.

#include <string>

#include <TSCore/Devices/HapticGlove.h>
#include <TSCore/Hand/HandPose.h>
#include <TSCore/Hand/HandProfile.h>

#include "LiveState.h"

namespace TSCoreCli
{
    class GloveReader
    {
    public:
        GloveReader(TSCore::HapticGlove& glove, TSCore::HandProfile& profile) : glove(glove), profile(profile) {}

        /// One read: the pose, and its state with readingTime and newReading.
        GloveState Read(TSCore::HandPose& out);
        /// Reads for up to timeout seconds until a reading is complete (right after a service
        /// starts, or while a glove connects, there may be none for a moment). When the glove
        /// is live, waits up to about two reading intervals more for the next reading, so that
        /// its time is when it arrived rather than when it was found.
        GloveState First(TSCore::HandPose& out, double timeout = 2.0);

    private:
        std::string SensorText() const;

        TSCore::HapticGlove& glove;
        TSCore::HandProfile& profile;
        std::string lastText;
        double lastTime = 0.0;
        bool any = false;
    };
}
