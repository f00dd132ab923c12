#include "Reading.h"

#include <chrono>

#include "Interrupt.h"

namespace TSCoreCli
{
    GloveState WaitForGlove(TSCore::HapticGlove& glove, TSCore::HandProfile& profile, TSCore::HandPose& out,
                            double timeout)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeout);
        for (;;)
        {
            GloveState state = ReadGlove(glove, profile, out);
            if (state.complete || Interrupted() || std::chrono::steady_clock::now() >= end)
                return state;
            SleepFor(0.02);
        }
    }
}
