#include "ViewHaptics.h"

#include <algorithm>

#include <nlohmann/json.hpp>

#include <TSCore/Haptics/TS_BuzzCmd.h>
#include <TSCore/Haptics/TS_FFBCmd.h>

#include "GloveFacts.h"
#include "HapticRequest.h"

namespace TSCoreCli
{
    using json = nlohmann::ordered_json;

    namespace
    {
        std::string Answer(bool ok, const std::string& message, bool refused = false)
        {
            return json{{"type", "reply"}, {"ok", ok}, {"refused", refused}, {"message", message}}.dump(
                -1, ' ', false, json::error_handler_t::replace);
        }

        std::string Join(const std::array<int, 5>& levels, int count)
        {
            std::string out;
            for (int i = 0; i < count; ++i)
                out += (i > 0 ? "," : "") + std::to_string(levels[static_cast<std::size_t>(i)]);
            return out;
        }

        int Channels(const ViewFrames::Glove& glove, const char* kind)
        {
            const TSCoreLink::GloveChannels channels = TSCoreLink::ChannelsOf(glove.glove->GetDeviceType());
            return static_cast<int>(std::string(kind) == "ffb" ? channels.ffb : channels.buzz);
        }
    }

    std::string ViewHaptics::Handle(const std::string& text, const ViewFrames& frames, double now)
    {
        const HapticRequestRead read = ReadHapticRequest(text);
        if (!read.typeKnown)
            return Answer(false, read.error);
        if (!allowed)
            return Answer(false, "haptics are off: start tscore view with --allow-haptics to send them", true);
        if (!read.request)
            return Answer(false, read.error);
        const HapticRequest& request = *read.request;
        if (request.type == HapticRequest::Type::Stop && request.key.empty())
        {
            StopAll(frames);
            return Answer(true, "stopped every glove");
        }
        const ViewFrames::Glove* glove = frames.Find(request.key);
        if (glove == nullptr)
            return Answer(false, "no glove " + request.key + " is shown here");
        switch (request.type)
        {
        case HapticRequest::Type::Levels:
            return SetLevels(request, *glove, now);
        case HapticRequest::Type::Pulse:
            return Pulse(request, *glove, now);
        case HapticRequest::Type::Stop:
            break;
        }
        glove->glove->StopHaptics();
        driven.erase(request.key);
        return Answer(true, "stopped " + glove->id);
    }

    std::string ViewHaptics::SetLevels(const HapticRequest& request, const ViewFrames::Glove& glove, double now)
    {
        // Levels are held even when this write fails: the next tick tries again.
        Driven& d = Of(glove);
        if (request.ffb)
            d.ffb = *request.ffb;
        if (request.buzz)
            d.buzz = *request.buzz;
        if (!Send(glove, d, now))
            return Answer(false, "the command could not be written for " + glove.id);
        return Answer(true, glove.kind + " " + glove.id + " receives ffb " + Join(d.ffb, Channels(glove, "ffb")) +
                                "  buzz " + Join(d.buzz, Channels(glove, "buzz")));
    }

    std::string ViewHaptics::Pulse(const HapticRequest& request, const ViewFrames::Glove& glove, double now)
    {
        if (request.finger >= Channels(glove, "buzz"))
            return Answer(false, "a " + glove.kind + " glove vibrates on the thumb and index finger only");
        Driven& d = Of(glove);
        const auto f = static_cast<std::size_t>(request.finger);
        d.pulseLevel[f] = request.level;
        d.pulseUntil[f] = now + request.ms / 1000.0;
        if (!Send(glove, d, now))
            return Answer(false, "the command could not be written for " + glove.id);
        return Answer(true, glove.kind + " " + glove.id + " pulses finger " + std::to_string(request.finger) + " at " +
                                std::to_string(request.level) + " for " + std::to_string(request.ms) + " ms");
    }

    ViewHaptics::Driven& ViewHaptics::Of(const ViewFrames::Glove& glove)
    {
        Driven& d = driven[glove.glove->GetDeviceKey()];
        if (d.identity != Identity(glove))
            d = Driven{Identity(glove)};
        return d;
    }

    void ViewHaptics::Effective(const Driven& d, double now, Levels& ffb, Levels& buzz)
    {
        ffb = d.ffb;
        buzz = d.buzz;
        for (std::size_t f = 0; f < buzz.size(); ++f)
            if (now < d.pulseUntil[f])
                buzz[f] = std::max(buzz[f], d.pulseLevel[f]);
    }

    bool ViewHaptics::Send(const ViewFrames::Glove& glove, Driven& d, double now)
    {
        Levels ffb, buzz;
        Effective(d, now, ffb, buzz);
        const TSCore::Haptics::TS_FFBCmd ffbCmd(std::vector<int>(ffb.begin(), ffb.end()));
        const TSCore::Haptics::TS_BuzzCmd buzzCmd(std::vector<int>(buzz.begin(), buzz.end()));
        glove.glove->SendHaptics(ffbCmd, buzzCmd);
        // The library reports a failed write only by keeping its last commands.
        if (!glove.glove->lastFFB.Equals(ffbCmd) || !glove.glove->lastBuzz.Equals(buzzCmd))
            return false;
        d.sentFfb = ffb;
        d.sentBuzz = buzz;
        d.sent = true;
        d.sentAt = now;
        return true;
    }

    void ViewHaptics::Tick(ViewFrames& frames, double now)
    {
        for (auto it = driven.begin(); it != driven.end();)
        {
            const ViewFrames::Glove* glove = frames.Find(it->first);
            Driven& d = it->second;
            if (glove != nullptr && Identity(*glove) != d.identity)
            {
                it = driven.erase(it); // the service announces another device under that key now
                continue;
            }
            Levels ffb, buzz;
            Effective(d, now, ffb, buzz);
            const bool any = std::any_of(ffb.begin(), ffb.end(), [](int v) { return v > 0; }) ||
                             std::any_of(buzz.begin(), buzz.end(), [](int v) { return v > 0; });
            if (glove != nullptr &&
                (ffb != d.sentFfb || buzz != d.sentBuzz || (any && now - d.sentAt >= resendSeconds)) &&
                frames.StillListed(*glove))
                Send(*glove, d, now);
            // Nothing left to hold once everything is off and written.
            it = !any && d.sent && d.sentFfb == ffb && d.sentBuzz == buzz ? driven.erase(it) : std::next(it);
        }
    }

    void ViewHaptics::StopAll(const ViewFrames& frames)
    {
        for (const auto& entry : driven)
            if (const ViewFrames::Glove* glove = frames.Find(entry.first))
                glove->glove->StopHaptics();
        driven.clear();
    }
}
