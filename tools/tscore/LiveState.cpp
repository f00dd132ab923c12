#include "LiveState.h"

#include <cmath>
#include <string_view>

#include <TSCore/Util/StrStuff.h>

#include "ExitCodes.h"

namespace TSCoreCli
{
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

    ServiceStatus ServiceStatus::Of(const TSCore::ServiceReader& reader)
    {
        ServiceStatus status;
        status.condition = reader.State();
        status.stampAge = reader.StampAge();
        return status;
    }

    const char* ServiceStatus::Name() const { return TSCore::ServiceReader::StateName(condition); }

    std::string ServiceStatus::Describe() const
    {
        if (!stampAge)
            return "not running";
        const std::string age = "(time stamp " + (*stampAge < 0 ? std::to_string(-*stampAge) + " s ahead)"
                                                                : std::to_string(*stampAge) + " s old)");
        switch (condition)
        {
        case ServiceCondition::Running:
            return "running " + age;
        case ServiceCondition::Stale:
            return "not updating " + age;
        case ServiceCondition::Stopped:
            break;
        }
        return "not running " + age;
    }

    int ServiceStatus::Refuse() const
    {
        switch (condition)
        {
        case ServiceCondition::Running:
            return exitOk;
        case ServiceCondition::Stale:
            return Fail(exitNoService, "the connection service is " + Describe() +
                                           ": it has stopped or hangs, and what it left behind is not current. "
                                           "Restart it");
        case ServiceCondition::Stopped:
            break;
        }
        if (!stampAge)
            return FailNoService();
        return Fail(exitNoService, "the connection service is " + Describe() +
                                       ": what it left behind is not current. Start it again, then try again");
    }

    const char* DeviceWord(const ServiceStatus& service, bool connected)
    {
        if (service.condition == ServiceCondition::Stopped)
            return "stopped";
        if (!connected)
            return "disconnected";
        return service.condition == ServiceCondition::Stale ? "stale" : "connected";
    }

    bool GloveState::Live() const
    {
        return service.condition == ServiceCondition::Running && announced && connected && Valid();
    }

    const char* GloveState::Word() const
    {
        if (service.condition != ServiceCondition::Stopped && !announced)
            return "absent";
        const char* device = DeviceWord(service, connected);
        if (std::string_view(device) != "connected")
            return device;
        if (!complete)
            return "incomplete";
        return Valid() ? "live" : "invalid";
    }

    std::string GloveState::Headline() const
    {
        if (Live())
            return "live";
        const std::string word = Word();
        const char* shown = complete ? ": showing its last reading" : ": no reading";
        std::string line;
        if (word == "stopped")
            return ("service " + service.Describe() + ": no current reading").substr(0, 79);
        if (word == "absent")
            return "the service no longer announces this glove: waiting for one";
        if (word == "disconnected")
            line = std::string("glove disconnected") + shown;
        else if (word == "stale")
            line = "service " + service.Describe() + (complete ? ": showing the last reading" : ": no reading");
        else if (word == "incomplete")
            line = "no complete reading";
        if (complete && !invalidFingers.empty())
            line += (line.empty() ? "" : "; ") + std::string("pose invalid: ") + Join(invalidFingers);
        return line.substr(0, 79);
    }

    int GloveState::Refuse(const std::string& target) const
    {
        const std::string word = Word();
        if (word == "stopped")
            return service.Refuse();
        if (word == "absent")
            return Fail(exitNoGlove, target + " is no longer announced by the connection service (it was replaced "
                                              "or removed). `tscore list` shows the gloves it announces now");
        if (word == "disconnected")
            return Fail(exitNoGlove, target + " is disconnected: its last reading is not current. `tscore list` "
                                              "shows the gloves; pick a connected one with --device N");
        if (word == "stale")
            return Fail(exitNoService, target + ": the connection service is " + service.Describe() +
                                           ", so the glove's last reading is not current. Restart the service");
        if (word == "incomplete")
            return Fail(exitNoReading,
                        "no complete reading from " + target + ". Is it connected? `tscore list` shows its state");
        if (word == "invalid")
            return Fail(exitInvalid, InvalidPoseMessage(invalidFingers));
        return exitOk;
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
