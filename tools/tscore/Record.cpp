#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>
#include <vector>

#include <TSCore/Devices/DeviceList.h>
#include <TSCore/Devices/HapticGlove.h>
#include <TSCore/Devices/TSDevice.h>

#include "Commands.h"
#include "Devices/SharedMemory.h"
#include "ExitCodes.h"
#include "Interrupt.h"
#include "LiveState.h"
#include "OptionChecks.h"
#include "RecordingFile.h"
#include "Select.h"
#include "Terminal.h"
#include "TextFile.h"

namespace TSCoreCli
{
    using ToolCommon::RecordingFile;
    using TSCore::DeviceList;
    namespace SharedMemory = TSCore::detail::SharedMemory;

    namespace
    {
        struct RecordOptions
        {
            std::string out;
            double seconds = 0.0; ///< 0: until Ctrl-C
            std::vector<int> devices;
            bool force = false;
        };

        struct Track
        {
            std::string key;
            std::string last;
            bool seen = false;
        };

        /// The devices to record: every one, or the gloves --device names (as `tscore list` counts them).
        int ChooseDevices(const RecordOptions& options, std::vector<std::shared_ptr<TSCore::TSDevice>>& out)
        {
            // A service that does not update would be recorded as frozen gloves.
            if (const int code = ServiceStatus::Read().Refuse())
                return code;
            const auto devices = DeviceList::GetDevices();
            if (devices.empty())
                return Fail(exitNoGlove, "the service announces no device");
            if (options.devices.empty())
            {
                out = devices;
                return exitOk;
            }
            const auto gloves = TSCore::HapticGlove::GetHapticGloves();
            for (const int index : options.devices)
            {
                if (index < 0 || static_cast<std::size_t>(index) >= gloves.size())
                    return Fail(exitNoGlove, NoGloveWithIndex(index));
                // A device is one track of the file, however often it is named.
                const auto& glove = gloves[static_cast<std::size_t>(index)];
                if (std::find(out.begin(), out.end(), glove) == out.end())
                    out.push_back(glove);
            }
            return exitOk;
        }

        /// The header and device lines. The full record text is not in the public API; it is read
        /// here directly so that a replay announces each device with the record it had.
        int HeaderLines(const std::vector<std::shared_ptr<TSCore::TSDevice>>& devices, std::vector<std::string>& lines,
                        std::vector<Track>& tracks)
        {
            SharedMemory::ReadOnlySegment segment;
            std::string error;
            if (!segment.Open(SharedMemory::devicesSegment, error))
                return FailNoService();
            lines.push_back(RecordingFile::HeaderLine());
            for (const auto& device : devices)
            {
                std::string record;
                if (segment.Read(device->GetDeviceKey(), record) != SharedMemory::LookupResult::Found)
                {
                    Warn("the record of " + device->GetDeviceKey() + " cannot be read; it is left out");
                    continue;
                }
                lines.push_back(RecordingFile::DeviceLine(device->GetDeviceKey(), record));
                tracks.push_back({device->GetDeviceKey(), std::string(), false});
            }
            return tracks.empty() ? Fail(exitNoGlove, "no device record can be read") : exitOk;
        }

        void DrawProgress(double t, double total, long readings)
        {
            if (total > 0.0)
                std::cout << "\r" << Bar(static_cast<float>(t / total), 30) << " " << Fixed(t, 1) << " / "
                          << Fixed(total, 1) << " s  " << readings << " readings" << std::flush;
            else
                std::cout << "\r" << Fixed(t, 1) << " s  " << readings << " readings   Ctrl-C stops" << std::flush;
        }

        /// Polls every sensor text 200 times a second and writes each change; the readings written.
        long Capture(const RecordOptions& options, std::vector<Track>& tracks, std::ostream& file, double& elapsed)
        {
            const bool progress = StdoutIsTerminal() && options.out != "-";
            using Clock = std::chrono::steady_clock;
            const auto start = Clock::now();
            long readings = 0;
            double lastDrawn = -1.0;
            for (long tick = 0; !Interrupted() && file; ++tick)
            {
                const double t = std::chrono::duration<double>(Clock::now() - start).count();
                if (options.seconds > 0.0 && t >= options.seconds)
                    break;
                for (auto& track : tracks)
                {
                    std::string text;
                    if (!DeviceList::GetSensorDataString(track.key, text) || (track.seen && text == track.last))
                        continue;
                    track.seen = true;
                    track.last = text;
                    // Microseconds are plenty and keep the file free of long binary fractions.
                    file << RecordingFile::DataLine(std::round(t * 1e6) / 1e6, track.key, text) << '\n';
                    ++readings;
                }
                if (progress && t - lastDrawn >= 0.1)
                    DrawProgress(lastDrawn = t, options.seconds, readings);
                SleepFor(static_cast<double>(tick + 1) / 200.0 -
                         std::chrono::duration<double>(Clock::now() - start).count());
            }
            elapsed = std::chrono::duration<double>(Clock::now() - start).count();
            if (progress)
                std::cout << "\n";
            return readings;
        }

        int RunRecord(const RecordOptions& options)
        {
            if (const int code = RefuseExisting(options.out, options.force))
                return code;
            std::string why;
            if (!ToolCommon::CanWrite(options.out, why))
                return Fail(exitCannotWrite, "cannot write " + options.out + ": " + why);
            std::vector<std::shared_ptr<TSCore::TSDevice>> devices;
            std::vector<std::string> header;
            std::vector<Track> tracks;
            if (const int code = ChooseDevices(options, devices))
                return code;
            if (const int code = HeaderLines(devices, header, tracks))
                return code;
            std::ofstream file;
            if (options.out != "-")
                file.open(options.out, std::ios::binary | std::ios::trunc);
            std::ostream& sink = options.out == "-" ? std::cout : file;
            if (!sink)
                return Fail(exitCannotWrite, "cannot write " + options.out + ": " + std::strerror(errno));
            for (const auto& line : header)
                sink << line << '\n';

            InstallInterruptHandler();
            double elapsed = 0.0;
            const long readings = Capture(options, tracks, sink, elapsed);
            sink.flush();
            if (file.is_open())
                file.close();
            if (!sink || (file.is_open() && file.fail()))
                return Fail(exitCannotWrite, "cannot write all of " + options.out + ": " + std::strerror(errno));
            (options.out == "-" ? std::cerr : std::cout)
                << "Recorded " << readings << " readings of " << tracks.size() << " device(s) in " << Fixed(elapsed, 1)
                << " s to " << (options.out == "-" ? "standard output" : options.out) << std::endl;
            return Terminated() ? exitTerminated : exitOk;
        }
    }

    Runner AddRecord(CLI::App& app)
    {
        auto options = std::make_shared<RecordOptions>();
        auto* command = app.add_subcommand(
            "record",
            "Record devices' records and raw sensor texts with time stamps into a JSON-lines file that "
            "`tesslink-sim --replay FILE` plays back and `render --from FILE` draws. Lines: "
            "{\"format\":\"tscore-recording\",\"version\":1}, then {\"kind\":\"device\",\"key\":K,\"record\":R} per "
            "device, then {\"kind\":\"data\",\"t\":SECONDS,\"key\":K,\"text\":T} whenever a sensor text changed "
            "(polled 200 times a second). Ends after --seconds, or on Ctrl-C, keeping what was recorded.");
        command->add_option("--out", options->out, "File to write ('-': standard output).")
            ->type_name("FILE")
            ->required();
        command->add_option("--seconds", options->seconds, "Length of the recording (default: until Ctrl-C).")
            ->type_name("S")
            ->check(ToolCommon::MoreThan(0.0, "seconds"));
        command
            ->add_option("--device", options->devices,
                         "Record glove N (as `tscore list` numbers them); repeatable, a glove named twice is "
                         "recorded once. Default: every device.")
            ->type_name("N")
            ->expected(1)
            ->take_all()
            ->check(ToolCommon::WholeBetween(0, 65535, "(the index column of `tscore list`)"));
        command->add_flag("--force", options->force, "Replace the file when it exists.");
        return [options] { return RunRecord(*options); };
    }
}
