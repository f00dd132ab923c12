#include "Service.h"

#include "CommandDecoder.h"
#include "RecordText.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <ctime>
#include <iostream>
#include <stdexcept>

namespace TessLinkSim
{
    namespace
    {
        volatile std::sig_atomic_t stopRequested = 0;

        constexpr auto hapticsPollInterval = std::chrono::milliseconds(5);
        // Device indices accepted on the control channel; keeps a typo from announcing millions.
        constexpr long maxControlIndex = 65535;

        std::string Key(int index)
        {
            return "device" + std::to_string(index);
        }

        bool AllDigits(const std::string& text)
        {
            return !text.empty() &&
                   std::all_of(text.begin(), text.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
        }

        // Optional '-' then digits; any length, so that counts beyond an int can be announced.
        bool IsIntegerText(const std::string& text)
        {
            return AllDigits(text.size() > 1 && text[0] == '-' ? text.substr(1) : text);
        }

        bool ParseIndex(const std::string& text, int& index)
        {
            if (!AllDigits(text) || text.size() > 6)
                return false;
            const long value = std::stol(text);
            if (value > maxControlIndex)
                return false;
            index = static_cast<int>(value);
            return true;
        }

        // The index of a key "device<i>"; keys with leading zeros name no device.
        bool IndexOfKey(const std::string& key, int& index)
        {
            const std::string prefix = "device";
            if (key.compare(0, prefix.size(), prefix) != 0)
                return false;
            const std::string digits = key.substr(prefix.size());
            if (!AllDigits(digits) || digits.size() > 9 || (digits.size() > 1 && digits[0] == '0'))
                return false;
            index = std::stoi(digits);
            return true;
        }

    }

    Service::Service(ServiceOptions options, std::vector<std::unique_ptr<SimDevice>> devices)
        : options(std::move(options))
    {
        int index = 0;
        for (auto& device : devices)
            slots[index++].device = std::move(device);
    }

    void Service::RequestStop()
    {
        stopRequested = 1;
    }

    int Service::Run()
    {
        using TSCoreService::ServiceSegments;
        const std::size_t size = std::max(options.segmentSize, ServiceSegments::SizeFor(slots.size()));
        const auto claim = segments.Claim({"tesslink-sim", size, options.takeover});
        if (claim.outcome == ServiceSegments::Outcome::Busy)
        {
            std::cerr << "tesslink-sim: " << claim.message
                      << ". Stop it first, or start with --takeover to replace it." << std::endl;
            return exitSegmentsOwned;
        }
        if (claim.outcome == ServiceSegments::Outcome::Failed)
        {
            std::cerr << "tesslink-sim: " << claim.message << std::endl;
            return exitCannotCreate;
        }
        if (!claim.message.empty())
            std::cerr << "tesslink-sim: " << claim.message << std::endl;
        if (size != options.segmentSize)
            Verbose("segments enlarged to " + std::to_string(size) + " bytes for " + std::to_string(slots.size()) +
                    " devices");

        stale = options.stale;
        scanOffset = options.scanOffset;
        nDevicesOverride = options.nDevices;
        start = Clock::now();

        // Everything is in place before "ready": records, then texts, then the count.
        PublishRecords(true);
        PublishData(0.0);
        ticksThisSecond = 1;
        PublishNDevices();
        PublishScanActive();
        if (options.verbose)
            PrintPublished();
        Print("ready");

        auto deadline = [this](double seconds) {
            return start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
        };
        // Publish k is due at k / rate exactly, so that a second holds `rate` publishes.
        const double dataPeriod = 1.0 / options.rate;
        double dataTick = 1.0;
        auto nextData = deadline(dataTick * dataPeriod);
        auto nextHaptics = start;
        auto nextSecond = start + std::chrono::seconds(1);
        bool disconnected = false;

        while (!quit && stopRequested == 0)
        {
            auto now = Clock::now();
            const double t = Elapsed(now);
            if (options.crashAfter && t >= *options.crashAfter)
                _exit(3); // leaves the segments behind on purpose
            if (options.seconds && t >= *options.seconds)
                break;
            if (options.disconnectAfter && !disconnected && t >= *options.disconnectAfter)
            {
                for (auto& entry : slots)
                    entry.second.connected = false;
                disconnected = true;
                PublishRecords(false);
                Verbose("all devices disconnected");
            }
            // Close the second before counting a publish due at the same instant.
            if (now >= nextSecond)
            {
                std::string why;
                if (!segments.StillOwned(&why))
                {
                    std::cerr << "tesslink-sim: " << why << "; stopping" << std::endl;
                    segments.Release();
                    return exitSegmentsOwned;
                }
                pps = ticksThisSecond;
                ticksThisSecond = 0;
                PublishScanActive();
                PublishRecords(false);
                PublishNDevices();
                if (options.verbose)
                    Status(t);
                nextSecond += std::chrono::seconds(1);
                if (nextSecond <= now)
                    nextSecond = now + std::chrono::seconds(1);
            }

            if (options.stress || now >= nextData)
            {
                PublishData(t);
                ++ticksThisSecond;
                dataTick += 1.0;
                if (deadline((dataTick + 1.0) * dataPeriod) <= now)
                    dataTick = std::floor(t / dataPeriod) + 1.0; // fell behind: skip rather than burst
                nextData = deadline(dataTick * dataPeriod);
            }
            if (now >= nextHaptics)
            {
                PollHaptics();
                nextHaptics = now + hapticsPollInterval;
            }
            auto wake = std::min({nextData, nextHaptics, nextSecond});
            if (options.stress)
                wake = Clock::now();
            if (options.crashAfter)
                wake = std::min(wake, deadline(*options.crashAfter));
            if (options.seconds)
                wake = std::min(wake, deadline(*options.seconds));
            if (options.disconnectAfter && !disconnected)
                wake = std::min(wake, deadline(*options.disconnectAfter));
            now = Clock::now();
            const auto wait = std::chrono::duration_cast<std::chrono::nanoseconds>(std::max(wake - now, Clock::duration::zero()));
            timespec timeout{};
            timeout.tv_sec = static_cast<time_t>(wait.count() / 1000000000);
            timeout.tv_nsec = static_cast<long>(wait.count() % 1000000000);
            pollfd input{STDIN_FILENO, POLLIN, 0};
            const int ready = ppoll(&input, watchStdin ? 1 : 0, &timeout, nullptr);
            if (ready > 0 && watchStdin)
            {
                if ((input.revents & POLLNVAL) != 0)
                    watchStdin = false;
                else if ((input.revents & (POLLIN | POLLHUP | POLLERR)) != 0)
                    ReadControl();
            }
        }

        segments.Release();
        Verbose("segments removed");
        return 0;
    }

    double Service::Elapsed(Clock::time_point now) const
    {
        return std::chrono::duration<double>(now - start).count();
    }

    std::string Service::RecordOf(int index, const Slot& slot) const
    {
        std::string record = slot.record ? *slot.record : slot.device->Record(pps, "sim:" + std::to_string(index));
        if (slot.connected)
            record = ReplaceField(record, 0, *slot.connected ? "1" : "0");
        return record;
    }

    std::string Service::NDevicesText() const
    {
        if (nDevicesOverride)
            return *nDevicesOverride;
        return std::to_string(slots.empty() ? 0 : slots.rbegin()->first + 1);
    }

    void Service::PublishRecords(bool force)
    {
        for (auto& [index, slot] : slots)
        {
            const std::string record = RecordOf(index, slot);
            if (!force && slot.publishedRecord && *slot.publishedRecord == record)
                continue;
            if (segments.WriteDevices(Key(index), record))
                slot.publishedRecord = record;
            else
                ++failedWrites;
        }
    }

    void Service::PublishNDevices()
    {
        const std::string text = NDevicesText();
        if (text == publishedNDevices)
            return;
        if (segments.WriteDevices("nDevices", text))
            publishedNDevices = text;
        else
            ++failedWrites;
    }

    void Service::PublishScanActive()
    {
        // A stale stamp is written once and then left to age.
        if (stale && !publishedScan.empty())
            return;
        const long long now = static_cast<long long>(std::time(nullptr));
        const std::string text = std::to_string(stale ? now - 100 : now + scanOffset);
        if (segments.WriteDevices("scanActive", text))
            publishedScan = text;
        else
            ++failedWrites;
    }

    void Service::PublishData(double t)
    {
        for (auto& [index, slot] : slots)
        {
            slot.lastData = slot.data ? *slot.data : slot.device->SensorText(t);
            if (!segments.WriteData(Key(index), slot.lastData))
                ++failedWrites;
        }
    }

    void Service::PollHaptics()
    {
        std::vector<std::pair<std::string, std::string>> commands;
        if (!segments.ReadHaptics(commands))
            return;
        for (const auto& [key, command] : commands)
        {
            auto last = lastCommands.find(key);
            if (last != lastCommands.end() && last->second == command)
                continue;
            lastCommands[key] = command;

            // The kind and firmware come from what we announce under the same key now.
            CommandTarget target;
            int index = 0;
            if (IndexOfKey(key, index))
            {
                const auto slot = slots.find(index);
                if (slot != slots.end())
                {
                    const std::string record = RecordOf(index, slot->second);
                    target.kind = KindOfRecord(record);
                    if (target.kind == DeviceKind::Tessara)
                    {
                        int firmware = 0;
                        int subFirmware = 0;
                        FirmwareOfRecord(record, firmware, subFirmware);
                        target.thumperByte = TakesThumperByte(firmware, subFirmware);
                    }
                }
            }
            Print(DecodeCommand(key, target, command));
        }
    }

    void Service::ReadControl()
    {
        char buffer[4096];
        const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
        if (n < 0)
        {
            if (errno != EINTR && errno != EAGAIN)
                watchStdin = false; // e.g. EIO when started in the background of a terminal
            return;
        }
        if (n == 0)
        {
            // End of input is not a request to stop: tests may close the pipe and let us run.
            watchStdin = false;
            if (!pendingInput.empty())
                HandleCommand(pendingInput);
            pendingInput.clear();
            Verbose("control channel closed");
            return;
        }
        pendingInput.append(buffer, static_cast<std::size_t>(n));
        std::size_t newline;
        while (!quit && (newline = pendingInput.find('\n')) != std::string::npos)
        {
            const std::string line = pendingInput.substr(0, newline);
            pendingInput.erase(0, newline + 1);
            HandleCommand(line);
        }
    }

    void Service::HandleCommand(const std::string& raw)
    {
        std::string line = raw;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.find_first_not_of(" \t") == std::string::npos)
            return;
        Print(Execute(line));
    }

    std::string Service::Execute(const std::string& line)
    {
        const std::size_t space = line.find(' ');
        const std::string command = line.substr(0, space);
        const std::string rest = space == std::string::npos ? std::string() : line.substr(space + 1);

        // "<I>" or "<I> <text>": the text is everything after one blank, blanks included.
        int index = -1;
        std::string text;
        const auto indexAndText = [&]() {
            const std::size_t gap = rest.find(' ');
            if (!ParseIndex(rest.substr(0, gap), index))
                return false;
            text = gap == std::string::npos ? std::string() : rest.substr(gap + 1);
            return true;
        };

        if (command == "quit")
        {
            quit = true;
            return "ok";
        }
        if (command == "ndevices")
        {
            if (rest == "auto")
                nDevicesOverride.reset();
            else if (IsIntegerText(rest))
                nDevicesOverride = rest;
            else
                return "error: ndevices takes an integer or 'auto'";
            PublishNDevices();
            return publishedNDevices == NDevicesText() ? "ok" : "error: segment Devices is full";
        }
        if (command == "record")
        {
            if (!indexAndText())
                return "error: record takes an index (0.." + std::to_string(maxControlIndex) + ") and a text";
            auto [slot, created] = slots.try_emplace(index);
            if (created)
                slot->second.device = std::make_unique<RecordSim>(text);
            slot->second.record = text;
            slot->second.connected.reset();
            PublishRecords(false);
            if (!slot->second.publishedRecord || *slot->second.publishedRecord != text)
            {
                if (created)
                    slots.erase(slot);
                return "error: segment Devices is full";
            }
            if (created && !segments.WriteData(Key(index), std::string()))
                return "error: segment Data is full";
            PublishNDevices();
            return "ok";
        }
        if (command == "data")
        {
            if (!indexAndText())
                return "error: data takes an index and a text";
            const auto slot = slots.find(index);
            if (slot == slots.end())
                return "error: no device " + std::to_string(index);
            slot->second.data = text;
            return segments.WriteData(Key(index), text) ? "ok" : "error: segment Data is full";
        }
        if (command == "disconnect" || command == "connect")
        {
            if (!ParseIndex(rest, index))
                return "error: " + command + " takes a device index";
            const auto slot = slots.find(index);
            if (slot == slots.end())
                return "error: no device " + std::to_string(index);
            slot->second.connected = command == "connect";
            PublishRecords(false);
            return "ok";
        }
        if (command == "scan")
        {
            if (!IsIntegerText(rest) || rest.size() > 13)
                return "error: scan takes an offset in whole seconds";
            scanOffset = std::stoll(rest);
            stale = false;
            publishedScan.clear();
            PublishScanActive();
            return "ok";
        }
        if (command == "stale")
        {
            stale = true;
            publishedScan.clear();
            PublishScanActive();
            return "ok";
        }
        return "error: unknown command '" + command + "'";
    }

    void Service::PrintPublished() const
    {
        Verbose("nDevices: " + publishedNDevices);
        Verbose("scanActive: " + publishedScan + (stale ? " (stale)" : ""));
        for (const auto& [index, slot] : slots)
        {
            Verbose(Key(index) + " (" + slot.device->Describe() + ")");
            Verbose("  record: " + slot.publishedRecord.value_or("<not written>"));
            Verbose("  data:   " + slot.lastData + (slot.data ? "" : " (animated)"));
        }
    }

    void Service::Status(double t)
    {
        std::size_t connected = 0;
        for (const auto& entry : slots)
        {
            const auto& record = entry.second.publishedRecord;
            if (record && !record->empty() && (*record)[0] == '1')
                ++connected;
        }
        Verbose("status t=" + std::to_string(static_cast<long long>(t)) + "s nDevices=" + publishedNDevices +
                " connected=" + std::to_string(connected) + "/" + std::to_string(slots.size()) +
                " pps=" + std::to_string(pps) + " scanActive=" + publishedScan +
                " commands=" + std::to_string(lastCommands.size()) + " failedWrites=" + std::to_string(failedWrites));
    }

    void Service::Verbose(const std::string& line) const
    {
        // Diagnostics go to stderr so that stdout stays a clean protocol for tests.
        if (options.verbose)
            std::cerr << line << std::endl;
    }

    void Service::Print(const std::string& line)
    {
        std::cout << line << '\n' << std::flush;
    }
}
