#include "ServiceStamp.h"

#include <TSCore/Devices/ServiceReader.h>

namespace tscore_c
{
    tscore_service_status ServiceStatusOf(std::optional<long long> stampAge) noexcept
    {
        tscore_service_status status{TSCORE_SERVICE_STOPPED, 0, 0};
        switch (TSCore::ServiceReader::StateForStampAge(stampAge))
        {
        case TSCore::ServiceReader::ServiceState::Running:
            status.state = TSCORE_SERVICE_RUNNING;
            break;
        case TSCore::ServiceReader::ServiceState::Stale:
            status.state = TSCORE_SERVICE_STALE;
            break;
        case TSCore::ServiceReader::ServiceState::Stopped:
            break;
        }
        if (stampAge)
        {
            status.has_stamp = 1;
            status.stamp_age = *stampAge;
        }
        return status;
    }

    tscore_service_status ReadServiceStatus()
    {
        // One reader per thread, as the reader asks; it keeps its mappings, so a look is cheap.
        thread_local TSCore::ServiceReader reader;
        reader.Refresh();
        return ServiceStatusOf(reader.StampAge());
    }
}
