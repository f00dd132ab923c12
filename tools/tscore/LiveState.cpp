#include "LiveState.h"

#include <cmath>
#include <ctime>

#include <TSCore/Util/StrStuff.h>

#include "Devices/SharedMemory.h"

namespace TSCoreCli
{
    namespace SharedMemory = TSCore::detail::SharedMemory;
    using TSCore::Kinematics::Quat;
    using TSCore::Kinematics::Vect3D;

    namespace
    {
        bool Finite(const Vect3D& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

        bool Finite(const Quat& q)
        {
            return std::isfinite(q.x) && std::isfinite(q.y) && std::isfinite(q.z) && std::isfinite(q.w);
        }

        template <typename T>
        bool AllFinite(const std::vector<std::vector<T>>& lists, std::size_t finger)
        {
            if (finger >= lists.size() || lists[finger].empty())
                return false;
            for (const T& value : lists[finger])
                if (!Finite(value))
                    return false;
            return true;
        }

        std::string Join(const std::vector<std::string>& names)
        {
            std::string out;
            for (const auto& name : names)
                out += (out.empty() ? "" : ", ") + name;
            return out;
        }
    }

    ServiceStatus ServiceStatus::Read()
    {
        ServiceStatus status;
        SharedMemory::ReadOnlySegment segment;
        std::string error;
        std::string text;
        if (!segment.Open(SharedMemory::devicesSegment, error) ||
            segment.Read(SharedMemory::timeStampObject, text) != SharedMemory::LookupResult::Found)
            return status;
        char* end = nullptr;
        const long long stamp = std::strtoll(text.c_str(), &end, 10);
        if (end == text.c_str())
            return status;
        status.stampAge = static_cast<long long>(std::time(nullptr)) - stamp;
        status.condition = *status.stampAge < staleAfterSeconds ? ServiceCondition::Running : ServiceCondition::Stale;
        return status;
    }

    const char* ServiceStatus::Name() const
    {
        switch (condition)
        {
        case ServiceCondition::Running:
            return "running";
        case ServiceCondition::Stale:
            return "stale";
        case ServiceCondition::Stopped:
            break;
        }
        return "stopped";
    }

    std::string ServiceStatus::Describe() const
    {
        if (!stampAge)
            return "not running";
        const std::string age =
            *stampAge < 0 ? std::to_string(-*stampAge) + " s ahead" : std::to_string(*stampAge) + " s old";
        if (condition == ServiceCondition::Running)
            return "running (time stamp " + age + ")";
        return "not updating (time stamp " + age + ")";
    }

    bool GloveState::Live() const { return service.condition == ServiceCondition::Running && connected && Valid(); }

    const char* GloveState::Word() const
    {
        if (service.condition != ServiceCondition::Running)
            return service.Name();
        if (!connected)
            return "disconnected";
        if (!complete)
            return "incomplete";
        return Valid() ? "live" : "invalid";
    }

    std::string GloveState::Headline() const
    {
        std::string line;
        if (service.condition == ServiceCondition::Running)
            line = connected ? "live" : "glove disconnected: showing its last reading";
        else
            line = "service " + service.Describe() + ": showing the last reading";
        if (!complete)
            line = service.condition == ServiceCondition::Stopped ? "service not running: no reading"
                                                                  : "no complete reading: " + line;
        else if (!invalidFingers.empty())
            line += "; pose invalid: " + Join(invalidFingers);
        return line.substr(0, 79);
    }

    GloveState ReadGlove(TSCore::HapticGlove& glove, TSCore::HandProfile& profile, TSCore::HandPose& pose)
    {
        GloveState state = ReadGlove(glove, profile, pose, ServiceStatus{});
        state.service = ServiceStatus::Read();
        return state;
    }

    GloveState ReadGlove(TSCore::HapticGlove& glove, TSCore::HandProfile& profile, TSCore::HandPose& pose,
                         const ServiceStatus& service)
    {
        GloveState state;
        state.complete = glove.GetHandPose(profile, pose);
        state.connected = glove.IsConnected();
        state.service = service;
        if (state.complete)
            state.invalidFingers = InvalidFingers(pose);
        return state;
    }

    std::vector<std::string> InvalidFingers(const TSCore::HandPose& pose)
    {
        std::vector<std::string> names;
        for (std::size_t f = 0; f < static_cast<std::size_t>(TSCore::fingerCount); ++f)
            if (!AllFinite(pose.handAngles, f) || !AllFinite(pose.jointPositions, f) ||
                !AllFinite(pose.jointRotations, f))
                names.push_back(TSCore::Util::StrStuff::ToString(static_cast<TSCore::Finger>(f)));
        return names;
    }

    std::string InvalidPoseMessage(const std::vector<std::string>& fingers)
    {
        return "the pose is invalid: " + Join(fingers) + (fingers.size() == 1 ? " has" : " have") +
               " no finite joint angles or positions. The profile probably holds a calibration range of zero "
               "width; calibrate again (tscore calibrate) and move every finger";
    }
}
