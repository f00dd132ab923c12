#pragma once

// --retarget SIDE=CONFIG, as every tool that drives a robot hand takes it: once per side.

#include <array>
#include <cstddef>
#include <string>

namespace ToolCommon
{
    /// Reads one --retarget value: side 0 for "right=CONFIG", 1 for "left=CONFIG", and the path.
    /// False, with the message a user sees, when given is not of that form or names a side
    /// that an earlier value took (taken says which).
    bool ReadRetargetOption(const std::string& given, std::array<bool, 2>& taken, std::size_t& side, std::string& path,
                            std::string& error);
}
