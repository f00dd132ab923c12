#pragma once

// The connection service's side of the shared-memory contract, for any process that acts as
// the service (tesslink-sim, a mirror of a remote machine): it claims "Devices", "Data" and
// "Haptics", publishes records, sensor texts, "nDevices" and "scanActive", reads the command
// strings back, and on exit removes only what it created and still owns.
//
// Ownership: the owner holds an exclusive flock on "Devices" for its whole run (the kernel
// drops it when the process dies, however it dies) and records "<pid> <name>" under "owner"
// in "Devices". A claim is refused while that lock is held, or, for a service that takes no
// lock, while its "scanActive" is less than 10 seconds old. Segments are identified by their
// inode, so a service that was replaced (or whose segments were removed) leaves the new ones
// alone. The lock's descriptor is closed on exec; a child made by fork alone would keep it.
// One thread at a time; Boost stays inside ServiceSegments.cpp.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Contract.h"
#include "SegmentOwner.h"

namespace TSCoreLink
{
    class ServiceSegments
    {
    public:
        static constexpr std::size_t hapticsSize = 4096;
        /// Capacity kept in every string so that rewrites happen in place.
        static constexpr std::size_t reservedCapacity = 1024;
        /// A service that takes no lock counts as live while its stamp is younger than this:
        /// until then its readers do not take it for stopped.
        static constexpr long long liveSeconds = Contract::stoppedAfterSeconds;

        struct Options
        {
            std::string serviceName;  ///< recorded as the owner, e.g. "tesslink-sim"
            std::size_t size = 65536; ///< bytes of "Devices" and "Data"
            bool takeover = false;    ///< replace a live owner instead of refusing
        };

        enum class Outcome
        {
            Claimed, ///< the segments are ours
            Busy,    ///< another live service owns them; nothing was touched
            Failed   ///< they could not be created
        };

        struct ClaimResult
        {
            Outcome outcome = Outcome::Failed;
            /// Busy: who owns the segments; Failed: why; Claimed: what was replaced, or empty.
            std::string message;
            /// Busy, or replaced: the owner found (pid 0 when it recorded none).
            SegmentOwner owner;
        };

        ServiceSegments();
        /// Release().
        ~ServiceSegments();
        ServiceSegments(const ServiceSegments&) = delete;
        ServiceSegments& operator=(const ServiceSegments&) = delete;

        /// The file behind a segment name (its inode), 0 when there is none: a service that
        /// restarts creates its segments anew, under another number.
        static std::uint64_t FileIdOf(const char* segment);
        /// Segment bytes that hold `devices` records (or texts) at their reserved capacity.
        static std::size_t SizeFor(std::size_t devices);

        /// Takes the three segments: refuses (Busy) while another live service owns them,
        /// otherwise removes what is there (leftovers, or the live owner's with takeover) and
        /// creates them anew. Once per object.
        ClaimResult Claim(const Options& options);

        /// Write one string object, constructing it on first use. False when the segments are
        /// not claimed or have no room left (the old text stays).
        bool WriteDevices(const std::string& object, const std::string& text);
        bool WriteData(const std::string& object, const std::string& text);
        /// The same for the objects of the contract: a device's record and sensor text under
        /// its key, "nDevices" (any text: a service may announce a wrong one on purpose) and
        /// "scanActive" (seconds since 1970).
        bool WriteRecord(std::uint32_t index, const std::string& record);
        bool WriteText(std::uint32_t index, const std::string& text);
        bool WriteCount(const std::string& text);
        bool WriteStamp(long long seconds);
        /// Removes a device's record and sensor text, for a device no longer announced: a
        /// reader that still holds it reads it as not connected. True when nothing of it is left.
        bool RemoveDevice(std::uint32_t index);

        /// Every (object, text) in "Haptics" apart from ours; false when the segment cannot be
        /// read or its lock is busy (try again later).
        bool ReadHaptics(std::vector<std::pair<std::string, std::string>>& out);

        /// Whether "Devices" and "Data" are still the segments this object created. When they
        /// are not, `why` says who replaced them (or that they were removed).
        bool StillOwned(std::string* why = nullptr) const;

        /// Removes every segment that is still the one this object created, and drops the lock.
        void Release();
        /// Unmaps the segments and drops the lock, removing nothing: for segments another
        /// process replaced, which it may be doing this very moment (a segment that is still
        /// ours when looked at may be the new owner's by the time it would be removed).
        void Drop();

    private:
        struct Impl;
        std::unique_ptr<Impl> impl;
    };
}
