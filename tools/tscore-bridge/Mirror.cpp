#include "Mirror.h"

#include <algorithm>
#include <ctime>
#include <iostream>
#include <utility>

#include "Bounded.h"
#include "Console.h"
#include "RecordText.h"
#include "StopSignal.h"

namespace TSCoreBridge
{
    namespace
    {
        constexpr auto hapticsPoll = std::chrono::milliseconds(5);
        // How often the mirror checks that no other service has taken its segments over.
        constexpr auto ownerCheck = std::chrono::seconds(1);
        // A publisher not heard of for this long is forgotten, records and all.
        constexpr auto sourceExpiry = 30 * Protocol::publisherTimeout;
        // How far "scanActive" is set back when the publisher is lost: past the ten seconds
        // within which a service counts as running.
        constexpr long long staleAge = 60;
    }

    Mirror::Mirror(MirrorOptions options)
        : options(std::move(options)), session(this->options.domain, this->options.partition),
          devices(session.subscriber, session.topics.device, Protocol::deviceQos),
          sensors(session.subscriber, session.topics.sensor, Protocol::sensorQos),
          services(session.subscriber, session.topics.service, Protocol::heartbeatQos),
          commands(session.publisher, session.topics.command, Protocol::commandQos),
          heartbeat(session.publisher, session.topics.mirror, Protocol::heartbeatQos), waitSet(session.participant),
          lastSequence(Protocol::maxDevices, 0), textWritten(Protocol::maxDevices, false)
    {
        waitSet.Attach(services);
        waitSet.Attach(devices);
        waitSet.Attach(sensors);
    }

    int Mirror::Run()
    {
        std::string message;
        switch (segments.Create(options.takeover, message))
        {
        case MirrorSegments::Claim::Busy:
            return Fail(exitServiceOwned, message + "; stop it first, or start the mirror with --takeover");
        case MirrorSegments::Claim::Failed:
            return Fail(exitInternal, "cannot create the shared memory: " + message);
        case MirrorSegments::Claim::Claimed:
            if (!message.empty())
                Note(message);
            break;
        }
        Note("mirroring DDS domain " + std::to_string(options.domain) + ", partition \"" + options.partition +
             "\"; waiting for a publisher");
        std::cout << "ready" << std::endl;

        const auto start = Clock::now();
        schedule = {start, start, start + statsInterval, start + ownerCheck};
        while (!StopRequested() && Tick(Clock::now()))
            waitSet.Wait(
                std::max(std::min(schedule.commands, schedule.heartbeat) - Clock::now(), Clock::duration::zero()));
        heartbeat.Write(tscore_bridge_Mirror{true});
        std::cout << StatsLine() << std::endl;
        return replaced ? exitServiceOwned : exitOk;
    }

    bool Mirror::Tick(Clock::time_point now)
    {
        if (now >= schedule.ownerCheck)
        {
            std::string why;
            if (!segments.StillOwned(why))
            {
                Note(why + "; stopping");
                replaced = true;
                return false;
            }
            schedule.ownerCheck = now + ownerCheck;
        }
        TakeSamples(now);
        CheckPublisher(now);
        if (now >= schedule.commands)
        {
            ForwardCommands();
            schedule.commands = now + hapticsPoll;
        }
        if (now >= schedule.heartbeat)
        {
            heartbeat.Write(tscore_bridge_Mirror{false});
            schedule.heartbeat = now + Protocol::mirrorHeartbeat;
        }
        if (options.verbose && now >= schedule.stats)
        {
            Note(StatsLine());
            schedule.stats = now + statsInterval;
        }
        return true;
    }

    void Mirror::TakeSamples(Clock::time_point now)
    {
        // Heartbeats first: they choose the publisher the other samples must come from.
        services.Take([&](const tscore_bridge_Service& s, std::uint64_t from) { OnService(s, from, now); });
        devices.Take([&](const tscore_bridge_Device& s, std::uint64_t from) { OnDevice(s, from, now); });
        sensors.Take([&](const tscore_bridge_Sensor& s, std::uint64_t from) { OnSensor(s, from, now); });
    }

    Mirror::Source* Mirror::SourceOf(std::uint64_t from, Clock::time_point now)
    {
        if (from == 0)
            return nullptr; // the writer is gone already
        auto known = sources.find(from);
        if (known == sources.end())
        {
            for (auto it = sources.begin(); it != sources.end() && sources.size() >= maxSources;)
                it = (it->first != followed && now - it->second.heard > sourceExpiry) ? sources.erase(it)
                                                                                      : std::next(it);
            if (sources.size() >= maxSources)
                return nullptr;
            known = sources.emplace(from, Source{}).first;
        }
        known->second.heard = now;
        return &known->second;
    }

    // The first publisher heard of while none is followed becomes the one; so does a new one
    // while the followed one has missed a few heartbeats (it was restarted, most likely).
    bool Mirror::Followed(std::uint64_t from, Clock::time_point now)
    {
        if (followed != 0 && from != followed && now - sources[followed].heard > 3 * Protocol::serviceHeartbeat)
            Lose("the publisher fell silent and another one speaks");
        if (followed == 0)
            Follow(from);
        if (from == followed)
            return true;
        ++stats.foreign;
        if (!warnedForeign)
            Note("a second publisher sends in partition \"" + options.partition +
                 "\"; its samples are dropped (give each glove machine its own partition)");
        warnedForeign = true;
        return false;
    }

    void Mirror::OnService(const tscore_bridge_Service& sample, std::uint64_t from, Clock::time_point now)
    {
        Source* source = SourceOf(from, now);
        if (source == nullptr || sample.deviceCount > Protocol::maxDevices)
        {
            ++(source == nullptr ? stats.foreign : stats.malformed);
            return;
        }
        source->running = sample.running;
        source->count = sample.deviceCount;
        if (sample.leaving)
        {
            if (from == followed)
                Lose("the publisher stopped");
            sources.erase(from);
            return;
        }
        if (!Followed(from, now))
            return;
        ++stats.applied;
        PublishCount();
        const long long seconds = static_cast<long long>(std::time(nullptr));
        if (sample.running && seconds != publishedStamp)
        {
            Count(segments.WriteStamp(seconds));
            publishedStamp = seconds;
        }
    }

    void Mirror::OnDevice(const tscore_bridge_Device& sample, std::uint64_t from, Clock::time_point now)
    {
        Source* source = SourceOf(from, now);
        std::string record = FromBounded(sample.record);
        if (source == nullptr || sample.index >= Protocol::maxDevices || !RecordText::WellFormed(record))
        {
            ++(source == nullptr ? stats.foreign : stats.malformed);
            return;
        }
        // Kept even from a publisher not followed now, which may become the one later.
        source->records[sample.index] = record;
        if (!Followed(from, now))
            return;
        ++stats.applied;
        Count(segments.WriteRecord(sample.index, record));
        PublishCount();
    }

    void Mirror::OnSensor(const tscore_bridge_Sensor& sample, std::uint64_t from, Clock::time_point now)
    {
        Source* source = SourceOf(from, now);
        if (source == nullptr || sample.index >= Protocol::maxDevices)
        {
            ++(source == nullptr ? stats.foreign : stats.malformed);
            return;
        }
        if (!Followed(from, now))
            return;
        if (sample.seq <= lastSequence[sample.index])
        {
            ++stats.outOfOrder;
            return;
        }
        lastSequence[sample.index] = sample.seq;
        ++stats.applied;
        ++stats.texts;
        Count(segments.WriteText(sample.index, FromBounded(sample.text)));
        textWritten[sample.index] = true;
    }

    void Mirror::Follow(std::uint64_t from)
    {
        followed = from;
        std::fill(lastSequence.begin(), lastSequence.end(), 0);
        publishedCount = 0;
        Note("following a publisher");
        for (const auto& [index, record] : sources[from].records)
            Count(segments.WriteRecord(index, record));
        PublishCount();
    }

    void Mirror::CheckPublisher(Clock::time_point now)
    {
        const auto source = sources.find(followed);
        if (source != sources.end() && now - source->second.heard > Protocol::publisherTimeout)
            Lose("no heartbeat from the publisher for " +
                 std::to_string(std::chrono::milliseconds(Protocol::publisherTimeout).count()) + " ms");
    }

    // Applications here must not go on reading the last texts as if the gloves were still
    // there: every text becomes empty (an incomplete reading), and "scanActive" is set past its
    // ten seconds, so that they learn now rather than up to ten seconds later that the service
    // is gone.
    void Mirror::Lose(const std::string& why)
    {
        Note(why + "; its gloves read as not running until it is back");
        for (std::uint32_t index = 0; index < Protocol::maxDevices; ++index)
            if (textWritten[index])
                Count(segments.WriteText(index, std::string()));
        std::fill(textWritten.begin(), textWritten.end(), false);
        if (publishedStamp != 0)
        {
            publishedStamp -= staleAge;
            Count(segments.WriteStamp(publishedStamp));
        }
        followed = 0;
    }

    // Only indices with a record count, so that every device below "nDevices" can be read.
    void Mirror::PublishCount()
    {
        const auto source = sources.find(followed);
        if (source == sources.end())
            return;
        std::uint32_t count = 0;
        while (count < source->second.count && source->second.records.count(count) != 0)
            ++count;
        if (count == publishedCount)
            return;
        Count(segments.WriteCount(count));
        publishedCount = count;
    }

    void Mirror::ForwardCommands()
    {
        std::vector<std::pair<std::uint32_t, std::string>> current;
        if (!segments.ReadCommands(current))
            return;
        for (auto& [index, bytes] : current)
        {
            std::string& last = lastCommands[index];
            if (last == bytes)
                continue;
            last = bytes;
            // With no publisher followed the command goes nowhere; it is not replayed later.
            commandSample.index = index;
            if (followed != 0 && CopyBounded(bytes, commandSample.bytes) && commands.Write(commandSample))
                ++stats.commands;
        }
    }

    void Mirror::Count(bool written)
    {
        if (!written)
            ++stats.writeFailures;
    }

    std::string Mirror::StatsLine() const
    {
        return "stats applied=" + std::to_string(stats.applied) + " texts=" + std::to_string(stats.texts) +
               " foreign=" + std::to_string(stats.foreign) + " malformed=" + std::to_string(stats.malformed) +
               " out-of-order=" + std::to_string(stats.outOfOrder) + " commands=" + std::to_string(stats.commands) +
               " write-failures=" + std::to_string(stats.writeFailures);
    }
}
