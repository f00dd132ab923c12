#include "Files.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include <TSCore/Util/Serializer.h>

#include "RecordingFile.h"

namespace TSCoreCli
{
    bool ReadFile(const std::string& path, std::string& out)
    {
        std::ifstream file(path, std::ios::binary);
        if (!file)
            return false;
        std::ostringstream content;
        content << file.rdbuf();
        // An empty file leaves rdbuf() extraction with failbit set; only bad() is an error.
        if (file.bad())
            return false;
        out = content.str();
        return true;
    }

    bool WriteFile(const std::string& path, const std::string& text)
    {
        if (path == "-")
        {
            std::cout << text << std::flush;
            return static_cast<bool>(std::cout);
        }
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        if (!file)
            return false;
        file << text;
        file.close();
        return !file.fail();
    }

    bool CanWrite(const std::string& path, std::string& why)
    {
        namespace fs = std::filesystem;
        if (path == "-")
            return true;
        std::error_code error;
        if (fs::is_directory(path, error))
        {
            why = path + " is a directory";
            return false;
        }
        if (fs::exists(path, error))
        {
            why = path + " is not writable";
            return access(path.c_str(), W_OK) == 0;
        }
        const fs::path parent = fs::path(path).parent_path().empty() ? fs::path(".") : fs::path(path).parent_path();
        why = parent.string() + (fs::is_directory(parent, error) ? " is not writable" : " does not exist");
        return fs::is_directory(parent, error) && access(parent.c_str(), W_OK) == 0;
    }

    TextKind KindOfText(const std::string& text)
    {
        const std::size_t start = text.find_first_not_of(" \t\r\n");
        if (start == std::string::npos)
            return TextKind::Empty;
        if (ToolCommon::RecordingFile::LooksLikeOne(text))
            return TextKind::Recording;
        if (text.compare(start, 5, "<?xml") == 0 || text.compare(start, 4, "<svg") == 0)
            return TextKind::Svg;
        if (text.compare(start, 2, "{\"") == 0 || text[start] == '[')
            return TextKind::Json;
        // Storage texts: a profile is {side}{exoskeleton part}{second-model part}, a pose
        // {side}{angles}{positions}{rotations}.
        const std::vector<std::string> blocks = TSCore::Util::Serializer::SplitBlocks(text, false);
        const auto startsWith = [&](std::size_t i, const char* prefix)
        { return blocks.size() > i && blocks[i].rfind(prefix, 0) == 0; };
        if (blocks.size() == 3 && (startsWith(1, "{R}") || startsWith(1, "{L}")))
            return TextKind::HandProfile;
        if (blocks.size() == 4 && (startsWith(1, "{{") || blocks[1].empty()))
            return TextKind::HandPose;
        return TextKind::Other;
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
}
