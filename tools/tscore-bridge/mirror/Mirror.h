#pragma once

// `tscore-bridge mirror`, on a remote machine: the connection service of that machine, fed by
// one publisher. It creates "Devices" and "Data" with the contract's objects, keeps them as
// the publisher announces, sets "scanActive" to the age that the service on the glove machine
// has, forwards the commands applications write into "Haptics", and says in "bridge" what its
// link to the glove machine lacks. Every sample from the network is checked first; what does
// not pass is dropped and counted.

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "BridgeLink.h"
#include "BridgeSession.h"
#include "ServiceHost.h"
#include "dds/Reader.h"
#include "dds/WaitSet.h"
#include "dds/Writer.h"

namespace TSCoreBridge
{
    struct MirrorOptions
    {
        std::uint32_t domain = 0;
        std::string partition = "tscore";
        bool takeover = false;
        bool verbose = false;
    };

    class Mirror
    {
    public:
        /// Joins the domain; throws Dds::Error when DDS cannot start.
        explicit Mirror(MirrorOptions options);

        /// Creates the segments, then mirrors until a stop signal; removes the segments before
        /// it returns.
        int Run();

        /// Publishers whose records are kept at the same time; samples of further ones are dropped.
        static constexpr std::size_t maxSources = 8;

    private:
        using Clock = std::chrono::steady_clock;

        /// What a publisher says of itself besides its heartbeat (one of an earlier version
        /// says nothing of it).
        struct Said
        {
            bool acceptsHaptics = false;
            std::optional<long long> stampAge;
            std::map<std::uint32_t, std::uint32_t> releases;
        };

        struct Source
        {
            Clock::time_point heard;
            bool running = false;
            std::uint32_t count = 0;
            std::map<std::uint32_t, std::string> records;
            std::optional<Said> said;
        };

        struct Stats
        {
            std::uint64_t applied = 0;
            std::uint64_t texts = 0;
            std::uint64_t foreign = 0;
            std::uint64_t malformed = 0;
            std::uint64_t outOfOrder = 0;
            std::uint64_t commands = 0;
            std::uint64_t writeFailures = 0;
        };

        struct Schedule
        {
            Clock::time_point commands;
            Clock::time_point heartbeat;
            Clock::time_point stats;
            Clock::time_point ownerCheck;
        };

        /// One round of the loop; false once the segments were taken over.
        bool Tick(Clock::time_point now);
        void TakeSamples(Clock::time_point now);
        Source* FindOrAddSource(std::uint64_t participant, Clock::time_point now);
        bool FollowOrReject(std::uint64_t participant, Clock::time_point now);
        void OnService(const tscore_bridge_Service& sample, std::uint64_t participant, Clock::time_point now);
        void OnState(const tscore_bridge_PublisherState& sample, std::uint64_t participant, Clock::time_point now);
        void NoteHaptics(const Said& said);
        void OnDevice(const tscore_bridge_Device& sample, std::uint64_t participant, Clock::time_point now);
        void OnSensor(const tscore_bridge_Sensor& sample, std::uint64_t participant, Clock::time_point now);
        void Follow(std::uint64_t participant);
        void CheckPublisher(Clock::time_point now);
        void Lose(const std::string& why);
        std::string Waiting() const;
        void WriteStamp(const Source& source);
        void WriteLink();
        void PublishCount(bool rewrite = false);
        void WriteDevice(std::uint32_t index, const std::string& record);
        void ForwardCommands();
        void CountWriteFailure(bool written);
        std::string StatsLine() const;

        MirrorOptions options;
        /// Remembers the command last sent per device; one forgotten (the glove was released,
        /// another publisher is followed) is sent again as it stands here.
        TSCoreLink::ServiceHost host{"tscore-bridge mirror"};
        TSCoreLink::ServiceSegments& segments = host.Segments();
        BridgeSession session;
        Dds::Reader<tscore_bridge_Device> devices;
        Dds::Reader<tscore_bridge_Sensor> sensors;
        Dds::Reader<tscore_bridge_Service> services;
        /// Empty where DDS Security's permissions do not grant its topic.
        std::optional<Dds::Reader<tscore_bridge_PublisherState>> states;
        Dds::Writer<tscore_bridge_Command> commands;
        Dds::Writer<tscore_bridge_Mirror> heartbeat;
        Dds::WaitSet waitSet;

        std::map<std::uint64_t, Source> sources;
        std::uint64_t followed = 0;
        std::vector<std::uint64_t> lastSequence;
        std::vector<bool> textWritten;
        std::uint32_t publishedCount = 0;
        long long publishedStamp = 0;
        TSCoreLink::BridgeLink link;
        std::string securityIdentity;
        std::string writtenLink;
        std::optional<bool> notedAccepts;
        tscore_bridge_Command commandSample{};
        Stats stats;
        Schedule schedule;
        bool warnedForeign = false;
        bool replaced = false;
    };
}
