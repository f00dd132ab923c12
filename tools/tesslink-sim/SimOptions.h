#pragma once

// The command line of tesslink-sim: every option, and the checks across options.

#include "Service.h"

#include <string>
#include <vector>

#include <CLI/CLI.hpp>

namespace TessLinkSim
{
    struct SimOptions
    {
        ServiceOptions service;
        // Device options; their values are also read back in command-line order.
        std::vector<std::string> betas;
        std::vector<std::string> records;
        std::vector<std::string> tessaras;
        std::vector<std::string> kelvos;
        std::vector<int> gloves;
        std::string replay;
        std::string betaText;
        bool standardConstants = false;
        // Motion of the simulated gloves.
        std::string motion = "wave";
        double period = 4.0;
        double noise = 0.0;
        // Playback of --replay.
        bool loop = false;
        double speed = 1.0;
        // Fault options, copied into `service` when given.
        long long scanOffset = 0;
        double disconnectAfter = 0;
        double crashAfter = 0;
        double seconds = 0;
        std::string nDevices;
    };

    // The options that announce devices, in the order of the command line.
    struct DeviceOptions
    {
        CLI::Option* beta = nullptr;
        CLI::Option* record = nullptr;
        CLI::Option* tessara = nullptr;
        CLI::Option* kelvo = nullptr;
        CLI::Option* gloves = nullptr;
        CLI::Option* replay = nullptr;
    };

    // "right|left[:FIRMWARE]" of --tessara.
    bool ParseTessaraArgument(const std::string& text, bool& right, std::string& firmware);

    DeviceOptions AddOptions(CLI::App& app, SimOptions& options);

    // After parsing: fills the service's optional values, refuses what cannot work together
    // (an empty result means fine) and collects warnings about what has no effect.
    std::string CheckOptions(const CLI::App& app, const DeviceOptions& devices, SimOptions& options,
                             std::vector<std::string>& warnings);
}
