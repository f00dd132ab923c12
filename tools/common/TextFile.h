#pragma once

// Reading and writing the files the subcommands take and make; "-" is standard output.

#include <string>

namespace TSCoreCli
{
    /// The whole file; false when it cannot be opened or read.
    bool ReadFile(const std::string& path, std::string& out);
    /// Replaces the file by text ("-": standard output); false when it cannot be written completely.
    bool WriteFile(const std::string& path, const std::string& text);
    /// Whether WriteFile(path) can work, checked before a long operation; creates nothing. `why`
    /// says what is in the way.
    bool CanWrite(const std::string& path, std::string& why);

    enum class TextKind
    {
        Empty,
        HandProfile,
        HandPose,
        Recording,
        Svg,
        Json,
        Other
    };
    /// What a text looks like, judged by its shape only.
    TextKind KindOfText(const std::string& text);
    /// "a hand pose (written by `tscore pose --storage`)", for messages.
    std::string DescribeKind(TextKind kind);
}
