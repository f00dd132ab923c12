#pragma once

// The mirror's side of the shared-memory contract: it is the connection service of its
// machine, so it creates "Devices" and "Data" with the contract's objects and reads the
// commands applications write into "Haptics". Everything the mirror needs from the service
// side goes through this class, so that the implementation behind it can change alone.

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace TessLinkSim
{
    class Segments;
}

namespace TSCoreBridge
{
    class ServiceSegments
    {
    public:
        ServiceSegments();
        /// Removes the segments when this object created them.
        ~ServiceSegments();
        ServiceSegments(const ServiceSegments&) = delete;
        ServiceSegments& operator=(const ServiceSegments&) = delete;

        /// Creates the three segments with room for every device the protocol allows. Refuses,
        /// with the reason in error, while another live service owns them, unless takeover.
        bool Create(bool takeover, std::string& error);

        /// False when a write did not fit (the old text stays).
        bool WriteRecord(std::uint32_t index, const std::string& record);
        bool WriteText(std::uint32_t index, const std::string& text);
        bool WriteCount(std::uint32_t count);
        /// "scanActive": whole seconds since 1970.
        bool WriteStamp(long long seconds);

        /// Every command in "Haptics" as (device index, bytes); objects under other names are
        /// left out. False when "Haptics" cannot be read now.
        bool ReadCommands(std::vector<std::pair<std::uint32_t, std::string>>& out);

        /// "device" + index, and back; false for any other name.
        static std::string Key(std::uint32_t index);
        static bool IndexOf(const std::string& key, std::uint32_t& index);

    private:
        std::unique_ptr<TessLinkSim::Segments> segments;
        bool created = false;
    };
}
