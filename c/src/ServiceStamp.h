#pragma once

// The service's state from its time stamp, by the library's one rule (ServiceReader): running
// while the stamp is less than 3 s old, stale ("not updating") from 3 s, stopped from 10 s on or
// when there is no stamp to read.

#include <optional>

#include "tscore_c.h"

namespace tscore_c
{
    /// The state for a stamp of that age (none: no readable stamp).
    tscore_service_status ServiceStatusOf(std::optional<long long> stampAge) noexcept;
    /// Reads the stamp now.
    tscore_service_status ReadServiceStatus();
}
