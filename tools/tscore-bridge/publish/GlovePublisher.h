#pragma once

// `tscore-bridge publish`, on the glove machine: polls the local connection service through
// the library's kept-mapping reader and publishes every device's record, each new sensor text and a heartbeat with
// the service's state; publishes the hands as ROS 2 topics; and writes the haptic commands
// that mirrors forward, and the force and vibration levels of the ROS 2 topics, into the local
// "Haptics", only when told to accept them; drives the robot hands of --retarget.

#include <array>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <TSCore/Hand/HandProfile.h>

#include "BridgeSession.h"
#include "HapticsGate.h"
#include "LocalService.h"
#include "RobotTopics.h"
#include "RosForce.h"
#include "RosTopics.h"
#include "dds/Reader.h"
#include "dds/Writer.h"

namespace TSCoreBridge
{
    struct PublishOptions
    {
        /// Polls per second: each costs a few microseconds per device, and four gloves that write
        /// every millisecond lose fewer than 0.5 % of their texts at this rate (bench/bridge).
        static constexpr double defaultRate = 4000.0;

        std::uint32_t domain = 0;
        std::string partition = "tscore";
        double rate = defaultRate;
        bool acceptHaptics = false;
        bool ros = true;
        bool noRos = false; ///< as given on the command line
        std::string rosName = "tscore";
        /// The right hand's profile, then the left's.
        std::array<TSCore::HandProfile, 2> profiles{TSCore::HandProfile::Default(true),
                                                    TSCore::HandProfile::Default(false)};
        /// The robot hand that follows each side (--retarget), loaded before DDS starts.
        std::array<std::shared_ptr<RobotTopics>, 2> robots;
        bool verbose = false;
    };

    class GlovePublisher
    {
    public:
        /// Joins the domain; throws Dds::Error when DDS cannot start.
        explicit GlovePublisher(PublishOptions options);

        /// Runs until a stop signal; stops every glove a mirror drove before it returns.
        int Run();

    private:
        using Clock = std::chrono::steady_clock;

        struct Stats
        {
            std::uint64_t texts = 0;
            std::uint64_t oversized = 0;
            std::uint64_t commands = 0;
            std::uint64_t notAccepted = 0;
            std::uint64_t refused = 0;
            std::uint64_t stops = 0;
        };

        void Announce();
        void NoteCondition();
        void PublishRecords();
        void PublishState();
        void PublishHeartbeat(bool leaving);
        void UpdateRosGloves();
        void PollTexts();
        void PublishText(std::uint32_t index, std::string_view text, const std::string& key);
        void TakeMirrors(Clock::time_point now);
        void OnCommand(const tscore_bridge_Command& command, std::uint64_t mirror, Clock::time_point now);
        bool WriteCommand(std::uint32_t index, const std::string& bytes);
        void StopGlove(std::uint32_t index);
        void OnLost(std::uint32_t index);
        std::string StatsLine() const;

        PublishOptions options;
        LocalService service;
        BridgeSession session;
        Dds::Writer<tscore_bridge_Device> devices;
        Dds::Writer<tscore_bridge_Sensor> sensors;
        Dds::Writer<tscore_bridge_Service> heartbeat;
        /// Empty where DDS Security's permissions do not grant its topic.
        std::optional<Dds::Writer<tscore_bridge_PublisherState>> state;
        Dds::Reader<tscore_bridge_Command> commands;
        Dds::Reader<tscore_bridge_Mirror> mirrors;
        std::optional<RosTopics> ros;
        HapticsGate gate;
        std::optional<RosForce> rosForce;
        // The device index that stands for each side on the ROS topics; -1 for none.
        std::array<std::int64_t, 2> rosGlove{-1, -1};
        tscore_bridge_Sensor sensorSample{};
        tscore_bridge_Device deviceSample{};
        std::uint64_t sequence = 0;
        /// The records as last published, by index ("" where no device is listed).
        std::vector<std::string> published;
        // Per glove, how often the gate stopped it; mirrors send their commands again after one.
        std::map<std::uint32_t, std::uint32_t> releases;
        std::vector<tscore_bridge_Release> releaseSamples;
        bool stateChanged = false;
        std::optional<LocalService::State> condition;
        Stats stats;
        bool warnedNotAccepted = false;
        bool warnedOversized = false;
    };
}
