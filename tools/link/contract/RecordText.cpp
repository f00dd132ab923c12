#include "RecordText.h"

#include <algorithm>
#include <cctype>
#include <climits>

namespace TSCoreLink
{
    namespace
    {
        constexpr char separator = '@';
        constexpr std::size_t minFields = 6;
    }

    std::vector<std::string> SplitFields(const std::string& text, char delim)
    {
        std::vector<std::string> fields;
        std::size_t start = 0;
        while (true)
        {
            const std::size_t pos = text.find(delim, start);
            if (pos == std::string::npos)
            {
                fields.emplace_back(text, start);
                return fields;
            }
            fields.emplace_back(text, start, pos - start);
            start = pos + 1;
        }
    }

    std::string JoinFields(const std::vector<std::string>& fields, char delim)
    {
        std::string out;
        for (std::size_t i = 0; i < fields.size(); ++i)
        {
            if (i > 0)
                out += delim;
            out += fields[i];
        }
        return out;
    }

    std::string ReplaceField(const std::string& record, std::size_t index, const std::string& value)
    {
        std::vector<std::string> fields = SplitFields(record, separator);
        if (index >= fields.size())
            return record;
        fields[index] = value;
        return JoinFields(fields, separator);
    }

    int ParseLeadingInt(const std::string& text, int fallback)
    {
        std::size_t i = 0;
        while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
            ++i;
        bool negative = false;
        if (i < text.size() && (text[i] == '-' || text[i] == '+'))
            negative = text[i++] == '-';
        if (i >= text.size() || !std::isdigit(static_cast<unsigned char>(text[i])))
            return fallback;
        long long value = 0;
        for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i)
        {
            value = value * 10 + (text[i] - '0');
            if (value > static_cast<long long>(INT_MAX) + 1)
                return fallback;
        }
        if (negative)
            value = -value;
        if (value < INT_MIN || value > INT_MAX)
            return fallback;
        return static_cast<int>(value);
    }

    std::string BuildRecord(char state, int pps, DeviceKind kind, const std::string& constants,
                            const std::string& address, int connectionType)
    {
        std::string record(1, state);
        record += separator + std::to_string(pps);
        record += separator + std::to_string(static_cast<int>(kind));
        record += separator + ('{' + constants + '}');
        record += separator + address;
        record += separator + std::to_string(connectionType);
        return record;
    }

    DeviceKind KindOfRecord(const std::string& record)
    {
        const std::vector<std::string> fields = SplitFields(record, separator);
        if (fields.size() < 3)
            return DeviceKind::Other;
        switch (ParseLeadingInt(fields[2], INT_MIN))
        {
        case -1:
            return DeviceKind::Beta;
        case 0:
            return DeviceKind::Tessara;
        case 2:
            return DeviceKind::Kelvo;
        default:
            return DeviceKind::Other;
        }
    }

    void FirmwareOfRecord(const std::string& record, int& firmware, int& subFirmware)
    {
        firmware = 0;
        subFirmware = 0;
        const std::vector<std::string> fields = SplitFields(record, separator);
        if (fields.size() < 4)
            return;
        std::string constants = fields[3];
        // The braces are dropped the way the reader drops them: first and last character.
        if (!constants.empty() && constants.front() == '{')
            constants = constants.size() >= 2 ? constants.substr(1, constants.size() - 2) : std::string();
        const std::vector<std::string> parts = SplitFields(constants, ':');
        if (parts.size() < 4 || parts[3].empty())
            return;
        std::string text = parts[3];
        if (text.front() == 'v')
            text.erase(0, 1);
        const std::vector<std::string> numbers = SplitFields(text, '.');
        firmware = ParseLeadingInt(numbers[0], 0);
        if (numbers.size() >= 2)
            subFirmware = ParseLeadingInt(numbers[1], 0);
    }

    const char* KindName(DeviceKind kind)
    {
        switch (kind)
        {
        case DeviceKind::Tessara:
            return "tessara";
        case DeviceKind::Kelvo:
            return "kelvo";
        case DeviceKind::Beta:
        case DeviceKind::Other:
            break;
        }
        return "beta";
    }

    bool WellFormed(std::string_view record)
    {
        return static_cast<std::size_t>(std::count(record.begin(), record.end(), separator)) + 1 >= minFields;
    }

    bool SaysConnected(std::string_view record) { return !record.empty() && record[0] == '1'; }
}
