#pragma once

// Reading and writing the files the tools take and make; "-" is standard output. Every
// failure comes with the reason the system gives ("No such file or directory").

#include <string>

namespace ToolCommon
{
    /// The whole file; false with why when it cannot be opened or read.
    bool ReadTextFile(const std::string& path, std::string& out, std::string& why);
    /// Replaces the file by text ("-": standard output); false with why when it cannot be
    /// written completely.
    bool WriteTextFile(const std::string& path, const std::string& text, std::string& why);
    /// Whether WriteTextFile(path) can work, checked before a long operation; creates nothing.
    /// why says what is in the way.
    bool CanWrite(const std::string& path, std::string& why);
}
