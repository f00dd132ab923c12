#include "Recording.h"

#include <chrono>
#include <cmath>
#include <fstream>
#include <iostream>
#include <memory>
#include <vector>

#include <nlohmann/json.hpp>

#include <TSCore/Devices/DeviceList.h>
#include <TSCore/Devices/TSDevice.h>

#include "Commands.h"
#include "Devices/SharedMemory.h"
#include "ExitCodes.h"
#include "Interrupt.h"
#include "Terminal.h"

namespace TSCoreCli
{
    using json = nlohmann::ordered_json;
    using TSCore::DeviceList;
    namespace SharedMemory = TSCore::detail::SharedMemory;

    namespace
    {
        // Texts come from another process: bytes that are not UTF-8 are replaced rather than
        // letting the JSON writer throw halfway through a recording.
        std::string Line(const json& object)
        {
            return object.dump(-1, ' ', false, json::error_handler_t::replace);
        }

        struct RecordOptions
        {
            std::string out;
            double seconds = 0.0;
        };

        struct Track
        {
            std::string key;
            std::string last;
            bool seen = false;
        };

        void DrawProgress(double t, double total, long lines)
        {
            const float fraction = static_cast<float>(total > 0.0 ? t / total : 1.0);
            std::cout << "\r" << Bar(fraction, 30) << " " << Fixed(t, 1) << " / " << Fixed(total, 1) << " s  " << lines
                      << " readings" << std::flush;
        }

        int RunRecord(const RecordOptions& options)
        {
            const auto devices = DeviceList::GetDevices();
            if (devices.empty())
            {
                if (!DeviceList::TessLinkRunning())
                    return Fail(exitNoService, "the connection service is not running");
                return Fail(exitNoGlove, "no glove found");
            }

            // The full record text is not in the public API; it is read here directly so that a
            // replay announces each device with the record it had.
            std::vector<Track> tracks;
            std::vector<std::string> header{RecordingHeaderLine()};
            {
                SharedMemory::ReadOnlySegment segment;
                std::string error;
                if (!segment.Open(SharedMemory::devicesSegment, error))
                    return Fail(exitNoService, "the connection service is not running");
                for (const auto& device : devices)
                {
                    std::string record;
                    if (segment.Read(device->GetDeviceKey(), record) != SharedMemory::LookupResult::Found)
                    {
                        Warn("the record of " + device->GetDeviceKey() + " cannot be read; it is left out");
                        continue;
                    }
                    header.push_back(RecordingDeviceLine(device->GetDeviceKey(), record));
                    tracks.push_back({device->GetDeviceKey(), std::string(), false});
                }
            }
            if (tracks.empty())
                return Fail(exitNoGlove, "no glove found");

            std::ofstream file(options.out, std::ios::binary | std::ios::trunc);
            if (!file)
                return Fail(exitCannotWrite, "cannot write " + options.out);
            for (const auto& line : header)
                file << line << '\n';

            InstallInterruptHandler();
            const bool terminal = StdoutIsTerminal();
            using Clock = std::chrono::steady_clock;
            const auto start = Clock::now();
            const double poll = 1.0 / 200.0;
            long readings = 0;
            double lastDrawn = -1.0;
            for (long tick = 0; !Interrupted(); ++tick)
            {
                const double t = std::chrono::duration<double>(Clock::now() - start).count();
                if (t >= options.seconds)
                    break;
                for (auto& track : tracks)
                {
                    std::string text;
                    if (!DeviceList::GetSensorDataString(track.key, text))
                        continue;
                    if (track.seen && text == track.last)
                        continue;
                    track.seen = true;
                    track.last = text;
                    // Microseconds are plenty and keep the file free of long binary fractions.
                    file << RecordingDataLine(std::round(t * 1e6) / 1e6, track.key, text) << '\n';
                    ++readings;
                }
                if (!file)
                    return Fail(exitCannotWrite, "cannot write " + options.out);
                if (terminal && t - lastDrawn >= 0.1)
                {
                    DrawProgress(t, options.seconds, readings);
                    lastDrawn = t;
                }
                const double wait = static_cast<double>(tick + 1) * poll -
                                    std::chrono::duration<double>(Clock::now() - start).count();
                if (wait > 0.0)
                    SleepFor(wait);
            }
            file.close();
            if (file.fail())
                return Fail(exitCannotWrite, "cannot write " + options.out);
            if (terminal)
            {
                const double t = std::chrono::duration<double>(Clock::now() - start).count();
                DrawProgress(t < options.seconds ? t : options.seconds, options.seconds, readings);
                std::cout << "\n"
                          << "Recorded " << readings << " readings of " << tracks.size() << " device(s) to "
                          << options.out << std::endl;
            }
            return exitOk;
        }
    }

    std::string RecordingHeaderLine()
    {
        return Line(json{{"format", "tscore-recording"}, {"version", 1}});
    }

    std::string RecordingDeviceLine(const std::string& key, const std::string& record)
    {
        return Line(json{{"kind", "device"}, {"key", key}, {"record", record}});
    }

    std::string RecordingDataLine(double t, const std::string& key, const std::string& text)
    {
        return Line(json{{"kind", "data"}, {"t", t}, {"key", key}, {"text", text}});
    }

    Runner AddRecord(CLI::App& app)
    {
        auto options = std::make_shared<RecordOptions>();
        auto* command = app.add_subcommand(
            "record",
            "Record every device's record and raw sensor texts with time stamps into a JSON-lines file that "
            "`tesslink-sim --replay FILE` plays back. Lines: {\"format\":\"tscore-recording\",\"version\":1}, then "
            "{\"kind\":\"device\",\"key\":K,\"record\":R} per device, then {\"kind\":\"data\",\"t\":SECONDS,"
            "\"key\":K,\"text\":T} whenever a sensor text changed (polled 200 times a second).");
        command->add_option("--out", options->out, "File to write.")->type_name("FILE")->required();
        command->add_option("--seconds", options->seconds, "Length of the recording; Ctrl-C ends it early.")
            ->type_name("S")
            ->required()
            ->check(CLI::PositiveNumber);
        return [options] { return RunRecord(*options); };
    }
}
