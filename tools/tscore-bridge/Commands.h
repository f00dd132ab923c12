#pragma once

// One function per subcommand: it registers its options and returns the runner that main
// calls once the arguments are parsed. Runners return an exit code.

#include <cstdint>
#include <functional>
#include <string>

#include <CLI/CLI.hpp>

namespace TSCoreBridge
{
    using Runner = std::function<int()>;

    Runner AddPublish(CLI::App& app);
    Runner AddMirror(CLI::App& app);

    /// --domain and --partition, shared by both subcommands.
    void AddNetworkOptions(CLI::App& command, std::uint32_t& domain, std::string& partition);
}
