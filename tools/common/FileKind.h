#pragma once

// What a stored text is, judged by its shape, so that every tool refuses a file of the wrong
// kind with what it looks like instead; and the one way the tools load a hand profile.

#include <string>

#include <TSCore/Hand/HandProfile.h>

namespace ToolCommon
{
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

    /// A hand profile file; false with a message that says why it cannot be read or what the
    /// file looks like instead.
    bool LoadProfileFile(const std::string& path, TSCore::HandProfile& out, std::string& error);
}
