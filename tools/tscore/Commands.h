#pragma once

// One function per subcommand: it registers its options on the app and returns the
// runner that main calls once the arguments are parsed. Runners return an exit code.

#include <functional>

#include <CLI/CLI.hpp>

namespace TSCoreCli
{
    using Runner = std::function<int()>;

    Runner AddList(CLI::App& app);
    Runner AddWatch(CLI::App& app);
    Runner AddPose(CLI::App& app);
    Runner AddRecord(CLI::App& app);
    Runner AddHaptics(CLI::App& app);
    Runner AddCalibrate(CLI::App& app);
    Runner AddRender(CLI::App& app);
    Runner AddView(CLI::App& app);
}
