#include "Reading.h"

#include <chrono>

#include "Interrupt.h"

namespace TSCoreCli
{
    bool WaitForHandPose(TSCore::HapticGlove& glove, TSCore::HandProfile& profile, TSCore::HandPose& out,
                         double timeout)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeout);
        for (;;)
        {
            if (glove.GetHandPose(profile, out))
                return true;
            if (Interrupted() || std::chrono::steady_clock::now() >= end)
                return false;
            SleepFor(0.02);
        }
    }
}
