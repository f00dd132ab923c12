#pragma once

// The running service: owns the segments, publishes records, time stamp and sensor
// texts on a fixed schedule, reports haptic commands and obeys the control channel.

#include "CommandDecoder.h"
#include "ServiceHost.h"
#include "SimDevice.h"
#include "Ticker.h"

#include <chrono>
#include <cstddef>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
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
        // How often "Haptics" is read: a command held for 5 ms is always seen.
        static constexpr auto hapticsPollInterval = std::chrono::milliseconds(1);

        Service(ServiceOptions options, std::vector<std::unique_ptr<SimDevice>> devices);

        // Runs until a stop signal, "quit" or --seconds; returns the exit code.
        int Run();

        // The control commands, one "  name ARGS  what it does" line each, for --help.
        static std::string ControlHelp();

        // One control line, its line end taken off: the reply the control channel prints.
        std::string Execute(const std::string& line);
        // The commands read from "Haptics" (key, bytes) at t seconds: each new one is printed
        // and brakes the glove it names.
        void TakeCommands(const std::vector<std::pair<std::string, std::string>>& commands, double t);

    private:
        using Clock = std::chrono::steady_clock;

        struct Slot
        {
            std::unique_ptr<SimDevice> device;
            std::optional<std::string> record; // replaces the device's own record
            std::optional<std::string> data;   // fixed text, no more animation
            std::optional<bool> connected;     // overrides the state field
            std::optional<std::string> publishedRecord;
            std::string lastData;
        };

        struct ControlCommand
        {
            const char* name;
            const char* arguments;
            const char* help;
            std::string (Service::*run)(const std::string& arguments);
        };
        static const ControlCommand controlCommands[];

        int Claim();
        void PublishFirst();
        int Step(Clock::time_point now);
        void EverySecond(double t);
        void WaitForWork();
        Clock::time_point Deadline(double seconds) const;
        double Elapsed(Clock::time_point now) const;

        std::string RecordOf(int index, const Slot& slot) const;
        std::string NDevicesText() const;
        void PublishRecords(bool force);
        void PublishNDevices();
        void PublishScanActive();
        void PublishData(double t);
        void PollHaptics(double t);
        CommandTarget TargetFor(const std::string& key, int& index) const;

        void ReadControl();
        void HandleCommand(const std::string& line);
        Slot* FindSlot(const std::string& indexText, int& index);
        std::string Quit(const std::string& arguments);
        std::string SetDeviceCount(const std::string& arguments);
        std::string SetRecord(const std::string& arguments);
        std::string SetData(const std::string& arguments);
        std::string SetFlexion(const std::string& arguments);
        std::string BrakeState(const std::string& arguments);
        std::string Connect(const std::string& arguments);
        std::string Disconnect(const std::string& arguments);
        std::string SetConnected(const std::string& arguments, bool connected);
        std::string Scan(const std::string& arguments);
        std::string Stale(const std::string& arguments);

        void PrintPublished() const;
        void Status(double t);
        void Verbose(const std::string& line) const;
        static void Print(const std::string& line);

        ServiceOptions options;
        TSCoreLink::ServiceHost host{"tesslink-sim"};
        TSCoreLink::ServiceSegments& segments = host.Segments();
        std::map<int, Slot> slots;
        std::string publishedNDevices;
        std::string publishedScan;
        bool stale = false;
        long long scanOffset = 0;
        int pps = 0;
        int ticksThisSecond = 0;
        std::size_t failedWrites = 0;
        bool quit = false;
        bool disconnectedAll = false;
        bool watchStdin = true;
        std::string pendingInput;
        Clock::time_point start;
        // Publish k is due at k / rate exactly, so that a second holds `rate` publishes.
        ToolCommon::Ticker dataTicks{std::chrono::seconds(1)};
        Clock::time_point nextHaptics;
        ToolCommon::Ticker everySecond{std::chrono::seconds(1)};
        std::optional<std::string> nDevicesOverride;
    };
}
