#pragma once

// The connection service on the glove machine as it announces itself now, through the
// library's kept-mapping reader: whether it runs (the one rule: the age of its time stamp),
// every device it lists, by device index, and their sensor texts. A service that restarted,
// or lists other devices, is followed at the reader's next check (every 100 ms).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <TSCore/Devices/ServiceReader.h>

namespace TSCoreBridge
{
    class LocalService
    {
    public:
        using State = TSCore::ServiceReader::ServiceState;
        static constexpr std::size_t npos = TSCore::ServiceReader::npos;

        /// Call once per poll: the reader's check when it is due. True when the device list changed.
        bool Update() { return reader.Update(); }

        State Condition() const { return reader.State(); }
        /// Seconds since the service's time stamp at the latest check; empty without one.
        std::optional<long long> StampAge() const { return reader.StampAge(); }

        /// The record of every device index up to the highest listed one, as the service wrote it; "" where
        /// the service lists no device the library can read (the record is missing or names no
        /// device), so that a mirror keeps the later ones at their indices. Its size is the count.
        const std::vector<std::string>& Records();

        /// The listed devices, by position (0 .. Devices() - 1, stable between two Update calls).
        std::size_t Devices() const { return reader.DeviceCount(); }
        /// The position of the device with that index; npos when it is not listed.
        std::size_t Find(std::uint32_t index) const;
        /// The first connected glove of a side, as the library's own discovery picks it; npos for none.
        std::size_t GloveFor(bool right) const { return reader.FindGlove(right); }

        TSCore::ServiceReader& Reader() { return reader; }
        const TSCore::ServiceReader& Reader() const { return reader; }

    private:
        TSCore::ServiceReader reader;
        std::vector<std::string> records;
    };
}
