#pragma once

// The exit codes and the console every subcommand uses (tools/common), and the failures that
// several subcommands report alike. Every message says what to do next.

#include <string>

#include "Console.h"
#include "ExitCode.h"

namespace TSCoreCli
{
    using namespace ToolCommon::ExitCodes;
    using ToolCommon::Fail;
    using ToolCommon::Warn;

    /// exitCannotWrite with a message when path exists and --force was not given.
    int RefuseExisting(const std::string& path, bool force);

    /// The service is not running: how to start one.
    int FailNoService();
}
