#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>
#include <vector>

#include <TSCore/Devices/ServiceReader.h>
#include <TSCore/Devices/TSDevice.h>

#include "Commands.h"
#include "ExitCodes.h"
#include "LiveState.h"
#include "OptionChecks.h"
#include "RecordingFile.h"
#include "Select.h"
#include "StopSignal.h"
#include "Terminal.h"
#include "TextFile.h"
#include "Ticker.h"

namespace TSCoreCli
{
    using TSCore::ServiceReader;
    using TSCoreLink::RecordingFile;

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
            std::shared_ptr<TSCore::TSDevice> device; ///< the object of the reader's list recorded
            std::string key;
            bool lost = false; ///< the service dropped or replaced it: its readings end
        };

        /// The devices to record: every one, or the gloves --device names (as `tscore list`
        /// counts them), with the records the reader's check found.
        int ChooseDevices(const RecordOptions& options, const ServiceReader& reader, std::vector<std::size_t>& out)
        {
            // A service that does not update would be recorded as frozen gloves.
            if (const int code = ServiceStatus::Of(reader).Refuse())
                return code;
            if (reader.DeviceCount() == 0)
                return Fail(exitNoGlove, "the service announces no device");
            for (std::size_t i = 0; options.devices.empty() && i < reader.DeviceCount(); ++i)
                out.push_back(i);
            for (const int index : options.devices)
            {
                const std::size_t at = NthGlove(reader, index);
                if (at == ServiceReader::npos)
                    return Fail(exitNoGlove, NoGloveWithIndex(index));
                // A device is one track of the file, however often it is named.
                if (std::find(out.begin(), out.end(), at) == out.end())
                    out.push_back(at);
            }
            return exitOk;
        }

        /// The header and a device line per device, with its full record, so that a replay
        /// announces each device with the record it had.
        void HeaderLines(const ServiceReader& reader, const std::vector<std::size_t>& devices,
                         std::vector<std::string>& lines, std::vector<Track>& tracks)
        {
            lines.push_back(RecordingFile::HeaderLine());
            for (const std::size_t at : devices)
            {
                const ServiceReader::DeviceInfo& info = reader.Info(at);
                lines.push_back(RecordingFile::DeviceLine(info.deviceKey, info.record));
                tracks.push_back({reader.Device(at), info.deviceKey, false});
            }
        }

        void DrawProgress(double t, double total, long readings)
        {
            if (total > 0.0)
                std::cout << "\r" << Bar(static_cast<float>(t / total), 30) << " " << Fixed(t, 1) << " / "
                          << Fixed(total, 1) << " s  " << readings << " readings" << std::flush;
            else
                std::cout << "\r" << Fixed(t, 1) << " s  " << readings << " readings   Ctrl-C stops" << std::flush;
        }

        /// A new text of the track's device, when it has one; a device the service no longer
        /// lists as the same object ends its track (with a warning), never mixing another
        /// device's texts into it.
        bool NewText(ServiceReader& reader, Track& track, std::string& text)
        {
            if (track.lost)
                return false;
            const std::size_t at = reader.FindKey(track.key);
            if (at == ServiceReader::npos || reader.Device(at) != track.device)
            {
                track.lost = true;
                Warn(track.key + " is no longer the device recorded (the service dropped or replaced it): its "
                                 "readings end here");
                return false;
            }
            if (!reader.Read(at).IsNew())
                return false;
            text.assign(reader.Text(at));
            return true;
        }

        /// Polls every sensor text 200 times a second and writes each change; the readings written.
        long Capture(const RecordOptions& options, ServiceReader& reader, std::vector<Track>& tracks,
                     std::ostream& file, double& elapsed)
        {
            const bool progress = StdoutIsTerminal() && options.out != "-";
            using Clock = ToolCommon::Ticker::Clock;
            const auto start = Clock::now();
            ToolCommon::Ticker polls = ToolCommon::Ticker::PerSecond(200.0, start);
            const auto end = options.seconds > 0.0 ? polls.At(options.seconds) : Clock::time_point::max();
            long readings = 0;
            double lastDrawn = -1.0;
            std::string text;
            while (!ToolCommon::StopRequested() && file && Clock::now() < end)
            {
                const double t = std::chrono::duration<double>(Clock::now() - start).count();
                reader.Update();
                for (auto& track : tracks)
                {
                    if (!NewText(reader, track, text))
                        continue;
                    // Microseconds are plenty and keep the file free of long binary fractions.
                    file << RecordingFile::DataLine(std::round(t * 1e6) / 1e6, track.key, text) << '\n';
                    ++readings;
                }
                if (progress && t - lastDrawn >= 0.1)
                    DrawProgress(lastDrawn = t, options.seconds, readings);
                polls.Wait(end);
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
            ServiceReader reader;
            std::vector<std::size_t> devices;
            std::vector<std::string> header;
            std::vector<Track> tracks;
            if (const int code = ChooseDevices(options, reader, devices))
                return code;
            HeaderLines(reader, devices, header, tracks);
            std::ofstream file;
            if (options.out != "-")
                file.open(options.out, std::ios::binary | std::ios::trunc);
            std::ostream& sink = options.out == "-" ? std::cout : file;
            if (!sink)
                return Fail(exitCannotWrite, "cannot write " + options.out + ": " + std::strerror(errno));
            for (const auto& line : header)
                sink << line << '\n';

            ToolCommon::InstallStopSignals();
            double elapsed = 0.0;
            const long readings = Capture(options, reader, tracks, sink, elapsed);
            sink.flush();
            if (file.is_open())
                file.close();
            if (!sink || (file.is_open() && file.fail()))
                return Fail(exitCannotWrite, "cannot write all of " + options.out + ": " + std::strerror(errno));
            (options.out == "-" ? std::cerr : std::cout)
                << "Recorded " << readings << " readings of " << tracks.size() << " device(s) in " << Fixed(elapsed, 1)
                << " s to " << (options.out == "-" ? "standard output" : options.out) << std::endl;
            return ToolCommon::ExitCodeAfterStop(false);
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
