#include "HapticCommand.h"

#include <cctype>
#include <utility>

#include <TSCore/Haptics/TS_BuzzCmd.h>
#include <TSCore/Haptics/TS_FFBCmd.h>
#include <TSCore/Haptics/ThumperCmd.h>

#include "ServiceTexts.h"

namespace TSCoreCli
{
    using TSCore::Haptics::TS_ThumperCmd;

    namespace
    {
        struct Effect
        {
            const char* name;
            TS_ThumperCmd code;
        };
        constexpr Effect effects[] = {
            {"Tap", TS_ThumperCmd::Tap},     {"DoubleTap", TS_ThumperCmd::DoubleTap}, {"Knock", TS_ThumperCmd::Knock},
            {"Pulse", TS_ThumperCmd::Pulse}, {"LongPulse", TS_ThumperCmd::LongPulse}, {"Rumble", TS_ThumperCmd::Rumble},
            {"None", TS_ThumperCmd::None},
        };

        /// Lower case without word separators: "Double-Tap" and "doubletap" read alike.
        std::string Folded(const std::string& text)
        {
            std::string out;
            for (const char c : text)
                if (c != '-' && c != '_' && c != ' ')
                    out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            return out;
        }

        std::string List(const std::vector<int>& levels, std::size_t count)
        {
            std::string out;
            for (std::size_t i = 0; i < levels.size() && i < count; ++i)
                out += (i > 0 ? "," : "") + std::to_string(levels[i]);
            return out;
        }

        std::vector<int> First(const std::vector<int>& levels, std::size_t count)
        {
            std::vector<int> out(count, 0);
            for (std::size_t i = 0; i < count && i < levels.size(); ++i)
                out[i] = levels[i];
            return out;
        }

        std::string EffectText(int code)
        {
            if (code < 0 || code == static_cast<int>(TS_ThumperCmd::None))
                return "none";
            for (const Effect& e : effects)
                if (static_cast<int>(e.code) == code)
                    return std::string(e.name) + " (effect " + std::to_string(code) + ")";
            return "effect " + std::to_string(code);
        }
    }

    HapticCommand::HapticCommand(std::shared_ptr<TSCore::HapticGlove> glove_)
        : glove(std::move(glove_)), tessara(std::dynamic_pointer_cast<TSCore::TS::Tessara>(glove))
    {
    }

    bool HapticCommand::PlaysEffects() const
    {
        if (!tessara)
            return false;
        const TSCore::TS::TS_GloveInfo model = tessara->GetGloveModel();
        return TSCoreLink::TakesThumperByte(model.firmwareVersion, model.subFirmwareVersion);
    }

    bool HapticCommand::Current(Levels& out, std::string& why) const
    {
        why.clear();
        std::size_t size = 0;
        const auto held =
            TSCoreLink::ReadHeldCommand(glove->GetDeviceKey(), glove->GetDeviceType(), PlaysEffects(), out, &size);
        if (held == TSCoreLink::HeldCommand::OtherForm)
            why = "its command entry holds a text of another form (" + std::to_string(size) + " bytes)";
        return held == TSCoreLink::HeldCommand::Held;
    }

    std::optional<std::vector<int>> HapticCommand::Force() const
    {
        Levels levels = Off();
        std::string why;
        if (!Current(levels, why) && !why.empty())
            return std::nullopt;
        return First(levels.ffb, Channels().ffb);
    }

    HapticCommand::Levels HapticCommand::Off() const
    {
        return Levels{std::vector<int>(5, 0), std::vector<int>(5, 0), tessara ? -1 : 0};
    }

    bool HapticCommand::Send(const Levels& wanted, Levels& held) const
    {
        const TSCore::Haptics::TS_FFBCmd ffb(wanted.ffb);
        const TSCore::Haptics::TS_BuzzCmd buzz(wanted.buzz);
        Levels expected{First(wanted.ffb, Channels().ffb), First(wanted.buzz, Channels().buzz), wanted.thumper};
        if (tessara)
        {
            const auto effect = wanted.thumper < 0 ? TS_ThumperCmd::None : static_cast<TS_ThumperCmd>(wanted.thumper);
            if (!tessara->SendHaptics(ffb, buzz, effect))
                return false;
            expected.thumper = PlaysEffects() ? static_cast<int>(effect) : -1;
        }
        else
        {
            glove->SendHaptics(ffb, buzz, TSCore::Haptics::ThumperCmd(wanted.thumper));
        }
        std::string why;
        return Current(held, why) && held.ffb == expected.ffb && held.buzz == expected.buzz &&
               held.thumper == expected.thumper;
    }

    std::string HapticCommand::Describe(const Levels& levels) const
    {
        if (!tessara)
            return "ffb " + List(levels.ffb, Channels().ffb) + " (thumb to ring)  buzz " +
                   List(levels.buzz, Channels().buzz) + " (thumb, index)  thumper " + std::to_string(levels.thumper);
        return "ffb " + List(levels.ffb, Channels().ffb) + "  buzz " + List(levels.buzz, Channels().buzz) +
               "  thumper " + EffectText(levels.thumper);
    }

    std::optional<TS_ThumperCmd> HapticCommand::EffectNamed(const std::string& name)
    {
        for (const Effect& e : effects)
            if (Folded(name) == Folded(e.name))
                return e.code;
        return std::nullopt;
    }

    std::string HapticCommand::EffectNames()
    {
        std::string out;
        for (const Effect& e : effects)
            out += (out.empty() ? "" : ", ") + std::string(e.name);
        return out;
    }

    std::vector<std::size_t> HapticCommand::HeldFingers(const std::vector<int>& force)
    {
        std::vector<std::size_t> held;
        for (std::size_t f = 0; f < force.size(); ++f)
            if (force[f] > 0)
                held.push_back(f);
        return held;
    }

    int HapticCommand::LastEffectCode() { return static_cast<int>(TS_ThumperCmd::Rumble); }
}
