#pragma once

// The names and the clock of the shared memory between a connection service and the programs
// that read it. The service creates "Devices" (a record per device under its key, the count
// under "nDevices", its time stamp under "scanActive") and "Data" (a sensor text per device);
// programs write their commands into "Haptics" under the glove's key.

namespace TSCoreLink::Contract
{
    inline constexpr char devicesSegment[] = "Devices";
    inline constexpr char dataSegment[] = "Data";
    inline constexpr char hapticsSegment[] = "Haptics";
    inline constexpr char deviceCountObject[] = "nDevices";
    inline constexpr char timeStampObject[] = "scanActive";
    /// "<pid> <name>" of the process that owns the segments (see SegmentOwner).
    inline constexpr char ownerObject[] = "owner";

    /// The one rule for a service's state, by the age of "scanActive", which it rewrites every
    /// second: running while the stamp is less than staleAfterSeconds old (a stamp ahead of the
    /// clock counts as fresh), stale ("not updating") from then on, stopped from
    /// stoppedAfterSeconds on, or when "Devices" or a readable stamp is missing. The library's
    /// reader has the same two bounds; the reader half checks that they agree.
    inline constexpr long long staleAfterSeconds = 3;
    inline constexpr long long stoppedAfterSeconds = 10;
}
