#pragma once

// What a tool says on stderr: one line each, prefixed with the tool's name ("tscore: ..."),
// written with one call so that lines from several threads never interleave. Nothing here
// throws or exits: the OpenXR layer writes through it from inside a user's application.

#include <string>

namespace ToolCommon
{
    /// The name every line starts with; set once at the start, before any thread. Without it
    /// lines carry the program's name.
    void SetConsoleName(const char* name) noexcept;

    /// Prints "name: message" and returns code, so that `return Fail(code, "...")` ends a command.
    int Fail(int code, const std::string& message) noexcept;
    /// Prints "name: warning: message": something the user should know, and the work goes on.
    void Warn(const std::string& message) noexcept;
    /// Prints "name: message": what the tool does, for the one who started it.
    void Note(const std::string& message) noexcept;
}
