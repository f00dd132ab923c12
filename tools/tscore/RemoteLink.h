#pragma once

// On a machine whose connection service is a tscore-bridge mirror, what keeps its gloves from
// being used is said of the machine that lacks it: the mirror here, the publisher on the glove
// PC, or the connection service there. The mirror says how its link stands in "bridge".

#include "LiveState.h"

namespace TSCoreCli
{
    enum class RemoteUse
    {
        List,
        Haptics
    };

    /// Where this machine's service is a tscore-bridge mirror: says on stderr what its link to
    /// the glove PC lacks for `use` (the mirror stopped, no publisher heard, the glove PC's
    /// service not running, haptic commands dropped there: only a warning for List) and
    /// returns the exit code for it; exitOk when nothing is missing or no mirror runs here.
    /// service: this machine's service (the mirror) as the command's reader found it.
    int CheckRemoteLink(RemoteUse use, const ServiceStatus& service);
}
