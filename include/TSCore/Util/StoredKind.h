#pragma once

#include <string>

#include "TSCore/Export.h"

namespace TSCore::Util
{
    /// What a stored text holds, judged by its block shape alone. Every Deserialize answers a
    /// text of another kind with a default value that would pass unnoticed; this tells a caller
    /// to refuse it instead.
    enum class StoredKind
    {
        Other,
        /// {side}{angles}{positions}{rotations}: the angles nested per digit ({{x;y;z}...}...) or none.
        HandPose,
        /// {side}{lengths}{positions}{rotations}: three flat lists ({a;b;c}...).
        HandModel,
        /// {side}{exoskeleton part}{Kelvo part}, each part beginning with a side block of its own.
        HandProfile,
    };

    /// The kind of text; a side block is "R" or "L", spaces around it allowed.
    TSCORE_API StoredKind KindOfStored(const std::string& text);
}
