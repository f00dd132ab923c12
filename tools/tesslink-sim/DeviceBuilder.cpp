#include "DeviceBuilder.h"

#include <cstdlib>
#include <map>

namespace TessLinkSim
{
    DeviceBuilder::DeviceBuilder(const SimOptions& options, const DeviceOptions& devices)
        : options(options), devices(devices)
    {
        Motion::ParsePattern(options.motion, motion.pattern);
        motion.period = options.period;
        motion.noise = options.noise;
    }

    bool DeviceBuilder::Build(const CLI::App& app, std::vector<std::unique_ptr<SimDevice>>& out, std::string& error,
                              std::vector<std::string>& warnings)
    {
        if (app.count("--beta-text") > 0)
            betaText = options.betaText;
        // parse_order() lists each option once per value, in the order they were read.
        std::map<const CLI::Option*, std::size_t> used;
        for (const CLI::Option* option : app.parse_order())
        {
            const auto& results = option->results();
            const std::size_t n = used[option]++;
            if (n >= results.size())
                continue;
            const std::string& value = results[n];
            if (option == devices.beta)
                out.push_back(std::make_unique<BetaSim>(value, betaText, options.service.stress));
            else if (option == devices.record)
                out.push_back(std::make_unique<RecordSim>(value));
            else if (option == devices.tessara)
                AddTessara(value, out);
            else if (option == devices.kelvo)
                out.push_back(std::make_unique<KelvoSim>(value == "right", ++kelvoSerial, motion));
            else if (option == devices.gloves)
                for (int i = 0, count = std::atoi(value.c_str()); i < count; ++i)
                    AddTessara(i % 2 == 0 ? "right" : "left", out);
            else if (option == devices.replay && !AddReplay(value, out, error, warnings))
                return false;
        }
        if (out.empty())
            error = "no devices to announce (see --help)";
        return !out.empty();
    }

    void DeviceBuilder::AddTessara(const std::string& argument, std::vector<std::unique_ptr<SimDevice>>& out)
    {
        bool right = true;
        std::string firmware;
        ParseTessaraArgument(argument, right, firmware); // checked by the option's validator
        ++tessaraSerial;
        if (options.standardConstants)
        {
            const float value = firmware.empty() ? 4.7f : std::strtof(firmware.c_str(), nullptr);
            out.push_back(std::make_unique<TessaraSim>(right, tessaraSerial,
                                                       TessaraSim::StandardConstants(right, value), motion));
            return;
        }
        const std::string text = firmware.empty() ? TessaraSim::defaultFirmware : firmware;
        out.push_back(std::make_unique<TessaraSim>(right, tessaraSerial,
                                                   TessaraSim::Constants(right, tessaraSerial, text), motion));
    }

    bool DeviceBuilder::AddReplay(const std::string& path, std::vector<std::unique_ptr<SimDevice>>& out,
                                  std::string& error, std::vector<std::string>& warnings) const
    {
        auto track = std::make_shared<ReplayTrack>();
        if (!ReplayTrack::Load(path, *track, error))
            return false;
        if (!track->Warning().empty())
            warnings.push_back(track->Warning());
        track->SetLoop(options.loop);
        track->SetSpeed(options.speed);
        for (std::size_t i = 0; i < track->Devices().size(); ++i)
            out.push_back(std::make_unique<ReplaySim>(track, i));
        return true;
    }
}
