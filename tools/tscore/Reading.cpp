#include "Reading.h"

#include <algorithm>
#include <chrono>

#include <TSCore/Devices/DeviceList.h>

#include "Interrupt.h"
#include "PoseJson.h"

namespace TSCoreCli
{
    std::string GloveReader::SensorText() const
    {
        std::string text;
        TSCore::DeviceList::GetSensorDataString(glove.GetDeviceKey(), text);
        return text;
    }

    GloveState GloveReader::Read(TSCore::HandPose& out)
    {
        // The pose belongs to a text when the text is the same before and after it was read.
        GloveState state;
        std::string text;
        for (int attempt = 0; attempt < 3; ++attempt)
        {
            const std::string before = SensorText();
            state = ReadGlove(glove, profile, out);
            text = SensorText();
            if (text == before)
                break;
        }
        state.newReading = !any || text != lastText;
        if (state.newReading)
        {
            lastText = text;
            lastTime = NowSeconds();
            any = true;
        }
        state.readingTime = state.complete ? lastTime : 0.0;
        return state;
    }

    GloveState GloveReader::First(TSCore::HandPose& out, double timeout)
    {
        using Clock = std::chrono::steady_clock;
        const auto end = Clock::now() + std::chrono::duration<double>(timeout);
        GloveState state = Read(out);
        while (!state.complete && !Interrupted() && Clock::now() < end)
        {
            SleepFor(0.02);
            state = Read(out);
        }
        if (!state.Live())
            return state;
        const int pps = glove.PacketsPerSecond();
        const double interval = pps > 0 ? 1.0 / pps : 0.05;
        const auto until = Clock::now() + std::chrono::duration<double>(std::clamp(2.5 * interval, 0.02, 0.25));
        while (!Interrupted() && Clock::now() < until)
        {
            SleepFor(0.002);
            if (SensorText() == lastText)
                continue;
            TSCore::HandPose next;
            const GloveState arrived = Read(next);
            if (arrived.Live())
            {
                out = next;
                return arrived;
            }
            break;
        }
        return state;
    }
}
