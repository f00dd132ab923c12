#include "FileKind.h"

#include <TSCore/Util/StoredKind.h>

#include "RecordingFile.h"
#include "TextFile.h"

namespace ToolCommon
{
    TextKind KindOfText(const std::string& text)
    {
        const std::size_t start = text.find_first_not_of(" \t\r\n");
        if (start == std::string::npos)
            return TextKind::Empty;
        if (TSCoreLink::RecordingFile::LooksLikeOne(text))
            return TextKind::Recording;
        if (text.compare(start, 5, "<?xml") == 0 || text.compare(start, 4, "<svg") == 0)
            return TextKind::Svg;
        if (text.compare(start, 2, "{\"") == 0 || text[start] == '[')
            return TextKind::Json;
        switch (TSCore::Util::KindOfStored(text))
        {
        case TSCore::Util::StoredKind::HandProfile:
            return TextKind::HandProfile;
        case TSCore::Util::StoredKind::HandPose:
            return TextKind::HandPose;
        default:
            return TextKind::Other;
        }
    }

    std::string DescribeKind(TextKind kind)
    {
        switch (kind)
        {
        case TextKind::Empty:
            return "an empty file";
        case TextKind::HandProfile:
            return "a hand profile (written by `tscore calibrate`)";
        case TextKind::HandPose:
            return "a hand pose (written by `tscore pose --storage`)";
        case TextKind::Recording:
            return "a recording (written by `tscore record`)";
        case TextKind::Svg:
            return "an SVG picture";
        case TextKind::Json:
            return "JSON, such as the output of `tscore pose --json`";
        case TextKind::Other:
            break;
        }
        return "text of no kind tscore knows";
    }

    bool LoadProfileFile(const std::string& path, TSCore::HandProfile& out, std::string& error)
    {
        std::string text;
        std::string why;
        if (!ReadTextFile(path, text, why))
        {
            error = "cannot read " + path + ": " + why;
            return false;
        }
        const TextKind kind = KindOfText(text);
        if (kind != TextKind::HandProfile)
        {
            error = path + " is not a hand profile: it looks like " + DescribeKind(kind) +
                    ". `tscore calibrate --out FILE` writes profiles";
            return false;
        }
        const TSCore::HandProfile profile = TSCore::HandProfile::Deserialize(text);
        // Unreadable text comes back as the default profile; only the default's own text may.
        const TSCore::HandProfile fallback = TSCore::HandProfile::Default(profile.isRight);
        if (profile.Equals(fallback) && text != fallback.Serialize())
        {
            error = "cannot read " + path + ": no hand profile in it";
            return false;
        }
        out = profile;
        return true;
    }
}
