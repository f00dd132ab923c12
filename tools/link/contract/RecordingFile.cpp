#include "RecordingFile.h"

#include <nlohmann/json.hpp>

#include "TextFile.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <sstream>

namespace TSCoreLink
{
    namespace
    {
        using nlohmann::json;

        constexpr const char* formatName = "tscore-recording";

        bool StringMember(const json& line, const char* name, std::string& out)
        {
            const auto it = line.find(name);
            if (it == line.end() || !it->is_string())
                return false;
            out = it->get<std::string>();
            return true;
        }

        // Texts come from another process: bytes that are not UTF-8 are replaced rather than
        // letting the JSON writer throw halfway through a recording. Members in writing order.
        std::string Dump(const nlohmann::ordered_json& object)
        {
            return object.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
        }

        /// Reads one recording line after line; each kind of line has its own parser.
        struct Reader
        {
            RecordingFile& out;
            std::map<std::string, std::size_t> index;
            bool header = false;

            std::string Header(const json& object) const
            {
                const auto format = object.find("format");
                const auto version = object.find("version");
                if (format == object.end() || *format != formatName)
                    return "not a tscore recording (missing format header)";
                if (version == object.end() || !version->is_number_integer() || *version != 1)
                    return "unsupported recording version";
                return std::string();
            }

            std::string Device(const json& object, const std::string& key)
            {
                std::string record;
                if (!StringMember(object, "record", record))
                    return "device line without \"record\" text";
                // A device named twice with the same record (older recorders wrote one line per
                // --device given) is one device; the same key with another record is not.
                const auto known = index.find(key);
                if (known != index.end())
                    return out.devices[known->second].record == record ? std::string()
                                                                       : "device " + key + " recorded twice";
                index.emplace(key, out.devices.size());
                out.devices.push_back({key, record});
                return std::string();
            }

            std::string Data(const json& object, const std::string& key)
            {
                std::string text;
                const auto t = object.find("t");
                if (t == object.end() || !t->is_number() || !StringMember(object, "text", text))
                    return "data line without number \"t\" and \"text\"";
                const double seconds = t->get<double>();
                if (!std::isfinite(seconds) || seconds < 0.0)
                    return "data line with a negative or invalid time";
                const auto device = index.find(key);
                if (device == index.end())
                    return "data for " + key + ", which has no device line";
                out.frames.push_back({seconds, device->second, std::move(text)});
                return std::string();
            }

            std::string Line(const json& object)
            {
                if (!header)
                {
                    header = true;
                    return Header(object);
                }
                std::string kind;
                std::string key;
                if (!StringMember(object, "kind", kind) || !StringMember(object, "key", key))
                    return "line without \"kind\" and \"key\"";
                if (kind == "device")
                    return Device(object, key);
                if (kind == "data")
                    return Data(object, key);
                return "unknown line kind \"" + kind + "\"";
            }
        };

        bool Blank(const std::string& line) { return line.find_first_not_of(" \t\r") == std::string::npos; }
    }

    bool RecordingFile::Parse(const std::string& text, const std::string& name, RecordingFile& out, std::string& error)
    {
        RecordingFile recording;
        Reader reader{recording, {}, false};
        std::vector<std::string> lines;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        while (!lines.empty() && Blank(lines.back()))
            lines.pop_back();
        for (std::size_t i = 0; i < lines.size(); ++i)
        {
            if (Blank(lines[i]))
                continue;
            const std::string where = name + ":" + std::to_string(i + 1) + ": ";
            const json object = json::parse(lines[i], nullptr, false);
            if (object.is_discarded() && i + 1 == lines.size() && reader.header)
            {
                recording.warning = where + "the last line is damaged (the recording was cut off); it is left out";
                break;
            }
            const std::string problem = object.is_object() ? reader.Line(object) : "not a JSON object";
            if (!problem.empty())
            {
                error = where + problem;
                return false;
            }
        }
        if (!reader.header)
        {
            error = name + ": empty recording";
            return false;
        }
        // Lines are written in time order; a stable sort only repairs small reorderings.
        std::stable_sort(recording.frames.begin(), recording.frames.end(),
                         [](const Frame& a, const Frame& b) { return a.t < b.t; });
        out = std::move(recording);
        return true;
    }

    bool RecordingFile::Load(const std::string& path, RecordingFile& out, std::string& error)
    {
        std::string text;
        std::string why;
        if (!ToolCommon::ReadTextFile(path, text, why))
        {
            error = path + ": cannot read recording: " + why;
            return false;
        }
        return Parse(text, path, out, error);
    }

    bool RecordingFile::LooksLikeOne(const std::string& text)
    {
        const json first = json::parse(text.substr(0, text.find('\n')), nullptr, false);
        std::string format;
        return first.is_object() && StringMember(first, "format", format) && format == formatName;
    }

    std::string RecordingFile::HeaderLine() { return Dump({{"format", formatName}, {"version", 1}}); }

    std::string RecordingFile::DeviceLine(const std::string& key, const std::string& record)
    {
        return Dump({{"kind", "device"}, {"key", key}, {"record", record}});
    }

    std::string RecordingFile::DataLine(double t, const std::string& key, const std::string& text)
    {
        return Dump({{"kind", "data"}, {"t", t}, {"key", key}, {"text", text}});
    }
}
