// The bridge's checks of haptic levels from ROS 2, on text that describes a sample:
// "levels OFFSET CHANNELS" then one value per line (a Float32MultiArray), or "efforts" then
// "name value" per line (a JointState; a line without a value makes the lengths disagree).
// A sample is taken whole or not at all, and what it gives is always a level 0..1.
//
// "gate ACCEPT TIMEOUT_MS" then one event per line drives the publisher's haptics gate as
// mirrors and ROS topics would: "cmd SOURCE INDEX DT_MS BYTES", "levels SOURCE INDEX DT_MS
// V V V V V" (checked first, as the ROS topics are), "beat SOURCE LEAVING DT_MS", "expire DT_MS",
// "stopall". Nothing reaches a glove unless accepted, and after every check no glove is left
// driven with none of its sources alive; a glove is stopped only once all its sources are gone.
#include <chrono>
#include <cstdlib>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "FuzzHelpers.h"
#include "HapticInput.h"
#include "HapticsGate.h"

namespace HapticInput = TSCoreBridge::HapticInput;

namespace
{
    void CheckLevels(const HapticInput::Levels& levels)
    {
        for (float level : levels)
            TSCoreFuzz::Check(level >= 0.0f && level <= 1.0f, "every level is 0..1");
    }

    void Levels(std::istringstream& in, std::uint32_t offset, std::size_t channels)
    {
        std::vector<float> values;
        for (std::string line; std::getline(in, line) && values.size() < 64;)
            values.push_back(std::strtof(line.c_str(), nullptr));
        HapticInput::Levels out;
        out.fill(0.5f);
        const HapticInput::Levels before = out;
        bool dropped = false;
        const auto verdict = HapticInput::CheckLevels(values.data(), static_cast<std::uint32_t>(values.size()), offset,
                                                      channels, out, dropped);
        if (verdict != HapticInput::Verdict::Ok)
        {
            TSCoreFuzz::Check(out == before, "a refused sample changes nothing");
            return;
        }
        CheckLevels(out);
        for (std::size_t i = channels; i < out.size(); ++i)
            TSCoreFuzz::Check(out[i] == 0.0f, "nothing beyond the glove's channels");
    }

    void Efforts(std::istringstream& in)
    {
        static const std::vector<HapticInput::EffortDigit> config{
            {0, {"thumb_mcp"}, 0.0, 0.3}, {1, {"index_mcp", "index_pip"}, 0.02, 0.3}, {9, {"beyond"}, 0.0, 1.0}};
        std::vector<std::string> names;
        std::vector<double> efforts;
        for (std::string line; std::getline(in, line) && names.size() < 2048;)
        {
            std::istringstream fields(line);
            std::string name, value;
            fields >> name >> value;
            names.push_back(name);
            if (!value.empty())
                efforts.push_back(std::strtod(value.c_str(), nullptr));
        }
        std::vector<const char*> pointers;
        for (const auto& name : names)
            pointers.push_back(name == "-" ? nullptr : name.c_str());
        HapticInput::Levels out;
        out.fill(0.5f);
        const HapticInput::Levels before = out;
        const auto verdict =
            HapticInput::EffortLevels(pointers.data(), static_cast<std::uint32_t>(pointers.size()), efforts.data(),
                                      static_cast<std::uint32_t>(efforts.size()), config, out);
        if (verdict != HapticInput::Verdict::Ok)
            TSCoreFuzz::Check(out == before, "a refused sample changes nothing");
        else
            CheckLevels(out);
        TSCoreFuzz::Check(HapticInput::VerdictName(verdict) != nullptr, "every verdict has a name");
    }
}

namespace
{
    using TSCoreBridge::HapticsGate;

    // The publisher's side of the gate: gloves 0..7 exist, an empty command is not written.
    struct Gloves
    {
        bool accept = false;
        HapticsGate::Clock::time_point now{std::chrono::seconds(1000)};
        // Per glove, the sources whose writes reached it and that were alive at every check since.
        std::map<std::uint32_t, std::set<std::uint64_t>> drivers;
        std::unique_ptr<HapticsGate> gate;
        bool stoppingAll = false;
        int depth = 0;

        bool Write(std::uint32_t index, const std::string& bytes)
        {
            TSCoreFuzz::Check(accept, "nothing is written unless accepted");
            return index < 8 && !bytes.empty();
        }

        void Stop(std::uint32_t index)
        {
            TSCoreFuzz::Check(drivers.count(index) != 0, "only a driven glove is stopped");
            for (std::uint64_t source : drivers[index])
                TSCoreFuzz::Check(stoppingAll || !gate->Live(source, now),
                                  "a glove is stopped once all its sources are gone");
            drivers.erase(index);
        }

        // A source fell silent, others drive the glove: they say their part again (at once,
        // from inside the gate's check, as the publisher's ROS topics do).
        void Lost(std::uint32_t index)
        {
            const auto it = drivers.find(index);
            TSCoreFuzz::Check(it != drivers.end(), "only a driven glove loses a source");
            if (depth > 0 || it->second.empty())
                return;
            ++depth;
            const std::uint64_t source = *it->second.begin();
            if (gate->Live(source, now))
                Drive(source, index, [] { return true; });
            --depth;
        }

        void Drive(std::uint64_t source, std::uint32_t index, const std::function<bool()>& write)
        {
            const auto outcome = gate->Drive(source, index, now, write);
            TSCoreFuzz::Check(accept == (outcome != HapticsGate::Outcome::NotAccepted),
                              "refused exactly unless accepted");
            if (outcome != HapticsGate::Outcome::Written)
                return;
            drivers[index].insert(source);
            TSCoreFuzz::Check(gate->Live(source, now), "a source that just wrote is alive");
        }

        // After a check: a source that fell silent drives nothing any more, even once it speaks again.
        void Settled()
        {
            for (auto& [index, sources] : drivers)
            {
                for (auto it = sources.begin(); it != sources.end();)
                    it = gate->Live(*it, now) ? std::next(it) : sources.erase(it);
                TSCoreFuzz::Check(!sources.empty(), "no glove is left driven without a live source");
            }
            TSCoreFuzz::Check(gate->DrivenGloves() == drivers.size(), "the gate drives what reached the gloves");
        }
    };

    void Gate(std::istringstream& in, bool accept, long timeoutMs)
    {
        Gloves gloves;
        gloves.accept = accept;
        gloves.gate = std::make_unique<HapticsGate>(
            accept, std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs % 2000),
            [&](std::uint32_t index, const std::string& bytes) { return gloves.Write(index, bytes); },
            [&](std::uint32_t index) { gloves.Stop(index); }, [&](std::uint32_t index) { gloves.Lost(index); });
        for (std::string line; std::getline(in, line);)
        {
            std::istringstream fields(line);
            std::string event;
            std::uint64_t source = 0;
            std::uint32_t index = 0;
            long dt = 0;
            fields >> event;
            if (event == "cmd" || event == "levels")
                fields >> source >> index;
            else if (event == "beat")
                fields >> source >> index; // index: leaving
            fields >> dt;
            gloves.now += std::chrono::milliseconds(dt < 0 ? 0 : dt % 1000000);
            if (event == "cmd")
            {
                std::string bytes;
                std::getline(fields >> std::ws, bytes);
                gloves.Drive(source, index, [&] { return gloves.Write(index, bytes); });
            }
            else if (event == "levels")
            {
                std::vector<float> values;
                for (std::string value; fields >> value && values.size() < 8;)
                    values.push_back(std::strtof(value.c_str(), nullptr));
                HapticInput::Levels levels{};
                bool dropped = false;
                if (HapticInput::CheckLevels(values.data(), static_cast<std::uint32_t>(values.size()), 0, 5, levels,
                                             dropped) == HapticInput::Verdict::Ok)
                    gloves.Drive(HapticsGate::LocalSource(static_cast<std::uint32_t>(source % 64)), index,
                                 [&] { return gloves.Write(index, std::to_string(levels[0])); });
            }
            else if (event == "beat")
                gloves.gate->OnHeartbeat(source, index != 0, gloves.now);
            else if (event == "expire")
            {
                gloves.gate->Expire(gloves.now);
                gloves.Settled();
            }
            else if (event == "stopall")
            {
                gloves.stoppingAll = true;
                gloves.gate->StopAll();
                gloves.stoppingAll = false;
                TSCoreFuzz::Check(gloves.drivers.empty() && gloves.gate->DrivenGloves() == 0, "every glove stopped");
            }
        }
        gloves.now += std::chrono::seconds(3);
        gloves.gate->Expire(gloves.now);
        gloves.Settled();
        TSCoreFuzz::Check(gloves.drivers.empty(), "silence releases every glove");
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::istringstream in(TSCoreFuzz::Text(data, size));
    std::string first;
    std::getline(in, first);
    std::istringstream head(first);
    std::string kind;
    long offset = 0;
    long channels = 5;
    head >> kind >> offset >> channels;
    if (kind == "levels")
        Levels(in, static_cast<std::uint32_t>(offset), static_cast<std::size_t>(channels < 0 ? 0 : channels));
    else if (kind == "efforts")
        Efforts(in);
    else if (kind == "gate")
        Gate(in, offset != 0, channels);
    return 0;
}
