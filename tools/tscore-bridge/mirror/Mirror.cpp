#include "Mirror.h"

#include <algorithm>
#include <ctime>
#include <iostream>
#include <utility>

#include "Bounded.h"
#include "Console.h"
#include "Contract.h"
#include "DeviceKey.h"
#include "ExitCode.h"
#include "RecordText.h"
#include "StopSignal.h"

namespace TSCoreBridge
{
    using namespace ToolCommon::ExitCodes;
    using ToolCommon::Fail;
    using ToolCommon::Note;

    namespace
    {
        constexpr auto hapticsPoll = std::chrono::milliseconds(5);
        // How often the mirror checks that no other service has taken its segments over.
        constexpr auto ownerCheck = std::chrono::seconds(1);
        // A publisher not heard of for this long is forgotten, records and all.
        constexpr auto sourceExpiry = 30 * Protocol::publisherTimeout;
        // How far "scanActive" is set back when the publisher is lost: well past the age from
        // which a service counts as stopped.
        constexpr long long staleAge = 60;
        static_assert(staleAge > TSCoreLink::Contract::stoppedAfterSeconds);
        // Every record and text at its largest, twice over for the growth of each string.
        constexpr std::size_t largestTexts =
            65536 + 2 * Protocol::maxDevices * (Protocol::maxRecord + Protocol::maxText);
        using TSCoreLink::BridgeLink;
        using TSCoreLink::ServiceSegments;
    }

    Mirror::Mirror(MirrorOptions options)
        : options(std::move(options)), session(this->options.domain, this->options.partition),
          devices(session.subscriber, session.topics.device, Protocol::deviceQos),
          sensors(session.subscriber, session.topics.sensor, Protocol::sensorQos),
          services(session.subscriber, session.topics.service, Protocol::heartbeatQos),
          states(session.topics.publisherState
                     ? Dds::IfAllowed<Dds::Reader<tscore_bridge_PublisherState>>(
                           session.subscriber, *session.topics.publisherState, Protocol::heartbeatQos)
                     : std::nullopt),
          commands(session.publisher, session.topics.command, Protocol::commandQos),
          heartbeat(session.publisher, session.topics.mirror, Protocol::heartbeatQos), waitSet(session.participant),
          lastSequence(Protocol::maxDevices, 0), textWritten(Protocol::maxDevices, false)
    {
        waitSet.Attach(services);
        if (states)
            waitSet.Attach(*states);
        waitSet.Attach(devices);
        waitSet.Attach(sensors);
        securityIdentity = session.participant.SecurityIdentity();
        link.domain = this->options.domain;
        link.partition = this->options.partition;
        link.security = !securityIdentity.empty();
    }

    int Mirror::Run()
    {
        const auto claim = host.Claim(Protocol::maxDevices, largestTexts, options.takeover);
        switch (claim.outcome)
        {
        case ServiceSegments::Outcome::Busy:
            return Fail(exitSegmentsOwned, claim.message + "; stop it first, or start the mirror with --takeover");
        case ServiceSegments::Outcome::Failed:
            return Fail(exitInternal, "cannot create the shared memory: " + claim.message);
        case ServiceSegments::Outcome::Claimed:
            if (!segments.WriteCount("0"))
                return Fail(exitInternal, "cannot create the shared memory: no room for \"nDevices\"");
            if (!claim.message.empty())
                Note(claim.message);
            break;
        }
        WriteLink();
        Note("mirroring " + link.Where() + (link.security ? " (identity " + securityIdentity + ")" : "") + "; " +
             Waiting());
        if (!states)
            Note(std::string("DDS Security's permissions do not grant the topic ") + Protocol::publisherStateTopic +
                 " (made by an earlier make-security.sh): applications here cannot learn whether haptic commands "
                 "are accepted. Make them anew");
        std::cout << "ready" << std::endl;

        const auto start = Clock::now();
        schedule = {start, start, start + statsInterval, start + ownerCheck};
        while (!ToolCommon::StopRequested() && Tick(Clock::now()))
            waitSet.Wait(
                std::max(std::min(schedule.commands, schedule.heartbeat) - Clock::now(), Clock::duration::zero()));
        heartbeat.Write(tscore_bridge_Mirror{true});
        std::cout << StatsLine() << std::endl;
        return replaced ? exitSegmentsOwned : exitOk;
    }

    bool Mirror::Tick(Clock::time_point now)
    {
        if (now >= schedule.ownerCheck)
        {
            if (const auto why = host.LostOwnership())
            {
                Note(*why + "; stopping");
                replaced = true;
                return false;
            }
            schedule.ownerCheck = now + ownerCheck;
            WriteLink();
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
        if (states)
            states->Take([&](const tscore_bridge_PublisherState& s, std::uint64_t from) { OnState(s, from, now); });
        devices.Take([&](const tscore_bridge_Device& s, std::uint64_t from) { OnDevice(s, from, now); });
        sensors.Take([&](const tscore_bridge_Sensor& s, std::uint64_t from) { OnSensor(s, from, now); });
    }

    // A publisher heard of for the first time is added when there is room, after the ones not
    // heard of for sourceExpiry are forgotten; null when there is none.
    Mirror::Source* Mirror::FindOrAddSource(std::uint64_t from, Clock::time_point now)
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

    // Whether the samples of that publisher are applied. The first publisher heard of while
    // none is followed becomes the one; so does a new one while the followed one has missed a
    // few heartbeats (it was restarted, most likely). The samples of any other are dropped.
    bool Mirror::FollowOrReject(std::uint64_t from, Clock::time_point now)
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
        Source* source = FindOrAddSource(from, now);
        if (source == nullptr || !Protocol::Acceptable(sample))
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
        if (!FollowOrReject(from, now))
            return;
        ++stats.applied;
        PublishCount();
        WriteStamp(*source);
    }

    // The stamp the glove machine's service has, by its age there: applications here read the
    // same state (running, not updating, stopped) as there.
    void Mirror::WriteStamp(const Source& source)
    {
        const long long seconds = static_cast<long long>(std::time(nullptr));
        long long stamp = seconds;
        if (source.said)
            stamp = source.said->stampAge ? seconds - *source.said->stampAge : seconds - staleAge;
        else if (!source.running)
            return; // a publisher that does not say the age: the stamp ages here
        if (stamp == publishedStamp)
            return;
        CountWriteFailure(segments.WriteStamp(stamp));
        publishedStamp = stamp;
    }

    void Mirror::OnState(const tscore_bridge_PublisherState& sample, std::uint64_t from, Clock::time_point now)
    {
        Source* source = FindOrAddSource(from, now);
        if (source == nullptr || !Protocol::Acceptable(sample))
        {
            ++(source == nullptr ? stats.foreign : stats.malformed);
            return;
        }
        Said said{sample.acceptsHaptics, std::nullopt, {}};
        if (sample.stamped)
            said.stampAge = sample.stampAge;
        for (std::uint32_t i = 0; i < sample.releases._length; ++i)
            said.releases[sample.releases._buffer[i].index] = sample.releases._buffer[i].count;
        if (FollowOrReject(from, now))
        {
            ++stats.applied;
            // A glove released since: the command that stands here goes to it again.
            for (const auto& [index, count] : said.releases)
                if (source->said && source->said->releases[index] != count)
                    host.ForgetCommand(TSCoreLink::DeviceKey::Of(index));
            NoteHaptics(said);
        }
        source->said = std::move(said);
    }

    void Mirror::NoteHaptics(const Said& said)
    {
        const auto haptics = said.acceptsHaptics ? BridgeLink::Haptics::Accepted : BridgeLink::Haptics::Dropped;
        if (haptics != link.haptics)
        {
            link.haptics = haptics;
            WriteLink();
        }
        if (notedAccepts == said.acceptsHaptics)
            return;
        Note(said.acceptsHaptics ? "the publisher writes the haptic commands given here into its gloves"
                                 : "the publisher drops the haptic commands given here (it runs without "
                                   "--accept-haptics); tscore haptics here says so and fails");
        notedAccepts = said.acceptsHaptics;
    }

    void Mirror::OnDevice(const tscore_bridge_Device& sample, std::uint64_t from, Clock::time_point now)
    {
        Source* source = FindOrAddSource(from, now);
        if (source == nullptr || !Protocol::Acceptable(sample))
        {
            ++(source == nullptr ? stats.foreign : stats.malformed);
            return;
        }
        std::string record = FromBounded(sample.record);
        // Kept even from a publisher not followed now, which may become the one later.
        source->records[sample.index] = record;
        if (!FollowOrReject(from, now))
            return;
        ++stats.applied;
        if (sample.index < publishedCount)
            WriteDevice(sample.index, record);
        PublishCount();
    }

    void Mirror::OnSensor(const tscore_bridge_Sensor& sample, std::uint64_t from, Clock::time_point now)
    {
        Source* source = FindOrAddSource(from, now);
        if (source == nullptr || !Protocol::Acceptable(sample))
        {
            ++(source == nullptr ? stats.foreign : stats.malformed);
            return;
        }
        if (!FollowOrReject(from, now))
            return;
        if (sample.seq <= lastSequence[sample.index])
        {
            ++stats.outOfOrder;
            return;
        }
        lastSequence[sample.index] = sample.seq;
        ++stats.applied;
        ++stats.texts;
        CountWriteFailure(segments.WriteText(sample.index, FromBounded(sample.text)));
        textWritten[sample.index] = true;
    }

    void Mirror::Follow(std::uint64_t from)
    {
        followed = from;
        std::fill(lastSequence.begin(), lastSequence.end(), 0);
        // Whatever it had of ours is gone: the commands that stand here go to it.
        host.ForgetCommands();
        Note("following a publisher");
        const Source& source = sources[from];
        link.publisher = BridgeLink::Publisher::Heard;
        link.haptics = BridgeLink::Haptics::Unknown;
        if (source.said)
            NoteHaptics(*source.said);
        WriteLink();
        PublishCount(true);
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
        Note(why + "; its gloves read as not running until it is back; " + Waiting());
        for (std::uint32_t index = 0; index < Protocol::maxDevices; ++index)
            if (textWritten[index])
                CountWriteFailure(segments.WriteText(index, std::string()));
        std::fill(textWritten.begin(), textWritten.end(), false);
        if (publishedStamp != 0)
        {
            publishedStamp -= staleAge;
            CountWriteFailure(segments.WriteStamp(publishedStamp));
        }
        followed = 0;
        link.publisher = BridgeLink::Publisher::Lost;
        link.haptics = BridgeLink::Haptics::Unknown;
        WriteLink();
    }

    std::string Mirror::Waiting() const
    {
        return "waiting for a publisher in that domain and partition" +
               std::string(link.security ? "" : " (one that uses DDS Security is not heard without it)");
    }

    void Mirror::WriteLink()
    {
        link.time = static_cast<long long>(std::time(nullptr));
        std::string text = link.Text();
        if (text == writtenLink)
            return;
        CountWriteFailure(segments.WriteDevices(BridgeLink::object, text));
        writtenLink = std::move(text);
    }

    // Only indices with a record count, so that every device below "nDevices" can be read; a
    // device no longer counted is removed, so that a reader that still holds it reads it as not
    // connected. rewrite: the records below the count come from another publisher now.
    void Mirror::PublishCount(bool rewrite)
    {
        const auto source = sources.find(followed);
        if (source == sources.end())
            return;
        const auto& records = source->second.records;
        std::uint32_t count = 0;
        while (count < source->second.count && records.count(count) != 0)
            ++count;
        for (std::uint32_t index = rewrite ? 0 : publishedCount; index < count; ++index)
            WriteDevice(index, records.at(index));
        if (count != publishedCount)
            CountWriteFailure(segments.WriteCount(std::to_string(count)));
        for (std::uint32_t index = count; index < publishedCount; ++index)
        {
            CountWriteFailure(segments.RemoveDevice(index));
            textWritten[index] = false;
        }
        publishedCount = count;
    }

    // A device below the count that the glove machine does not list has no record here either.
    void Mirror::WriteDevice(std::uint32_t index, const std::string& record)
    {
        if (!record.empty())
        {
            CountWriteFailure(segments.WriteRecord(index, record));
            return;
        }
        segments.RemoveDevice(index);
        textWritten[index] = false;
    }

    void Mirror::ForwardCommands()
    {
        // With no publisher the commands wait here; the ones that stand go to the next one.
        if (followed == 0)
            return;
        std::vector<std::pair<std::string, std::string>> changed;
        if (!host.ChangedCommands(changed))
            return;
        for (const auto& [key, bytes] : changed)
        {
            std::uint32_t index = 0;
            if (!TSCoreLink::DeviceKey::IndexOf(key, Protocol::maxDevices, index))
                continue; // no device's entry
            commandSample.index = index;
            if (CopyBounded(bytes, commandSample.bytes) && commands.Write(commandSample))
                ++stats.commands;
        }
    }

    void Mirror::CountWriteFailure(bool written)
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
