#include "Replay.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>
#include <sstream>

namespace TessLinkSim
{
    namespace
    {
        using nlohmann::json;

        bool StringMember(const json& line, const char* name, std::string& out)
        {
            const auto it = line.find(name);
            if (it == line.end() || !it->is_string())
                return false;
            out = it->get<std::string>();
            return true;
        }
    }

    bool ReplayTrack::Load(const std::string& path, ReplayTrack& out, std::string& error)
    {
        std::ifstream file(path, std::ios::binary);
        if (!file)
        {
            error = path + ": cannot open recording";
            return false;
        }
        std::ostringstream content;
        content << file.rdbuf();
        if (file.bad())
        {
            error = path + ": cannot read recording";
            return false;
        }
        return Parse(content.str(), path, out, error);
    }

    bool ReplayTrack::Parse(const std::string& text, const std::string& name, ReplayTrack& out, std::string& error)
    {
        ReplayTrack track;
        std::map<std::string, std::size_t> deviceIndex;
        bool header = false;
        std::size_t lineNumber = 0;
        std::istringstream lines(text);
        std::string line;
        while (std::getline(lines, line))
        {
            ++lineNumber;
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            if (line.find_first_not_of(" \t") == std::string::npos)
                continue;
            const std::string where = name + ":" + std::to_string(lineNumber) + ": ";
            const json object = json::parse(line, nullptr, false);
            if (object.is_discarded() || !object.is_object())
            {
                error = where + "not a JSON object";
                return false;
            }
            if (!header)
            {
                const auto format = object.find("format");
                const auto version = object.find("version");
                if (format == object.end() || *format != "tscore-recording")
                {
                    error = where + "not a tscore recording (missing format header)";
                    return false;
                }
                if (version == object.end() || !version->is_number_integer() || *version != 1)
                {
                    error = where + "unsupported recording version";
                    return false;
                }
                header = true;
                continue;
            }
            std::string kind;
            std::string key;
            if (!StringMember(object, "kind", kind) || !StringMember(object, "key", key))
            {
                error = where + "line without \"kind\" and \"key\"";
                return false;
            }
            if (kind == "device")
            {
                std::string record;
                if (!StringMember(object, "record", record))
                {
                    error = where + "device line without \"record\" text";
                    return false;
                }
                if (!deviceIndex.emplace(key, track.devices.size()).second)
                {
                    error = where + "device " + key + " recorded twice";
                    return false;
                }
                track.devices.push_back({key, record});
            }
            else if (kind == "data")
            {
                std::string value;
                const auto t = object.find("t");
                if (t == object.end() || !t->is_number() || !StringMember(object, "text", value))
                {
                    error = where + "data line without number \"t\" and \"text\"";
                    return false;
                }
                const double seconds = t->get<double>();
                if (!std::isfinite(seconds) || seconds < 0.0)
                {
                    error = where + "data line with a negative or invalid time";
                    return false;
                }
                const auto device = deviceIndex.find(key);
                if (device == deviceIndex.end())
                {
                    error = where + "data for " + key + ", which has no device line";
                    return false;
                }
                track.frames.push_back({seconds, device->second, std::move(value)});
            }
            else
            {
                error = where + "unknown line kind \"" + kind + "\"";
                return false;
            }
        }
        if (!header)
        {
            error = name + ": empty recording";
            return false;
        }
        // Lines are written in time order; a stable sort only repairs small reorderings.
        std::stable_sort(track.frames.begin(), track.frames.end(),
                         [](const Frame& a, const Frame& b) { return a.t < b.t; });
        track.texts.assign(track.devices.size(), std::string());

        // One loop lasts until the last line plus the mean spacing between time stamps,
        // so the first line of the next round does not land on the last one.
        double gap = 1.0 / 60.0;
        if (!track.frames.empty())
        {
            std::size_t distinct = 1;
            for (std::size_t i = 1; i < track.frames.size(); ++i)
                if (track.frames[i].t > track.frames[i - 1].t)
                    ++distinct;
            if (distinct > 1)
                gap = (track.frames.back().t - track.frames.front().t) / static_cast<double>(distinct - 1);
            track.loopLength = track.frames.back().t + gap;
        }
        else
        {
            track.loopLength = gap;
        }
        out = std::move(track);
        return true;
    }

    void ReplayTrack::Advance(double t)
    {
        while (true)
        {
            const double local = t - cycleStart;
            while (next < frames.size() && frames[next].t <= local)
            {
                texts[frames[next].device] = frames[next].text;
                ++next;
            }
            if (!loop || next < frames.size() || local < loopLength)
                return;
            cycleStart += std::floor(local / loopLength) * loopLength;
            next = 0;
        }
    }

    const std::string& ReplayTrack::Text(std::size_t device) const
    {
        static const std::string none;
        return device < texts.size() ? texts[device] : none;
    }
}
