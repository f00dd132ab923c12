#include "ServiceStamp.h"

#include <cstdlib>
#include <ctime>
#include <string>

// The library's public API has no stamp age yet; until its kept-mapping reader gives one, the
// stamp is read through the library's own shared-memory unit, as the tools read it.
#include "Devices/SharedMemory.h"

namespace tscore_c
{
    tscore_service_status ServiceStatusOf(std::optional<std::int64_t> stampAge) noexcept
    {
        tscore_service_status status{TSCORE_SERVICE_STOPPED, 0, 0};
        if (!stampAge)
            return status;
        status.has_stamp = 1;
        status.stamp_age = *stampAge;
        if (*stampAge < staleAfterSeconds)
            status.state = TSCORE_SERVICE_RUNNING;
        else if (*stampAge < stoppedAfterSeconds)
            status.state = TSCORE_SERVICE_STALE;
        return status;
    }

    tscore_service_status ReadServiceStatus()
    {
        namespace SharedMemory = TSCore::detail::SharedMemory;
        SharedMemory::ReadOnlySegment segment;
        std::string error;
        std::string text;
        if (!segment.Open(SharedMemory::devicesSegment, error) ||
            segment.Read(SharedMemory::timeStampObject, text) != SharedMemory::LookupResult::Found)
            return ServiceStatusOf(std::nullopt);
        char* end = nullptr;
        const long long stamp = std::strtoll(text.c_str(), &end, 10);
        if (end == text.c_str())
            return ServiceStatusOf(std::nullopt);
        return ServiceStatusOf(static_cast<std::int64_t>(std::time(nullptr)) - stamp);
    }
}
