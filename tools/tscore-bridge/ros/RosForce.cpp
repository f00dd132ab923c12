#include "RosForce.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include <TSCore/Haptics/TS_BuzzCmd.h>
#include <TSCore/Haptics/TS_FFBCmd.h>
#include <TSCore/TS/Tessara.h>

#include "Console.h"
#include "GloveFacts.h"

namespace TSCoreBridge
{
    namespace
    {
        // ROS 2's default QoS profile.
        constexpr Dds::Qos rosQos = Dds::Qos::Reliable(10);
        constexpr const char* kindNames[] = {"force_feedback", "vibration", "effort"};

        // The channels of the glove's family (as tscore haptics takes them); all five digits
        // while there is no glove.
        std::size_t Channels(TSCore::HapticGlove* glove, bool vibration)
        {
            if (glove == nullptr)
                return HapticInput::digits;
            const TSCoreLink::GloveChannels channels = TSCoreLink::ChannelsOf(glove->GetDeviceType());
            return vibration ? channels.buzz : channels.ffb;
        }

        int Percent(float level) { return static_cast<int>(std::lround(std::clamp(level, 0.0f, 1.0f) * 100.0f)); }

        std::string EffortTopic(const std::string& topic)
        {
            return "rt" + (topic.front() == '/' ? topic : "/" + topic);
        }
    }

    RosForce::Side::Side(const Dds::Participant& participant, const Dds::Subscriber& subscriber,
                         const std::string& prefix, std::optional<EffortSource> effortSource)
        : forceTopic(participant, prefix + "/force_feedback"), vibrationTopic(participant, prefix + "/vibration"),
          force(subscriber, forceTopic, rosQos), vibration(subscriber, vibrationTopic, rosQos),
          effortSource(std::move(effortSource)), prefix(prefix)
    {
        if (!this->effortSource)
            return;
        effortTopic.emplace(participant, EffortTopic(this->effortSource->topic));
        effort.emplace(subscriber, *effortTopic, rosQos);
    }

    RosForce::RosForce(const Dds::Participant& participant, const std::string& name, HapticsGate& gate,
                       std::array<std::optional<EffortSource>, 2> efforts)
        : gate(gate), subscriber(participant, "")
    {
        sides[0] = std::make_unique<Side>(participant, subscriber, "rt/" + name + "/right", std::move(efforts[0]));
        sides[1] = std::make_unique<Side>(participant, subscriber, "rt/" + name + "/left", std::move(efforts[1]));
    }

    std::string RosForce::Topics() const
    {
        std::string list;
        for (const auto& side : sides)
        {
            list += (list.empty() ? "" : ", ") + side->forceTopic.Name() + ", " + side->vibrationTopic.Name();
            if (side->effortTopic)
                list += ", " + side->effortTopic->Name() + " (efforts)";
        }
        return list;
    }

    void RosForce::SetGlove(bool right, std::int64_t index, std::shared_ptr<TSCore::HapticGlove> glove)
    {
        Side& side = *sides[right ? 0 : 1];
        if (index != side.gloveIndex)
            side.written.reset();
        side.gloveIndex = glove ? index : -1;
        side.glove = std::move(glove);
    }

    void RosForce::Take(Clock::time_point now)
    {
        for (const bool right : {true, false})
        {
            Side& side = *sides[right ? 0 : 1];
            for (const Kind kind : {Force, Vibration})
            {
                auto& reader = kind == Force ? side.force : side.vibration;
                reader.Take(
                    [&](const std_msgs_msg_dds__Float32MultiArray_& sample, std::uint64_t)
                    {
                        bool dropped = false;
                        const auto verdict = HapticInput::CheckLevels(
                            sample.data._buffer, sample.data._length, sample.layout.data_offset,
                            Channels(side.glove.get(), kind == Vibration), side.levels[kind], dropped);
                        OnLevels(side, right, kind, verdict, dropped, now);
                    });
            }
            if (!side.effort)
                continue;
            side.effort->Take(
                [&](const sensor_msgs_msg_dds__JointState_& sample, std::uint64_t)
                {
                    auto& levels = side.levels[Effort];
                    const auto verdict =
                        HapticInput::EffortLevels(sample.name._buffer, sample.name._length, sample.effort._buffer,
                                                  sample.effort._length, side.effortSource->digits, levels);
                    bool dropped = false;
                    for (std::size_t d = Channels(side.glove.get(), false); d < levels.size(); ++d)
                    {
                        dropped = dropped || levels[d] != 0.0f;
                        levels[d] = 0.0f;
                    }
                    OnLevels(side, right, Effort, verdict, dropped, now);
                });
        }
    }

    void RosForce::OnLevels(Side& side, bool right, Kind kind, HapticInput::Verdict verdict, bool dropped,
                            Clock::time_point now)
    {
        if (verdict != HapticInput::Verdict::Ok || side.gloveIndex < 0)
        {
            ++stats.dropped;
            Warn(side, kind,
                 verdict != HapticInput::Verdict::Ok
                     ? std::string("dropped a sample: ") + HapticInput::VerdictName(verdict)
                     : "dropped a sample: no connected glove of that side");
            return;
        }
        if (dropped)
            Warn(side, kind,
                 "a Kelvo glove has no channel for some of the levels given (force on thumb to ring, "
                 "vibration on thumb and index): they are not sent");
        const auto command = Compose(side, right, kind, now);
        const auto index = static_cast<std::uint32_t>(side.gloveIndex);
        switch (gate.Drive(Source(right, kind, side.gloveIndex), index, now, [&] { return Send(side, command); }))
        {
        case HapticsGate::Outcome::Written:
            ++stats.applied;
            side.drove[kind] = side.gloveIndex;
            break;
        case HapticsGate::Outcome::NotAccepted:
            ++stats.notAccepted;
            Warn(side, kind, "dropped: this bridge runs without --accept-haptics (later samples are dropped too)");
            break;
        case HapticsGate::Outcome::Refused:
            ++stats.refused;
            break;
        }
    }

    // Five force levels, then five vibration levels, in percent, from the kinds that drive the
    // side's glove now.
    std::array<int, 10> RosForce::Compose(const Side& side, bool right, std::optional<Kind> current,
                                          Clock::time_point now) const
    {
        const auto live = [&](Kind kind)
        {
            return kind == current ||
                   (side.drove[kind] == side.gloveIndex && gate.Live(Source(right, kind, side.gloveIndex), now));
        };
        std::array<int, 10> command{};
        for (std::size_t d = 0; d < HapticInput::digits; ++d)
        {
            const float force =
                std::max(live(Force) ? side.levels[Force][d] : 0.0f, live(Effort) ? side.levels[Effort][d] : 0.0f);
            command[d] = Percent(force);
            command[HapticInput::digits + d] = live(Vibration) ? Percent(side.levels[Vibration][d]) : 0;
        }
        return command;
    }

    bool RosForce::Send(Side& side, const std::array<int, 10>& command)
    {
        if (!side.glove)
            return false;
        if (side.written == command)
            return true; // the glove holds it: the sample only says the topic is alive
        const TSCore::Haptics::TS_FFBCmd ffb(command[0], command[1], command[2], command[3], command[4]);
        const TSCore::Haptics::TS_BuzzCmd buzz(command[5], command[6], command[7], command[8], command[9]);
        bool sent = true;
        if (auto* tessara = dynamic_cast<TSCore::TS::Tessara*>(side.glove.get()))
            sent = tessara->SendHaptics(ffb, buzz, TSCore::Haptics::TS_ThumperCmd::None);
        else
            side.glove->SendHaptics(ffb, buzz); // a Kelvo's send does not tell whether it was written
        if (sent)
            side.written = command;
        return sent;
    }

    void RosForce::Forget(std::uint32_t index)
    {
        for (auto& side : sides)
            if (side->gloveIndex == static_cast<std::int64_t>(index))
                side->written.reset();
    }

    bool RosForce::Rewrite(std::uint32_t index, Clock::time_point now)
    {
        bool drives = false;
        for (const bool right : {true, false})
        {
            Side& side = *sides[right ? 0 : 1];
            if (side.gloveIndex != static_cast<std::int64_t>(index))
                continue;
            bool live = false;
            for (const Kind kind : {Force, Vibration, Effort})
                live = live ||
                       (side.drove[kind] == side.gloveIndex && gate.Live(Source(right, kind, side.gloveIndex), now));
            if (live && Send(side, Compose(side, right, std::nullopt, now)))
                drives = true;
        }
        return drives;
    }

    std::uint64_t RosForce::Source(bool right, Kind kind, std::int64_t index) const
    {
        const auto side = static_cast<std::uint32_t>(right ? 0 : 1);
        return HapticsGate::LocalSource(((side * kinds + kind) << 9) | static_cast<std::uint32_t>(index & 0x1ff));
    }

    void RosForce::Warn(Side& side, Kind kind, const std::string& message)
    {
        if (side.warned[kind])
            return;
        side.warned[kind] = true;
        ToolCommon::Note((kind == Effort ? side.effortTopic->Name() : side.prefix + "/" + kindNames[kind]) + ": " +
                         message);
    }
}
