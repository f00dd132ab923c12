#include "ViewFrames.h"

#include <algorithm>
#include <cmath>

#include <nlohmann/json.hpp>

#include <TSCore/Util/StrStuff.h>

#include "GloveFacts.h"
#include "HapticCommand.h"
#include "PoseJson.h"
#include "Reading.h"
#include "Terminal.h"

namespace TSCoreCli
{
    using json = nlohmann::ordered_json;
    using TSCore::HapticGlove;
    using TSCore::ServiceReader;

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

        /// The levels of the glove's command per finger (null without a channel or when not
        /// known), and whether each finger is held.
        void Force(const std::optional<std::vector<int>>& force, json& levels, json& held)
        {
            levels = json::array();
            held = json::array();
            for (std::size_t f = 0; f < static_cast<std::size_t>(TSCore::fingerCount); ++f)
            {
                const bool known = force && f < force->size();
                levels.push_back(known ? json((*force)[f]) : json(nullptr));
                held.push_back(known && (*force)[f] > 0);
            }
        }
    }

    ViewFrames::ViewFrames(const GloveOptions& options_, std::optional<TSCore::HandProfile> profile)
        : options(options_), userProfile(std::move(profile)), choice(options_, true)
    {
    }

    const ViewFrames::Glove* ViewFrames::Find(const std::string& key) const
    {
        for (const Glove& g : gloves)
            if (g.glove->GetDeviceKey() == key)
                return &g;
        return nullptr;
    }

    bool ViewFrames::StillListed(const Glove& glove)
    {
        reader.Refresh();
        return PositionOf(reader, *glove.glove) != ServiceReader::npos;
    }

    json ViewFrames::GloveJson(Glove& g, double now, ViewRobot* robot)
    {
        const GloveState state = ReadGlove(reader, g.glove, g.profile, pose);
        const std::size_t at = PositionOf(reader, *g.glove);
        if (at != ServiceReader::npos)
        {
            g.pps = reader.Info(at).packetsPerSecond;
            g.index = GloveNumber(reader, at);
        }
        // A stopped service's command entries say nothing about the glove now.
        if (!state.announced || state.service.condition == ServiceCondition::Stopped)
            g.force.reset();
        else if (now - g.forceRead >= heldSeconds)
        {
            g.force = HapticCommand(g.glove).Force();
            g.forceRead = now;
        }
        json flexion, fingers, levels, held;
        Fingers(pose, state, flexion, fingers);
        Force(g.force, levels, held);
        const TSCoreLink::GloveChannels channels = TSCoreLink::ChannelsOf(g.glove->GetDeviceType());
        const auto& q = state.orientation;
        json out = {{"key", g.glove->GetDeviceKey()},
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
                    {"orientation",
                     q ? json{Rounded(q->x, 4), Rounded(q->y, 4), Rounded(q->z, 4), Rounded(q->w, 4)} : json(nullptr)},
                    {"flexion", flexion},
                    {"fingers", fingers},
                    {"forceFeedback", levels},
                    {"held", held},
                    {"channels", {{"ffb", channels.ffb}, {"buzz", channels.buzz}}}};
        if (robot != nullptr)
            out["robot"] = robot->Follow(pose, state, now);
        return out;
    }

    std::string ViewFrames::Tick(double now)
    {
        reader.Update();
        if (choice.Follow(reader))
            Discover();
        const ServiceStatus service = ServiceStatus::Of(reader);
        json list = json::array();
        std::vector<ViewRobot*> waiting;
        for (const auto& robot : robots)
            waiting.push_back(robot.get());
        for (Glove& g : gloves)
        {
            const auto robot = std::find_if(waiting.begin(), waiting.end(),
                                            [&](const ViewRobot* r)
                                            { return r != nullptr && r->FollowsRight() == g.glove->IsRight(); });
            list.push_back(GloveJson(g, now, robot != waiting.end() ? *robot : nullptr));
            if (robot != waiting.end())
                *robot = nullptr;
        }
        json body = {{"service", {{"state", service.Name()}, {"describe", service.Describe()}}},
                     {"notice", choice.Waiting()},
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

    void ViewFrames::Discover()
    {
        std::vector<Glove> next;
        for (const auto& glove : choice.Chosen())
        {
            const Glove* known = Find(glove->GetDeviceKey());
            next.push_back(known != nullptr && known->glove == glove
                               ? *known
                               : Describe(glove, GloveNumber(reader, PositionOf(reader, *glove))));
        }
        gloves = std::move(next);
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
