#include "LocalService.h"

#include <algorithm>
#include <limits>

#include "Protocol.h"

namespace TSCoreBridge
{
    const std::vector<std::string>& LocalService::Records()
    {
        std::size_t count = 0;
        for (std::size_t i = 0; i < reader.DeviceCount(); ++i)
        {
            const int index = reader.Info(i).deviceIndex;
            if (index >= 0 && static_cast<std::uint32_t>(index) < Protocol::maxDevices)
                count = std::max(count, static_cast<std::size_t>(index) + 1);
        }
        records.resize(count);
        for (auto& record : records)
            record.clear(); // keeps its capacity
        for (std::size_t i = 0; i < reader.DeviceCount(); ++i)
        {
            const auto& info = reader.Info(i);
            if (info.deviceIndex >= 0 && static_cast<std::size_t>(info.deviceIndex) < count)
                records[static_cast<std::size_t>(info.deviceIndex)] = info.record;
        }
        return records;
    }

    std::size_t LocalService::Find(std::uint32_t index) const
    {
        return index <= static_cast<std::uint32_t>(std::numeric_limits<int>::max())
                   ? reader.FindIndex(static_cast<int>(index))
                   : npos;
    }
}
