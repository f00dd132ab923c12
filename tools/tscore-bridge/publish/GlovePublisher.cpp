#include "GlovePublisher.h"

#include <iostream>
#include <utility>

#include <TSCore/Devices/DeviceList.h>

#include "Bounded.h"
#include "Console.h"
#include "ExitCode.h"
#include "StopSignal.h"
#include "Ticker.h"

namespace TSCoreBridge
{
    using ToolCommon::Note;

    GlovePublisher::GlovePublisher(PublishOptions options)
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
              [this](std::uint32_t index) { StopGlove(index); }, [this](std::uint32_t index) { OnLost(index); })
    {
        if (!this->options.ros)
            return;
        ros.emplace(session.participant, this->options.rosName, this->options.profiles);
        std::array<std::optional<RosForce::EffortSource>, 2> efforts;
        for (std::size_t side = 0; side < 2; ++side)
        {
            RobotTopics* robot = this->options.robots[side].get();
            if (robot == nullptr)
                continue;
            robot->Open(session.participant, this->options.rosName, side == 0);
            ros->SetRobot(side == 0, robot);
            efforts[side] = robot->Effort();
        }
        rosForce.emplace(session.participant, this->options.rosName, gate, std::move(efforts));
    }

    int GlovePublisher::Run()
    {
        Note("publishing on DDS domain " + std::to_string(options.domain) + ", partition \"" + options.partition +
             "\"" + (ros ? ", ROS 2 topics under rt/" + options.rosName + "/" : std::string()));
        if (rosForce)
            Note("force feedback and vibration from ROS 2 on " + rosForce->Topics());
        if (!options.acceptHaptics)
            Note("haptic commands from mirrors and ROS 2 are dropped (--accept-haptics lets them drive the gloves)");
        if (!state)
            Note(std::string("DDS Security's permissions do not grant the topic ") + Protocol::publisherStateTopic +
                 " (made by an earlier make-security.sh): mirrors cannot tell whether haptic commands are accepted "
                 "nor how old the service's time stamp is. Make them anew");
        std::cout << "ready" << std::endl;

        ToolCommon::Ticker polls = ToolCommon::Ticker::PerSecond(options.rate);
        auto nextAnnounce = polls.Next();
        ToolCommon::Ticker stats(statsInterval, nextAnnounce + statsInterval);
        while (!ToolCommon::StopRequested())
        {
            const auto now = Clock::now();
            // A changed list goes out at once; the records' other fields and the state with the heartbeat.
            if (service.Update() || now >= nextAnnounce)
            {
                Announce();
                nextAnnounce = now + Protocol::serviceHeartbeat;
            }
            PollTexts();
            TakeMirrors(now);
            if (ros)
                ros->Tick(now);
            if (options.verbose && stats.Due(now))
            {
                Note(StatsLine());
                stats.Advance(now);
            }
            polls.Wait();
        }

        gate.StopAll();
        PublishHeartbeat(true);
        std::cout << StatsLine() << std::endl;
        return ToolCommon::ExitCodes::exitOk;
    }

    void GlovePublisher::Announce()
    {
        NoteCondition();
        PublishRecords();
        PublishState();
        // After the records, so that a mirror has them when it announces the count.
        PublishHeartbeat(false);
        if (ros)
            UpdateRosGloves();
    }

    void GlovePublisher::PublishHeartbeat(bool leaving)
    {
        heartbeat.Write(tscore_bridge_Service{service.Condition() == LocalService::State::Running,
                                              static_cast<std::uint32_t>(published.size()), leaving});
    }

    void GlovePublisher::NoteCondition()
    {
        const LocalService::State now = service.Condition();
        if (condition == now)
            return;
        if (now == LocalService::State::Running)
            Note("the connection service runs, " + std::to_string(service.Devices()) + " device(s)");
        else if (now == LocalService::State::Stale)
            Note("the connection service is not updating its time stamp (" +
                 std::to_string(service.StampAge().value_or(0)) + " s old); mirrors say so too");
        else
            Note("the connection service is not running; waiting for it");
        condition = now;
    }

    void GlovePublisher::PublishState()
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

    // Every index below the count whose record changed; "" for an index where the service lists
    // no device now, so that the mirror's count keeps the devices above it.
    void GlovePublisher::PublishRecords()
    {
        const std::vector<std::string>& records = service.Records();
        for (std::uint32_t index = 0; index < records.size(); ++index)
        {
            if (index < published.size() && published[index] == records[index])
                continue;
            deviceSample.index = index;
            if (CopyBounded(records[index], deviceSample.record))
                devices.Write(deviceSample);
            else
                ++stats.oversized;
        }
        published = records;
    }

    void GlovePublisher::UpdateRosGloves()
    {
        TSCore::ServiceReader& reader = service.Reader();
        for (const bool right : {true, false})
        {
            const std::size_t glove = service.GloveFor(right);
            std::int64_t& current = rosGlove[right ? 0 : 1];
            const std::int64_t index = glove != LocalService::npos ? reader.Info(glove).deviceIndex : -1;
            const LocalService::State condition = service.Condition();
            if (condition == LocalService::State::Stopped)
                ros->OnNoGlove(right, RosTopics::Stale, "the connection service is not running");
            else if (condition == LocalService::State::Stale)
                ros->OnNoGlove(right, RosTopics::Stale, "the connection service is not updating its time stamp");
            else if (glove == LocalService::npos)
                ros->OnNoGlove(right, RosTopics::Error,
                               std::string("no connected ") + (right ? "right" : "left") + " glove");
            // A glove that stands for its side anew goes out with the text it has, at its reading time.
            const TSCore::ServiceReader::Reading reading =
                glove != LocalService::npos ? reader.LastReading(glove) : TSCore::ServiceReader::Reading();
            if (index != current && reading.sequence > 0)
                ros->OnText(*reader.Glove(glove), reader.Text(glove), reading.firstSeenWall);
            current = index;
            rosForce->SetGlove(right, index, glove != LocalService::npos ? reader.Glove(glove) : nullptr);
        }
    }

    void GlovePublisher::PollTexts()
    {
        TSCore::ServiceReader& reader = service.Reader();
        for (std::size_t i = 0; i < reader.DeviceCount(); ++i)
        {
            const TSCore::ServiceReader::Reading reading = reader.Read(i);
            if (!reading.IsNew())
                continue;
            const auto& info = reader.Info(i);
            PublishText(static_cast<std::uint32_t>(info.deviceIndex), reader.Text(i), info.deviceKey);
            const std::int64_t index = info.deviceIndex;
            if (!ros || !info.isGlove || (index != rosGlove[0] && index != rosGlove[1]))
                continue;
            const TSCore::HandPose* pose = ros->OnText(*reader.Glove(i), reader.Text(i), reading.firstSeenWall);
            RobotTopics* robot = options.robots[info.isRight ? 0 : 1].get();
            if (pose != nullptr && robot != nullptr && robot->OnPose(*pose, reading.firstSeen, reading.firstSeenWall))
                ros->PublishStatusNow(info.isRight);
        }
    }

    void GlovePublisher::PublishText(std::uint32_t index, std::string_view text, const std::string& key)
    {
        if (!CopyBounded(text, sensorSample.text))
        {
            ++stats.oversized;
            if (!warnedOversized)
                Note("a sensor text of " + key + " is longer than " + std::to_string(Protocol::maxText) +
                     " bytes and is not sent (nor are later ones)");
            warnedOversized = true;
            return;
        }
        sensorSample.index = index;
        sensorSample.seq = ++sequence;
        if (sensors.Write(sensorSample))
            ++stats.texts;
    }

    void GlovePublisher::TakeMirrors(Clock::time_point now)
    {
        mirrors.Take(
            [&](const tscore_bridge_Mirror& sample, std::uint64_t mirror)
            {
                if (mirror != 0)
                    gate.OnHeartbeat(mirror, sample.leaving, now);
            });
        commands.Take([&](const tscore_bridge_Command& sample, std::uint64_t mirror)
                      { OnCommand(sample, mirror, now); });
        if (rosForce)
            rosForce->Take(now);
        gate.Expire(now);
        if (stateChanged)
            PublishState(); // at once, so that the mirrors send their commands again
    }

    void GlovePublisher::OnCommand(const tscore_bridge_Command& command, std::uint64_t mirror, Clock::time_point now)
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

    bool GlovePublisher::WriteCommand(std::uint32_t index, const std::string& bytes)
    {
        const std::size_t at = service.Find(index);
        return at != LocalService::npos && !bytes.empty() &&
               TSCore::DeviceList::SendHaptics(service.Reader().Info(at).deviceKey, bytes);
    }

    void GlovePublisher::StopGlove(std::uint32_t index)
    {
        const std::size_t at = service.Find(index);
        const auto glove = at != LocalService::npos ? service.Reader().Glove(at) : nullptr;
        if (!glove)
            return;
        glove->StopHaptics();
        if (rosForce)
            rosForce->Forget(index);
        ++stats.stops;
        ++releases[index];
        stateChanged = true;
        Note("stopped the haptics of " + service.Reader().Info(at).deviceKey +
             ": nothing that drove it (a mirror, a ROS 2 topic) is heard of any more");
    }

    // One source of the glove fell silent, others drive it still: the ROS topics that do write
    // what they say now; otherwise the mirrors send their standing commands again.
    void GlovePublisher::OnLost(std::uint32_t index)
    {
        if (rosForce && rosForce->Rewrite(index, Clock::now()))
            return;
        ++releases[index];
        stateChanged = true;
    }

    std::string GlovePublisher::StatsLine() const
    {
        return "stats texts=" + std::to_string(stats.texts) + " oversized=" + std::to_string(stats.oversized) +
               " commands=" + std::to_string(stats.commands) + " not-accepted=" + std::to_string(stats.notAccepted) +
               " refused=" + std::to_string(stats.refused) + " stops=" + std::to_string(stats.stops) +
               " ros-haptics=" + std::to_string(rosForce ? rosForce->Counts().applied : 0) +
               " ros-dropped=" + std::to_string(rosForce ? rosForce->Counts().dropped : 0) +
               " ros-not-accepted=" + std::to_string(rosForce ? rosForce->Counts().notAccepted : 0);
    }
}
