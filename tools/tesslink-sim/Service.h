#pragma once

// The running service: owns the segments, publishes records, time stamp and sensor
// texts on a fixed schedule, reports haptic commands and obeys the control channel.

#include "ServiceSegments.h"
#include "SimDevice.h"

#include <chrono>
#include <cstddef>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace TessLinkSim
{
    struct ServiceOptions
    {
        std::size_t segmentSize = 65536;
        double rate = 60.0;
        bool verbose = false;
        bool stale = false;
        // Rewrite every sensor text as fast as possible instead of at the rate.
        bool stress = false;
        long long scanOffset = 0;
        std::optional<double> disconnectAfter;
        std::optional<double> crashAfter;
        std::optional<double> seconds;
        std::optional<std::string> nDevices;
        // Replace a live service that owns the segments instead of refusing to start.
        bool takeover = false;
    };

    class Service
    {
    public:
        Service(ServiceOptions options, std::vector<std::unique_ptr<SimDevice>> devices);

        // Exit codes of Run besides 0.
        static constexpr int exitCannotCreate = 1;
        static constexpr int exitSegmentsOwned = 4; // another service owns them, or took them over

        // Runs until a signal, "quit" or --seconds; returns the exit code.
        int Run();

        // Called from the signal handler: only sets a flag.
        static void RequestStop();

    private:
        using Clock = std::chrono::steady_clock;

        struct Slot
        {
            std::unique_ptr<SimDevice> device;
            std::optional<std::string> record;  // replaces the device's own record
            std::optional<std::string> data;    // fixed text, no more animation
            std::optional<bool> connected;      // overrides the state field
            std::optional<std::string> publishedRecord;
            std::string lastData;
        };

        double Elapsed(Clock::time_point now) const;
        std::string RecordOf(int index, const Slot& slot) const;
        std::string NDevicesText() const;
        void PublishRecords(bool force);
        void PublishNDevices();
        void PublishScanActive();
        void PublishData(double t);
        void PollHaptics();
        void ReadControl();
        void HandleCommand(const std::string& line);
        std::string Execute(const std::string& line);
        void PrintPublished() const;
        void Status(double t);
        void Verbose(const std::string& line) const;
        static void Print(const std::string& line);

        ServiceOptions options;
        TSCoreService::ServiceSegments segments;
        std::map<int, Slot> slots;
        std::map<std::string, std::string> lastCommands;
        std::string publishedNDevices;
        std::string publishedScan;
        bool stale = false;
        long long scanOffset = 0;
        int pps = 0;
        int ticksThisSecond = 0;
        std::size_t failedWrites = 0;
        bool quit = false;
        bool watchStdin = true;
        std::string pendingInput;
        Clock::time_point start;
        std::optional<std::string> nDevicesOverride;
    };
}
