#include "Publisher.h"

#include <iostream>
#include <thread>
#include <utility>

#include <TSCore/Devices/DeviceList.h>

#include "Bounded.h"
#include "Console.h"
#include "StopSignal.h"

namespace TSCoreBridge
{
    Publisher::Publisher(PublishOptions options)
        : options(std::move(options)), session(this->options.domain, this->options.partition),
          devices(session.publisher, session.topics.device, Protocol::deviceQos),
          sensors(session.publisher, session.topics.sensor, Protocol::sensorQos),
          heartbeat(session.publisher, session.topics.service, Protocol::heartbeatQos),
          state(session.topics.publisherState
                    ? Dds::IfAllowed<Dds::Writer<tscore_bridge_PublisherState>>(
                          session.publisher, *session.topics.publisherState, Protocol::heartbeatQos)
                    : std::nullopt),
          commands(session.subscriber, session.topics.command, Protocol::commandQos),
          mirrors(session.subscriber, session.topics.mirror, Protocol::heartbeatQos),
          gate(
              this->options.acceptHaptics, Protocol::mirrorTimeout,
              [this](std::uint32_t index, const std::string& bytes) { return WriteCommand(index, bytes); },
              [this](std::uint32_t index) { StopGlove(index); })
    {
        if (this->options.ros)
            ros.emplace(session.participant, this->options.rosName, this->options.profiles);
    }

    int Publisher::Run()
    {
        Note("publishing on DDS domain " + std::to_string(options.domain) + ", partition \"" + options.partition +
             "\"" + (ros ? ", ROS 2 topics under rt/" + options.rosName + "/" : std::string()));
        if (!options.acceptHaptics)
            Note("haptic commands from mirrors are dropped (--accept-haptics lets them drive the gloves)");
        if (!state)
            Note(std::string("DDS Security's permissions do not grant the topic ") + Protocol::publisherStateTopic +
                 " (made by an earlier make-security.sh): mirrors cannot tell whether haptic commands are accepted "
                 "nor how old the service's time stamp is. Make them anew");
        std::cout << "ready" << std::endl;

        const auto period =
            std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / options.rate));
        auto next = Clock::now();
        auto nextRefresh = next;
        auto nextStats = next + statsInterval;
        while (!StopRequested())
        {
            const auto now = Clock::now();
            if (now >= nextRefresh)
            {
                Refresh();
                nextRefresh = now + Protocol::serviceHeartbeat;
            }
            PollTexts();
            TakeMirrors(now);
            if (ros)
                ros->Tick(now);
            if (options.verbose && now >= nextStats)
            {
                Note(StatsLine());
                nextStats = now + statsInterval;
            }
            next += period;
            if (next < now)
                next = now + period; // fell behind: skip polls rather than burst
            std::this_thread::sleep_until(next);
        }

        gate.StopAll();
        heartbeat.Write(
            tscore_bridge_Service{service.State() == LocalService::Condition::Running, service.Count(), true});
        std::cout << StatsLine() << std::endl;
        return exitOk;
    }

    void Publisher::Refresh()
    {
        service.Refresh();
        NoteCondition();
        PublishRecords();
        PublishState();
        // After the records, so that a mirror has them when it announces the count.
        heartbeat.Write(
            tscore_bridge_Service{service.State() == LocalService::Condition::Running, service.Count(), false});
        if (ros)
            UpdateRosGloves();
    }

    void Publisher::NoteCondition()
    {
        const LocalService::Condition now = service.State();
        if (condition == now)
            return;
        if (now == LocalService::Condition::Running)
            Note("the connection service runs, " + std::to_string(service.Count()) + " device(s)");
        else if (now == LocalService::Condition::Stale)
            Note("the connection service is not updating its time stamp (" + std::to_string(*service.StampAge()) +
                 " s old); mirrors say so too");
        else
            Note("the connection service is not running; waiting for it");
        condition = now;
    }

    void Publisher::PublishState()
    {
        if (!state)
            return;
        releaseSamples.clear();
        for (const auto& [index, count] : releases)
            releaseSamples.push_back(tscore_bridge_Release{index, count});
        tscore_bridge_PublisherState sample{};
        sample.acceptsHaptics = options.acceptHaptics;
        sample.stamped = service.StampAge().has_value();
        sample.stampAge = service.StampAge().value_or(0);
        const auto released = static_cast<std::uint32_t>(releaseSamples.size());
        sample.releases = {released, released, releaseSamples.data(), false};
        state->Write(sample);
        stateChanged = false;
    }

    void Publisher::PublishRecords()
    {
        for (const auto& device : service.Devices())
        {
            if (!device.recordChanged)
                continue;
            deviceSample.index = device.index;
            if (CopyBounded(device.record, deviceSample.record))
                devices.Write(deviceSample);
            else
                ++stats.oversized;
        }
    }

    void Publisher::UpdateRosGloves()
    {
        for (const bool right : {true, false})
        {
            LocalService::Device* glove = service.GloveFor(right);
            std::int64_t& current = rosGlove[right ? 0 : 1];
            const std::int64_t index = glove != nullptr ? static_cast<std::int64_t>(glove->index) : -1;
            const LocalService::Condition condition = service.State();
            if (condition == LocalService::Condition::Stopped)
                ros->OnNoGlove(right, RosTopics::Stale, "the connection service is not running");
            else if (condition == LocalService::Condition::Stale)
                ros->OnNoGlove(right, RosTopics::Stale, "the connection service is not updating its time stamp");
            else if (glove == nullptr)
                ros->OnNoGlove(right, RosTopics::Error,
                               std::string("no connected ") + (right ? "right" : "left") + " glove");
            if (index != current && glove != nullptr && glove->textRead)
                ros->OnText(*glove->glove, glove->text, glove->textSeen);
            current = index;
        }
    }

    void Publisher::PollTexts()
    {
        for (auto& device : service.Devices())
        {
            if (!service.ReadText(device))
                continue;
            PublishText(device);
            const auto index = static_cast<std::int64_t>(device.index);
            if (ros && device.glove != nullptr && (index == rosGlove[0] || index == rosGlove[1]))
                ros->OnText(*device.glove, device.text, device.textSeen);
        }
    }

    void Publisher::PublishText(const LocalService::Device& device)
    {
        if (!CopyBounded(device.text, sensorSample.text))
        {
            ++stats.oversized;
            if (!warnedOversized)
                Note("a sensor text of " + device.key + " is longer than " + std::to_string(Protocol::maxText) +
                     " bytes and is not sent (nor are later ones)");
            warnedOversized = true;
            return;
        }
        sensorSample.index = device.index;
        sensorSample.seq = ++sequence;
        if (sensors.Write(sensorSample))
            ++stats.texts;
    }

    void Publisher::TakeMirrors(Clock::time_point now)
    {
        mirrors.Take(
            [&](const tscore_bridge_Mirror& sample, std::uint64_t mirror)
            {
                if (mirror != 0)
                    gate.OnHeartbeat(mirror, sample.leaving, now);
            });
        commands.Take([&](const tscore_bridge_Command& sample, std::uint64_t mirror)
                      { OnCommand(sample, mirror, now); });
        gate.Expire(now);
        if (stateChanged)
            PublishState(); // at once, so that the mirrors send their commands again
    }

    void Publisher::OnCommand(const tscore_bridge_Command& command, std::uint64_t mirror, Clock::time_point now)
    {
        if (mirror == 0)
        {
            ++stats.refused; // its writer is gone already
            return;
        }
        const std::string bytes = FromBounded(command.bytes);
        switch (gate.OnCommand(mirror, command.index, bytes, now))
        {
        case HapticsGate::Outcome::Written:
            ++stats.commands;
            break;
        case HapticsGate::Outcome::NotAccepted:
            ++stats.notAccepted;
            if (!warnedNotAccepted)
                Note("dropped a haptic command from a mirror: this bridge runs without --accept-haptics "
                     "(later ones are dropped too and counted)");
            warnedNotAccepted = true;
            break;
        case HapticsGate::Outcome::Refused:
            ++stats.refused;
            break;
        }
    }

    bool Publisher::WriteCommand(std::uint32_t index, const std::string& bytes)
    {
        const LocalService::Device* device = service.Find(index);
        return device != nullptr && !bytes.empty() && TSCore::DeviceList::SendHaptics(device->key, bytes);
    }

    void Publisher::StopGlove(std::uint32_t index)
    {
        LocalService::Device* device = service.Find(index);
        if (device == nullptr || device->glove == nullptr)
            return;
        device->glove->StopHaptics();
        ++stats.stops;
        ++releases[index];
        stateChanged = true;
        Note("stopped the haptics of " + device->key + ": no mirror that drove it is left");
    }

    std::string Publisher::StatsLine() const
    {
        return "stats texts=" + std::to_string(stats.texts) + " oversized=" + std::to_string(stats.oversized) +
               " commands=" + std::to_string(stats.commands) + " not-accepted=" + std::to_string(stats.notAccepted) +
               " refused=" + std::to_string(stats.refused) + " stops=" + std::to_string(stats.stops);
    }
}
