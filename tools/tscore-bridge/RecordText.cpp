#include "RecordText.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "Devices/SharedMemory.h"

namespace TSCoreBridge::RecordText
{
    namespace SharedMemory = TSCore::detail::SharedMemory;

    namespace
    {
        constexpr char separator = '@';
        constexpr std::size_t minFields = 6;
    }

    void ReadAnnouncement(std::uint32_t limit, Announcement& out)
    {
        out = Announcement();
        SharedMemory::ReadOnlySegment segment;
        std::string error;
        if (!segment.Open(SharedMemory::devicesSegment, error))
            return;
        out.mapped = true;
        if (segment.Read(SharedMemory::timeStampObject, out.stamp) != SharedMemory::LookupResult::Found)
            out.stamp.clear();
        if (segment.Read(SharedMemory::deviceCountObject, out.count) != SharedMemory::LookupResult::Found)
            out.count.clear();
        long long count = 0;
        if (!LeadingNumber(out.count, count) || count < 0)
            count = 0; // as the library takes it: no devices
        out.records.resize(static_cast<std::size_t>(std::min<long long>(count, limit)));
        for (std::size_t i = 0; i < out.records.size(); ++i)
            if (segment.Read(SharedMemory::deviceObjectPrefix + std::to_string(i), out.records[i]) !=
                SharedMemory::LookupResult::Found)
                out.records[i].clear();
    }

    bool LeadingNumber(const std::string& text, long long& out)
    {
        errno = 0;
        char* end = nullptr;
        const long long value = std::strtoll(text.c_str(), &end, 10);
        if (end == text.c_str() || errno == ERANGE)
            return false;
        out = value;
        return true;
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
