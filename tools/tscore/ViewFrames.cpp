#include "ViewFrames.h"

#include <cmath>

#include <nlohmann/json.hpp>

#include <TSCore/Devices/DeviceList.h>
#include <TSCore/Util/StrStuff.h>

#include "GloveChannels.h"
#include "PoseJson.h"
#include "Terminal.h"

namespace TSCoreCli
{
    using json = nlohmann::ordered_json;
    using TSCore::HapticGlove;

    namespace
    {
        /// value rounded to decimals places, or null when it is not a finite number.
        json Rounded(double value, int decimals)
        {
            if (!std::isfinite(value))
                return nullptr;
            const double scale = std::pow(10.0, decimals);
            return std::round(value * scale) / scale;
        }

        json Points(const TSCore::HandPose& pose, std::size_t finger)
        {
            json out = json::array();
            for (const auto& p : pose.jointPositions[finger])
                out.push_back({Rounded(p.x, 1), Rounded(p.y, 1), Rounded(p.z, 1)});
            return out;
        }

        /// Flexion and joint positions per finger; null for a finger the state calls invalid.
        void Fingers(const TSCore::HandPose& pose, const GloveState& state, json& flexion, json& fingers)
        {
            flexion = json::array();
            fingers = json::array();
            for (std::size_t f = 0; f < static_cast<std::size_t>(TSCore::fingerCount); ++f)
            {
                const std::string name = TSCore::Util::StrStuff::ToString(static_cast<TSCore::Finger>(f));
                bool valid = state.complete && f < pose.jointPositions.size();
                for (const auto& invalid : state.invalidFingers)
                    valid = valid && invalid != name;
                flexion.push_back(valid ? Rounded(pose.GetNormalizedFlexion(static_cast<TSCore::Finger>(f), false), 3)
                                        : json(nullptr));
                fingers.push_back(valid ? Points(pose, f) : json(nullptr));
            }
        }

        json GloveJson(const ViewFrames::Glove& g, const GloveState& state, const TSCore::HandPose& pose,
                       std::optional<TSCore::Kinematics::Quat> orientation)
        {
            json flexion, fingers;
            Fingers(pose, state, flexion, fingers);
            const GloveChannels channels = GloveChannels::Of(g.glove->GetDeviceType());
            return {{"key", g.glove->GetDeviceKey()},
                    {"index", g.index},
                    {"kind", g.kind},
                    {"id", g.id},
                    {"side", g.side},
                    {"firmware", g.firmware},
                    {"hardware", g.hardware},
                    {"pps", g.pps},
                    {"profile", g.profileName},
                    {"connected", state.connected},
                    {"state", state.Word()},
                    {"headline", state.Headline()},
                    {"invalid", state.invalidFingers},
                    {"orientation", orientation ? json{Rounded(orientation->x, 4), Rounded(orientation->y, 4),
                                                       Rounded(orientation->z, 4), Rounded(orientation->w, 4)}
                                                : json(nullptr)},
                    {"flexion", flexion},
                    {"fingers", fingers},
                    {"channels", {{"ffb", channels.ffb}, {"buzz", channels.buzz}}}};
        }
    }

    ViewFrames::ViewFrames(const GloveOptions& options_, std::optional<TSCore::HandProfile> profile)
        : options(options_), userProfile(std::move(profile))
    {
    }

    const ViewFrames::Glove* ViewFrames::Find(const std::string& key) const
    {
        for (const Glove& g : gloves)
            if (g.glove->GetDeviceKey() == key)
                return &g;
        return nullptr;
    }

    std::string ViewFrames::Tick(double now)
    {
        const ServiceStatus service = ServiceStatus::Read();
        if (now - lastDiscovery >= discoverySeconds || service.condition != lastCondition)
        {
            Discover(service);
            lastDiscovery = now;
        }
        json list = json::array();
        for (Glove& g : gloves)
        {
            const GloveState state = ReadGlove(*g.glove, g.profile, pose, service);
            TSCore::Kinematics::Quat q;
            const bool imu = g.glove->GetIMURotation(q);
            list.push_back(GloveJson(g, state, pose, imu ? std::optional(q) : std::nullopt));
        }
        json body = {{"service", {{"state", service.Name()}, {"describe", service.Describe()}}},
                     {"notice", notice},
                     {"gloves", std::move(list)}};
        std::string text = body.dump(-1, ' ', false, json::error_handler_t::replace);
        if (text == lastBody && now - lastSent < heartbeatSeconds)
            return {};
        lastSent = now;
        lastBody = text;
        // The body is an object: the frame is the same object with its header fields in front.
        return "{\"type\":\"frame\",\"seq\":" + std::to_string(++seq) + ",\"time\":" + json(NowSeconds()).dump() + "," +
               text.substr(1);
    }

    void ViewFrames::Discover(const ServiceStatus& service)
    {
        // A service that comes back may announce other devices under the same keys, and the
        // library's cache keeps what it saw first: it is emptied whenever the service returns.
        const bool returned = lastCondition && *lastCondition != ServiceCondition::Running &&
                              service.condition == ServiceCondition::Running;
        lastCondition = service.condition;
        if (returned)
        {
            gloves.clear();
            TSCore::DeviceList::Dispose();
            TSCore::DeviceList::ReInitialize();
        }
        const std::vector<std::shared_ptr<HapticGlove>> all = HapticGlove::GetHapticGloves();
        std::vector<Glove> next;
        for (const auto& glove : Select(all))
            for (std::size_t i = 0; i < all.size(); ++i)
                if (all[i] == glove)
                {
                    const Glove* known = Find(glove->GetDeviceKey());
                    next.push_back(known != nullptr && known->glove == glove ? *known
                                                                             : Describe(glove, static_cast<int>(i)));
                    next.back().pps = glove->PacketsPerSecond();
                }
        gloves = std::move(next);
    }

    std::vector<std::shared_ptr<HapticGlove>> ViewFrames::Select(const std::vector<std::shared_ptr<HapticGlove>>& all)
    {
        notice.clear();
        if (options.device >= 0)
        {
            if (static_cast<std::size_t>(options.device) < all.size())
                return {all[static_cast<std::size_t>(options.device)]};
            notice = "waiting for glove " + std::to_string(options.device) + " (--device): the service announces " +
                     std::to_string(all.size()) + " glove(s)";
            return {};
        }
        if (!options.right && !options.left)
            return all;
        // The glove once chosen stays while it is announced, connected or not.
        for (const Glove& g : gloves)
            for (const auto& glove : all)
                if (glove == g.glove)
                    return {glove};
        std::shared_ptr<HapticGlove> chosen;
        if (HapticGlove::GetGlove(options.right, chosen))
            return {chosen};
        notice = std::string("waiting for a connected ") + (options.right ? "right" : "left") + "-hand glove";
        return {};
    }

    ViewFrames::Glove ViewFrames::Describe(const std::shared_ptr<HapticGlove>& glove, int index) const
    {
        Glove g;
        g.glove = glove;
        g.index = index;
        const bool right = glove->IsRight();
        if (userProfile && userProfile->isRight == right)
        {
            g.profile = *userProfile;
            g.profileName = options.profilePath;
        }
        else
        {
            g.profile = TSCore::HandProfile::Default(right);
            g.profileName = userProfile ? "default (" + options.profilePath + " is for the other hand)" : "default";
        }
        g.id = Printable(glove->GetDeviceID());
        g.kind = KindName(glove->GetDeviceType());
        g.side = right ? "right" : "left";
        g.firmware = Printable(glove->GetFirmwareString());
        g.hardware = Printable(glove->GetHardwareVersion());
        return g;
    }
}
