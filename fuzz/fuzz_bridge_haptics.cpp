// The bridge's checks of haptic levels from ROS 2, on text that describes a sample:
// "levels OFFSET CHANNELS" then one value per line (a Float32MultiArray), or "efforts" then
// "name value" per line (a JointState; a line without a value makes the lengths disagree).
// A sample is taken whole or not at all, and what it gives is always a level 0..1.
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "FuzzHelpers.h"
#include "HapticInput.h"

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
    return 0;
}
