#include "Service.h"

#include "CommandBytes.h"
#include "Console.h"
#include "DeviceKey.h"
#include "ExitCode.h"
#include "RecordText.h"
#include "StopSignal.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <ctime>
#include <iostream>
#include <limits>
#include <stdexcept>

namespace TessLinkSim
{
    using namespace ToolCommon::ExitCodes;
    using namespace TSCoreLink;
    using ToolCommon::Fail;
    using ToolCommon::Note;

    namespace
    {
        // Device indices accepted on the control channel; keeps a typo from announcing millions.
        constexpr long maxControlIndex = 65535;

        std::string Key(int index) { return DeviceKey::Of(static_cast<std::uint32_t>(index)); }

        bool AllDigits(const std::string& text)
        {
            return !text.empty() && std::all_of(text.begin(), text.end(),
                                                [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
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

        // The index of a key "device<i>" as a slot's.
        bool IndexOfKey(const std::string& key, int& index)
        {
            std::uint32_t value = 0;
            if (!DeviceKey::IndexOf(key, static_cast<std::uint32_t>(std::numeric_limits<int>::max()), value))
                return false;
            index = static_cast<int>(value);
            return true;
        }

        // "<first word>" and "<the rest after one blank>", blanks of the rest kept.
        std::pair<std::string, std::string> FirstWord(const std::string& text)
        {
            const std::size_t gap = text.find(' ');
            if (gap == std::string::npos)
                return {text, std::string()};
            return {text.substr(0, gap), text.substr(gap + 1)};
        }

        // "T,I,M,R,P" closures from 0 to 1.
        bool ParseFlexion(const std::string& text, Flexion& out)
        {
            const std::vector<std::string> fields = SplitFields(text, ',');
            if (fields.size() != out.size())
                return false;
            for (std::size_t f = 0; f < out.size(); ++f)
            {
                char* end = nullptr;
                out[f] = std::strtod(fields[f].c_str(), &end);
                if (fields[f].empty() || *end != '\0' || !(out[f] >= 0.0 && out[f] <= 1.0))
                    return false;
            }
            return true;
        }
    }

    const Service::ControlCommand Service::controlCommands[] = {
        {"ndevices", "N|auto", "announce N as nDevices (auto: the real count)", &Service::SetDeviceCount},
        {"record", "I TEXT", "replace or create the record of device I", &Service::SetRecord},
        {"data", "I TEXT", "fix the sensor text of device I (stops its animation)", &Service::SetData},
        {"flex", "I T,I,M,R,P", "hold glove I's finger closures, 0..1 ('auto': its motion)", &Service::SetFlexion},
        {"brakes", "I", "glove I's force levels, held fingers, closures (above)", &Service::BrakeState},
        {"disconnect", "I", "state field of device I becomes 0; its text freezes", &Service::Disconnect},
        {"connect", "I", "state field of device I becomes 1", &Service::Connect},
        {"scan", "OFFSET", "time stamp = now + OFFSET seconds, refreshed", &Service::Scan},
        {"stale", "", "time stamp = now - 100, no longer refreshed", &Service::Stale},
        {"quit", "", "remove the segments and exit", &Service::Quit},
    };

    Service::Service(ServiceOptions options, std::vector<std::unique_ptr<SimDevice>> devices)
        : options(std::move(options))
    {
        int index = 0;
        for (auto& device : devices)
            slots[index++].device = std::move(device);
    }

    std::string Service::ControlHelp()
    {
        std::string out;
        for (const ControlCommand& command : controlCommands)
        {
            std::string usage = std::string(command.name) + " " + command.arguments;
            usage.resize(std::max<std::size_t>(usage.size() + 2, 20), ' ');
            out += "  " + usage + command.help + "\n";
        }
        return out;
    }

    int Service::Run()
    {
        if (const int code = Claim())
            return code;
        PublishFirst();
        Print("ready");
        while (!quit && !ToolCommon::StopRequested())
        {
            if (const int code = Step(Clock::now()))
                return code;
            WaitForWork();
        }
        segments.Release();
        Verbose("segments removed");
        return exitOk;
    }

    int Service::Claim()
    {
        const auto claim = host.Claim(slots.size(), options.segmentSize, options.takeover);
        if (claim.outcome == ServiceSegments::Outcome::Busy)
            return Fail(exitSegmentsOwned, claim.message + ". Stop it first, or start with --takeover to replace it.");
        if (claim.outcome == ServiceSegments::Outcome::Failed)
            return Fail(exitInternal, claim.message);
        if (!claim.message.empty())
            Note(claim.message);
        if (host.Size() != options.segmentSize)
            Verbose("segments enlarged to " + std::to_string(host.Size()) + " bytes for " +
                    std::to_string(slots.size()) + " devices");
        return 0;
    }

    void Service::PublishFirst()
    {
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
        dataTicks = ToolCommon::Ticker::PerSecond(options.rate, start);
        dataTicks.Advance(start);
        nextHaptics = start;
        everySecond = ToolCommon::Ticker(std::chrono::seconds(1), start);
        everySecond.Advance(start);
    }

    // One pass of the loop: faults, the once-a-second work, commands, sensor texts. A
    // non-zero result ends the service with that code.
    int Service::Step(Clock::time_point now)
    {
        const double t = Elapsed(now);
        if (options.crashAfter && t >= *options.crashAfter)
            _exit(exitCrashed); // leaves the segments behind on purpose
        if (options.seconds && t >= *options.seconds)
        {
            quit = true;
            return 0;
        }
        if (options.disconnectAfter && !disconnectedAll && t >= *options.disconnectAfter)
        {
            for (auto& entry : slots)
                entry.second.connected = false;
            disconnectedAll = true;
            PublishRecords(false);
            Verbose("all devices disconnected");
        }
        // Close the second before counting a publish due at the same instant.
        if (everySecond.Due(now))
        {
            if (const auto why = host.LostOwnership())
            {
                Note(*why + "; stopping");
                return exitSegmentsOwned;
            }
            EverySecond(t);
            everySecond.Advance(now);
        }
        // Commands first, so that a publish due now already shows what they brake.
        if (now >= nextHaptics)
        {
            PollHaptics(t);
            nextHaptics = now + hapticsPollInterval;
        }
        if (const bool due = dataTicks.Due(now); options.stress || due)
        {
            PublishData(t);
            ++ticksThisSecond;
            if (due)
                dataTicks.Advance(now);
        }
        return 0;
    }

    void Service::EverySecond(double t)
    {
        pps = ticksThisSecond;
        ticksThisSecond = 0;
        PublishScanActive();
        PublishRecords(false);
        PublishNDevices();
        if (options.verbose)
            Status(t);
    }

    // Sleeps until the next piece of work is due, or a control line arrives.
    void Service::WaitForWork()
    {
        auto wake = std::min({dataTicks.Next(), nextHaptics, everySecond.Next()});
        if (options.stress)
            wake = Clock::now();
        for (const auto& due :
             {options.crashAfter, options.seconds, disconnectedAll ? std::optional<double>() : options.disconnectAfter})
            if (due)
                wake = std::min(wake, Deadline(*due));
        const auto wait = std::chrono::duration_cast<std::chrono::nanoseconds>(
            std::max(wake - Clock::now(), Clock::duration::zero()));
        timespec timeout{};
        timeout.tv_sec = static_cast<time_t>(wait.count() / 1000000000);
        timeout.tv_nsec = static_cast<long>(wait.count() % 1000000000);
        pollfd input{STDIN_FILENO, POLLIN, 0};
        const int ready = ppoll(&input, watchStdin ? 1 : 0, &timeout, nullptr);
        if (ready <= 0 || !watchStdin)
            return;
        if ((input.revents & POLLNVAL) != 0)
            watchStdin = false;
        else if ((input.revents & (POLLIN | POLLHUP | POLLERR)) != 0)
            ReadControl();
    }

    Service::Clock::time_point Service::Deadline(double seconds) const
    {
        return start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    }

    double Service::Elapsed(Clock::time_point now) const { return std::chrono::duration<double>(now - start).count(); }

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
            if (segments.WriteRecord(static_cast<std::uint32_t>(index), record))
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
        if (segments.WriteCount(text))
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
        const long long stamp = stale ? now - 100 : now + scanOffset;
        if (segments.WriteStamp(stamp))
            publishedScan = std::to_string(stamp);
        else
            ++failedWrites;
    }

    void Service::PublishData(double t)
    {
        for (auto& [index, slot] : slots)
        {
            // A disconnected glove sends nothing new: its last text stays.
            const bool live = !slot.connected || *slot.connected || slot.lastData.empty();
            if (live)
                slot.lastData = slot.data ? *slot.data : slot.device->SensorText(t);
            if (!segments.WriteText(static_cast<std::uint32_t>(index), slot.lastData))
                ++failedWrites;
        }
    }

    void Service::PollHaptics(double t)
    {
        std::vector<std::pair<std::string, std::string>> commands;
        if (host.ChangedCommands(commands))
            TakeCommands(commands, t);
    }

    void Service::TakeCommands(const std::vector<std::pair<std::string, std::string>>& commands, double t)
    {
        std::vector<int> ffb;
        for (const auto& [key, command] : commands)
        {
            int index = -1;
            Print(DecodeCommand(key, TargetFor(key, index), command, &ffb));
            // A malformed command leaves the glove's brakes as they were.
            if (!ffb.empty())
                slots.at(index).device->SetForce(ffb, t);
        }
    }

    // The kind and firmware come from what we announce under the same key now; index is the
    // slot's, or -1 when no device has the key.
    CommandTarget Service::TargetFor(const std::string& key, int& index) const
    {
        CommandTarget target;
        const auto slot = IndexOfKey(key, index) ? slots.find(index) : slots.end();
        if (slot == slots.end())
        {
            index = -1;
            return target;
        }
        const std::string record = RecordOf(index, slot->second);
        target.kind = KindOfRecord(record);
        if (target.kind == DeviceKind::Tessara)
        {
            int firmware = 0;
            int subFirmware = 0;
            FirmwareOfRecord(record, firmware, subFirmware);
            target.thumperByte = TSCoreLink::TakesThumperByte(firmware, subFirmware);
        }
        return target;
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
        const auto [name, arguments] = FirstWord(line);
        for (const ControlCommand& command : controlCommands)
            if (name == command.name)
                return (this->*command.run)(arguments);
        return "error: unknown command '" + name + "'";
    }

    Service::Slot* Service::FindSlot(const std::string& indexText, int& index)
    {
        if (!ParseIndex(indexText, index))
            return nullptr;
        const auto slot = slots.find(index);
        return slot == slots.end() ? nullptr : &slot->second;
    }

    std::string Service::Quit(const std::string&)
    {
        quit = true;
        return "ok";
    }

    std::string Service::SetDeviceCount(const std::string& arguments)
    {
        if (arguments == "auto")
            nDevicesOverride.reset();
        else if (IsIntegerText(arguments))
            nDevicesOverride = arguments;
        else
            return "error: ndevices takes an integer or 'auto'";
        PublishNDevices();
        return publishedNDevices == NDevicesText() ? "ok" : "error: segment Devices is full";
    }

    // "I TEXT": the text is everything after one blank, blanks included.
    std::string Service::SetRecord(const std::string& arguments)
    {
        const auto [indexText, text] = FirstWord(arguments);
        int index = -1;
        if (!ParseIndex(indexText, index))
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
        if (created && !segments.WriteText(static_cast<std::uint32_t>(index), std::string()))
            return "error: segment Data is full";
        PublishNDevices();
        return "ok";
    }

    std::string Service::SetData(const std::string& arguments)
    {
        const auto [indexText, text] = FirstWord(arguments);
        int index = -1;
        Slot* slot = FindSlot(indexText, index);
        if (index < 0)
            return "error: data takes an index and a text";
        if (slot == nullptr)
            return "error: no device " + std::to_string(index);
        slot->data = text;
        slot->lastData = text;
        return segments.WriteText(static_cast<std::uint32_t>(index), text) ? "ok" : "error: segment Data is full";
    }

    std::string Service::SetFlexion(const std::string& arguments)
    {
        const auto [indexText, text] = FirstWord(arguments);
        int index = -1;
        Slot* slot = FindSlot(indexText, index);
        Flexion flexion{};
        const bool motion = text == "auto";
        if (index < 0 || (!motion && !ParseFlexion(text, flexion)))
            return "error: flex takes a glove index and five closures from 0 to 1 (T,I,M,R,P), or 'auto'";
        if (slot == nullptr)
            return "error: no device " + std::to_string(index);
        if (!slot->device->SetFlexion(motion ? std::nullopt : std::optional<Flexion>(flexion)))
            return "error: device " + std::to_string(index) + " is not a simulated glove";
        slot->data.reset();
        // Written now rather than at the next tick: once "ok" is out, a reader sees the new
        // closures, never a text of the motion from before.
        if (slot->connected && !*slot->connected)
            return "ok";
        slot->lastData = slot->device->SensorText(Elapsed(Clock::now()));
        return segments.WriteText(static_cast<std::uint32_t>(index), slot->lastData) ? "ok"
                                                                                     : "error: segment Data is full";
    }

    std::string Service::BrakeState(const std::string& arguments)
    {
        int index = -1;
        Slot* slot = FindSlot(arguments, index);
        if (index < 0)
            return "error: brakes takes a glove index";
        if (slot == nullptr)
            return "error: no device " + std::to_string(index);
        const std::string state = slot->device->BrakeState(Elapsed(Clock::now()));
        if (state.empty())
            return "error: device " + std::to_string(index) + " is not a simulated glove";
        return "brakes " + std::to_string(index) + " " + state;
    }

    std::string Service::Connect(const std::string& arguments) { return SetConnected(arguments, true); }

    std::string Service::Disconnect(const std::string& arguments) { return SetConnected(arguments, false); }

    std::string Service::SetConnected(const std::string& arguments, bool connected)
    {
        int index = -1;
        Slot* slot = FindSlot(arguments, index);
        if (index < 0)
            return std::string("error: ") + (connected ? "connect" : "disconnect") + " takes a device index";
        if (slot == nullptr)
            return "error: no device " + std::to_string(index);
        slot->connected = connected;
        PublishRecords(false);
        return "ok";
    }

    std::string Service::Scan(const std::string& arguments)
    {
        if (!IsIntegerText(arguments) || arguments.size() > 13)
            return "error: scan takes an offset in whole seconds";
        scanOffset = std::stoll(arguments);
        stale = false;
        publishedScan.clear();
        PublishScanActive();
        return "ok";
    }

    std::string Service::Stale(const std::string&)
    {
        stale = true;
        publishedScan.clear();
        PublishScanActive();
        return "ok";
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
            if (record && SaysConnected(*record))
                ++connected;
        }
        Verbose("status t=" + std::to_string(static_cast<long long>(t)) + "s nDevices=" + publishedNDevices +
                " connected=" + std::to_string(connected) + "/" + std::to_string(slots.size()) +
                " pps=" + std::to_string(pps) + " scanActive=" + publishedScan +
                " commands=" + std::to_string(host.CommandKeys()) + " failedWrites=" + std::to_string(failedWrites));
    }

    void Service::Verbose(const std::string& line) const
    {
        // Diagnostics go to stderr so that stdout stays a clean protocol for tests.
        if (options.verbose)
            Note(line);
    }

    void Service::Print(const std::string& line) { std::cout << line << '\n' << std::flush; }
}
