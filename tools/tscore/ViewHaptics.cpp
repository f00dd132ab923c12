#include "ViewHaptics.h"

#include <algorithm>
#include <exception>

#include <TSCore/Haptics/TS_BuzzCmd.h>
#include <TSCore/Haptics/TS_FFBCmd.h>

#include "GloveFacts.h"

namespace TSCoreCli
{
    using json = nlohmann::ordered_json;

    namespace
    {
        constexpr int maxLevel = 100;
        constexpr int minPulseMs = 10;
        constexpr int maxPulseMs = 5000;
        constexpr std::size_t maxKeyLength = 64;

        std::string Answer(bool ok, const std::string& message, bool refused = false)
        {
            return json{{"type", "reply"}, {"ok", ok}, {"refused", refused}, {"message", message}}.dump(
                -1, ' ', false, json::error_handler_t::replace);
        }

        /// A whole number from low to high in field name of message; false when absent or not one.
        bool WholeField(const json& message, const char* name, int low, int high, int& out)
        {
            const auto it = message.find(name);
            if (it == message.end() || !it->is_number_integer())
                return false;
            const auto value = it->get<long long>();
            if (value < low || value > high)
                return false;
            out = static_cast<int>(value);
            return true;
        }

        /// Five whole numbers 0-100 in field name; "" when absent, "bad" when not five such numbers.
        std::string LevelList(const json& message, const char* name, std::array<int, 5>& out)
        {
            const auto it = message.find(name);
            if (it == message.end())
                return "";
            if (!it->is_array() || it->size() != out.size())
                return "bad";
            for (std::size_t i = 0; i < out.size(); ++i)
            {
                const json& level = (*it)[i];
                if (!level.is_number_integer() || level.get<long long>() < 0 || level.get<long long>() > maxLevel)
                    return "bad";
                out[i] = static_cast<int>(level.get<long long>());
            }
            return "ok";
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
        const json message = json::parse(text, nullptr, false);
        if (message.is_discarded() || !message.is_object() || !message.contains("type") || !message["type"].is_string())
            return Answer(false, "not understood: a message is a JSON object with a \"type\"");
        const std::string type = message["type"].get<std::string>();
        if (type != "levels" && type != "pulse" && type != "stop")
            return Answer(false, "unknown message type (levels, pulse and stop are known)");
        if (!allowed)
            return Answer(false, "haptics are off: start tscore view with --allow-haptics to send them", true);
        try
        {
            if (type == "stop")
                return Stop(message, frames);
            const auto key = message.find("key");
            if (key == message.end() || !key->is_string() || key->get_ref<const std::string&>().size() > maxKeyLength)
                return Answer(false, "the message names no glove (\"key\": \"device0\")");
            const ViewFrames::Glove* glove = frames.Find(key->get<std::string>());
            if (glove == nullptr)
                return Answer(false, "no glove " + key->get<std::string>() + " is shown here");
            return type == "levels" ? SetLevels(message, *glove, now) : Pulse(message, *glove, now);
        }
        catch (const std::exception& e)
        {
            // The checks above leave nothing to throw; a page must never end the server all the same.
            return Answer(false, std::string("not understood: ") + e.what());
        }
    }

    std::string ViewHaptics::SetLevels(const json& message, const ViewFrames::Glove& glove, double now)
    {
        const auto known = driven.find(glove.glove->GetDeviceKey());
        Driven next = known != driven.end() && known->second.identity == Identity(glove) ? known->second
                                                                                         : Driven{Identity(glove)};
        const std::string ffb = LevelList(message, "ffb", next.ffb);
        const std::string buzz = LevelList(message, "buzz", next.buzz);
        if (ffb == "bad" || buzz == "bad" || (ffb.empty() && buzz.empty()))
            return Answer(false, "levels are \"ffb\" and/or \"buzz\": five whole numbers from 0 to 100, thumb first");
        Driven& d = Of(glove);
        d = next;
        if (!Send(glove, d, now))
            return Answer(false, "the command could not be written for " + glove.id);
        return Answer(true, glove.kind + " " + glove.id + " receives ffb " + Join(d.ffb, Channels(glove, "ffb")) +
                                "  buzz " + Join(d.buzz, Channels(glove, "buzz")));
    }

    std::string ViewHaptics::Pulse(const json& message, const ViewFrames::Glove& glove, double now)
    {
        int finger = 0, level = 0, ms = 0;
        if (!WholeField(message, "finger", 0, 4, finger) || !WholeField(message, "level", 1, maxLevel, level) ||
            !WholeField(message, "ms", minPulseMs, maxPulseMs, ms))
            return Answer(false, "a pulse has \"finger\" 0-4 (thumb first), \"level\" 1-100 and \"ms\" " +
                                     std::to_string(minPulseMs) + "-" + std::to_string(maxPulseMs));
        if (finger >= Channels(glove, "buzz"))
            return Answer(false, "a " + glove.kind + " glove vibrates on the thumb and index finger only");
        Driven& d = Of(glove);
        const auto f = static_cast<std::size_t>(finger);
        d.pulseLevel[f] = level;
        d.pulseUntil[f] = now + ms / 1000.0;
        if (!Send(glove, d, now))
            return Answer(false, "the command could not be written for " + glove.id);
        return Answer(true, glove.kind + " " + glove.id + " pulses finger " + std::to_string(finger) + " at " +
                                std::to_string(level) + " for " + std::to_string(ms) + " ms");
    }

    std::string ViewHaptics::Stop(const json& message, const ViewFrames& frames)
    {
        const auto key = message.find("key");
        if (key == message.end())
        {
            StopAll(frames);
            return Answer(true, "stopped every glove");
        }
        if (!key->is_string() || frames.Find(key->get<std::string>()) == nullptr)
            return Answer(false, "no such glove is shown here");
        const ViewFrames::Glove& glove = *frames.Find(key->get<std::string>());
        glove.glove->StopHaptics();
        driven.erase(key->get<std::string>());
        return Answer(true, "stopped " + glove.id);
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
