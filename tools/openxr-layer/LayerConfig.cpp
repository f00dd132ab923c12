#include "LayerConfig.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>
#include <utility>

#include "Console.h"

namespace TSCoreXR
{
    namespace
    {
        const char* const keys[] = {"space", "right_offset", "left_offset", "yaw", "right_profile", "left_profile"};

        std::string Trim(const std::string& text)
        {
            const auto first = text.find_first_not_of(" \t\r");
            if (first == std::string::npos)
                return "";
            return text.substr(first, text.find_last_not_of(" \t\r") + 1 - first);
        }

        // Whitespace-separated finite numbers, exactly count of them.
        bool Numbers(const std::string& text, float* out, int count)
        {
            const char* p = text.data();
            const char* end = p + text.size();
            for (int i = 0; i < count; ++i)
            {
                while (p < end && std::isspace(static_cast<unsigned char>(*p)))
                    ++p;
                const auto [next, ec] = std::from_chars(p, end, out[i]);
                if (ec != std::errc() || !std::isfinite(out[i]))
                    return false;
                p = next;
            }
            while (p < end && std::isspace(static_cast<unsigned char>(*p)))
                ++p;
            return p == end;
        }

        // A device or a pipe (/dev/zero, a terminal's /dev/stdin) may never end: reading one would
        // hang the application as it starts.
        bool NotAFile(const std::string& path)
        {
            std::error_code ec;
            return std::filesystem::exists(path, ec) && !std::filesystem::is_regular_file(path, ec);
        }

        bool LoadProfile(const std::string& path, bool right, TSCore::HandProfile& out, std::string& error)
        {
            if (NotAFile(path))
            {
                error = path + " is not a regular file";
                return false;
            }
            std::ifstream file(path, std::ios::binary);
            std::stringstream text;
            if (!file || !(text << file.rdbuf()))
            {
                error = "cannot read " + path;
                return false;
            }
            TSCore::HandProfile profile = TSCore::HandProfile::Deserialize(text.str());
            // Unreadable text comes back as the default profile; only the default's own text may.
            const TSCore::HandProfile fallback = TSCore::HandProfile::Default(profile.isRight);
            if (profile.Equals(fallback) && text.str() != fallback.Serialize())
            {
                error = path + " holds no hand profile";
                return false;
            }
            if (profile.isRight != right)
            {
                error = path + " is a " + (profile.isRight ? "right" : "left") + "-hand profile";
                return false;
            }
            out = std::move(profile);
            return true;
        }
    }

    bool LayerConfig::Set(const std::string& key, const std::string& value, std::string& error)
    {
        float numbers[3];
        if (key == "space")
        {
            if (value == "local" || value == "stage" || value == "view")
            {
                space = value == "local"   ? XR_REFERENCE_SPACE_TYPE_LOCAL
                        : value == "stage" ? XR_REFERENCE_SPACE_TYPE_STAGE
                                           : XR_REFERENCE_SPACE_TYPE_VIEW;
                return true;
            }
            error = "space must be local, stage or view, not \"" + value + "\"";
            return false;
        }
        if (key == "right_offset" || key == "left_offset")
        {
            if (!Numbers(value, numbers, 3))
            {
                error = key + " must be three numbers in metres (X Y Z), not \"" + value + "\"";
                return false;
            }
            (key[0] == 'r' ? rightOffset : leftOffset) = TSCore::Kinematics::Vect3D(numbers[0], numbers[1], numbers[2]);
            return true;
        }
        if (key == "yaw")
        {
            if (!Numbers(value, numbers, 1))
            {
                error = "yaw must be a number of degrees, not \"" + value + "\"";
                return false;
            }
            yawDegrees = numbers[0];
            return true;
        }
        if (key == "right_profile" || key == "left_profile")
            return LoadProfile(value, key[0] == 'r', key[0] == 'r' ? rightProfile : leftProfile, error);
        error = "unknown setting \"" + key + "\"";
        return false;
    }

    LayerConfig LayerConfig::Load(const std::function<const char*(const char*)>& getenv)
    {
        LayerConfig config;
        std::string path;
        if (const char* named = getenv("TSCORE_XR_CONFIG"); named && *named)
            path = named;
        else if (const char* xdg = getenv("XDG_CONFIG_HOME"); xdg && *xdg)
            path = std::string(xdg) + "/tscore/openxr-layer.conf";
        else if (const char* home = getenv("HOME"); home && *home)
            path = std::string(home) + "/.config/tscore/openxr-layer.conf";

        std::string error;
        std::ifstream file;
        if (NotAFile(path))
            ToolCommon::Warn(path + " is not a regular file; using the defaults");
        else if (file.open(path); !file.is_open() && getenv("TSCORE_XR_CONFIG"))
            ToolCommon::Warn("cannot read " + path + " (TSCORE_XR_CONFIG); using the defaults");
        std::string line;
        for (int number = 1; file.is_open() && std::getline(file, line); ++number)
        {
            line = Trim(line.substr(0, line.find('#')));
            if (line.empty())
                continue;
            const auto equals = line.find('=');
            if (equals == std::string::npos)
                ToolCommon::Warn(path + ":" + std::to_string(number) + ": expected key = value");
            else if (!config.Set(Trim(line.substr(0, equals)), Trim(line.substr(equals + 1)), error))
                ToolCommon::Warn(path + ":" + std::to_string(number) + ": " + error);
        }
        for (const char* key : keys)
        {
            std::string name = "TSCORE_XR_";
            for (const char* c = key; *c; ++c)
                name += static_cast<char>(std::toupper(static_cast<unsigned char>(*c)));
            if (const char* value = getenv(name.c_str()); value && !config.Set(key, Trim(value), error))
                ToolCommon::Warn(name + ": " + error);
        }
        return config;
    }
}
