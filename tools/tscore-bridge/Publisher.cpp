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
        std::cout << "ready" << std::endl;

        const auto period =
            std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / options.rate));
        auto next = Clock::now();
        auto nextRefresh = next;
        auto nextStats = next + statsInterval;
        bool wasRunning = true;
        while (!StopRequested())
        {
            const auto now = Clock::now();
            if (now >= nextRefresh)
            {
                Refresh();
                nextRefresh = now + Protocol::serviceHeartbeat;
                if (service.Running() != wasRunning)
                    Note(service.Running()
                             ? "the connection service runs, " + std::to_string(service.Devices().size()) + " device(s)"
                             : "the connection service is not running; waiting for it");
                wasRunning = service.Running();
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
        heartbeat.Write(tscore_bridge_Service{service.Running(), service.Count(), true});
        std::cout << StatsLine() << std::endl;
        return exitOk;
    }

    void Publisher::Refresh()
    {
        service.Refresh();
        PublishRecords();
        // After the records, so that a mirror has them when it announces the count.
        heartbeat.Write(tscore_bridge_Service{service.Running(), service.Count(), false});
        if (ros)
            UpdateRosGloves();
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
            if (!service.Running())
                ros->OnNoGlove(right, RosTopics::Stale, "the connection service is not running");
            else if (glove == nullptr)
                ros->OnNoGlove(right, RosTopics::Error,
                               std::string("no connected ") + (right ? "right" : "left") + " glove");
            if (index != current && glove != nullptr && glove->textRead)
                ros->OnText(*glove->glove, glove->text, std::chrono::system_clock::now());
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
            if (ros && (index == rosGlove[0] || index == rosGlove[1]))
                ros->OnText(*device.glove, device.text, std::chrono::system_clock::now());
        }
    }

    void Publisher::PublishText(const LocalService::Device& device)
    {
        if (!CopyBounded(device.text, sensorSample.text))
        {
            ++stats.oversized;
            if (!warnedOversized)
                Note("a sensor text of " + device.device->GetDeviceKey() + " is longer than " +
                     std::to_string(Protocol::maxText) + " bytes and is not sent (nor are later ones)");
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
        return device != nullptr && !bytes.empty() &&
               TSCore::DeviceList::SendHaptics(device->device->GetDeviceKey(), bytes);
    }

    void Publisher::StopGlove(std::uint32_t index)
    {
        LocalService::Device* device = service.Find(index);
        if (device == nullptr || device->glove == nullptr)
            return;
        device->glove->StopHaptics();
        ++stats.stops;
        Note("stopped the haptics of " + device->device->GetDeviceKey() + ": no mirror that drove it is left");
    }

    std::string Publisher::StatsLine() const
    {
        return "stats texts=" + std::to_string(stats.texts) + " oversized=" + std::to_string(stats.oversized) +
               " commands=" + std::to_string(stats.commands) + " not-accepted=" + std::to_string(stats.notAccepted) +
               " refused=" + std::to_string(stats.refused) + " stops=" + std::to_string(stats.stops);
    }
}
