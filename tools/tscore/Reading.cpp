#include "Reading.h"

#include <algorithm>
#include <chrono>

#include "PoseJson.h"
#include "StopSignal.h"

namespace TSCoreCli
{
    using TSCore::ServiceReader;

    std::size_t PositionOf(const ServiceReader& reader, const TSCore::HapticGlove& glove)
    {
        const std::size_t at = reader.FindKey(glove.GetDeviceKey());
        return at != ServiceReader::npos && reader.Glove(at).get() == &glove ? at : ServiceReader::npos;
    }

    GloveState ReadGlove(ServiceReader& reader, const std::shared_ptr<TSCore::HapticGlove>& glove,
                         const TSCore::HandProfile& profile, TSCore::HandPose& out)
    {
        GloveState state;
        state.service = ServiceStatus::Of(reader);
        const std::size_t at = PositionOf(reader, *glove);
        if (at == ServiceReader::npos)
        {
            state.announced = false;
            out = TSCore::HandPose::DefaultIdle(glove->IsRight());
            return state;
        }
        state.connected = reader.Info(at).connected;
        state.complete = reader.GetHandPose(at, profile, out);
        const ServiceReader::Reading reading = reader.LastReading(at);
        state.newReading = reading.IsNew();
        if (!state.complete)
            return state;
        state.invalidFingers = InvalidFingers(out);
        state.readingTime = WallSeconds(reading.firstSeenWall);
        TSCore::Kinematics::Quat q;
        if (ServiceReader::IMURotationFromText(*glove, reader.Text(at), q))
            state.orientation = q;
        return state;
    }

    GloveState FirstReading(ServiceReader& reader, const std::shared_ptr<TSCore::HapticGlove>& glove,
                            const TSCore::HandProfile& profile, TSCore::HandPose& out, double timeout)
    {
        using Clock = std::chrono::steady_clock;
        const auto end = Clock::now() + std::chrono::duration<double>(timeout);
        reader.Update();
        GloveState state = ReadGlove(reader, glove, profile, out);
        while (!state.complete && state.announced && !ToolCommon::StopRequested() && Clock::now() < end)
        {
            ToolCommon::SleepUnlessStopped(std::chrono::milliseconds(20));
            reader.Update();
            state = ReadGlove(reader, glove, profile, out);
        }
        if (!state.Live())
            return state;
        const int pps = reader.Info(PositionOf(reader, *glove)).packetsPerSecond;
        const double interval = pps > 0 ? 1.0 / pps : 0.05;
        const auto until = Clock::now() + std::chrono::duration<double>(std::clamp(2.5 * interval, 0.02, 0.25));
        while (!ToolCommon::StopRequested() && Clock::now() < until)
        {
            ToolCommon::SleepUnlessStopped(std::chrono::milliseconds(2));
            reader.Update();
            TSCore::HandPose next;
            const GloveState arrived = ReadGlove(reader, glove, profile, next);
            if (!arrived.newReading)
                continue;
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
