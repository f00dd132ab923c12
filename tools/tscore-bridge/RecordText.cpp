#include "RecordText.h"

#include <algorithm>

#include "Devices/SharedMemory.h"

namespace TSCoreBridge::RecordText
{
    namespace SharedMemory = TSCore::detail::SharedMemory;

    namespace
    {
        constexpr char separator = '@';
        constexpr std::size_t minFields = 6;
    }

    void ReadAll(const std::vector<std::string>& keys, std::vector<std::string>& out)
    {
        out.assign(keys.size(), std::string());
        SharedMemory::ReadOnlySegment segment;
        std::string error;
        if (!segment.Open(SharedMemory::devicesSegment, error))
            return;
        for (std::size_t i = 0; i < keys.size(); ++i)
            if (segment.Read(keys[i], out[i]) != SharedMemory::LookupResult::Found)
                out[i].clear();
    }

    std::string_view Identity(std::string_view record)
    {
        std::size_t start = 0;
        for (int field = 0; field < 2 && start != std::string_view::npos; ++field)
        {
            start = record.find(separator, start);
            if (start != std::string_view::npos)
                ++start;
        }
        if (start == std::string_view::npos)
            return {};
        std::size_t end = record.find(separator, start);
        if (end != std::string_view::npos)
            end = record.find(separator, end + 1);
        return record.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    }

    bool Connected(std::string_view record) { return !record.empty() && record.front() == '1'; }

    bool WellFormed(std::string_view record)
    {
        return static_cast<std::size_t>(std::count(record.begin(), record.end(), separator)) + 1 >= minFields;
    }
}
