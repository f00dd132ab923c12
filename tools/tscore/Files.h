#pragma once

#include <string>

namespace TSCoreCli
{
    /// The whole file; false when it cannot be opened or read.
    bool ReadFile(const std::string& path, std::string& out);
    /// Replaces the file by text; false when it cannot be written completely.
    bool WriteFile(const std::string& path, const std::string& text);
}
