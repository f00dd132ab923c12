#pragma once

// The simulated devices of a command line, in the order their options were given.

#include "SimDevice.h"
#include "SimOptions.h"

#include <memory>
#include <string>
#include <vector>

namespace TessLinkSim
{
    class DeviceBuilder
    {
    public:
        DeviceBuilder(const SimOptions& options, const DeviceOptions& devices);

        // False with a one-line reason (a recording that cannot be read). Warnings (a damaged
        // recording tail) are added to `warnings`.
        bool Build(const CLI::App& app, std::vector<std::unique_ptr<SimDevice>>& out, std::string& error,
                   std::vector<std::string>& warnings);

    private:
        void AddTessara(const std::string& argument, std::vector<std::unique_ptr<SimDevice>>& out);
        bool AddReplay(const std::string& path, std::vector<std::unique_ptr<SimDevice>>& out, std::string& error,
                       std::vector<std::string>& warnings) const;

        const SimOptions& options;
        const DeviceOptions& devices;
        MotionSettings motion;
        std::optional<std::string> betaText;
        int tessaraSerial = 0;
        int kelvoSerial = 0;
    };
}
