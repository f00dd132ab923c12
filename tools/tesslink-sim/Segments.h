#pragma once

// The simulator's side of the shared-memory contract: it creates and owns "Devices"
// and "Data", creates "Haptics" for the library to write into, and reads the command
// strings back. Boost stays inside Segments.cpp.

#include <cstddef>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace TessLinkSim
{
    class Segments
    {
    public:
        static constexpr const char* devicesSegment = "Devices";
        static constexpr const char* dataSegment = "Data";
        static constexpr const char* hapticsSegment = "Haptics";
        static constexpr std::size_t hapticsSize = 4096;
        // Capacity kept in every string so that rewrites happen in place.
        static constexpr std::size_t reservedCapacity = 1024;

        Segments();
        ~Segments();
        Segments(const Segments&) = delete;
        Segments& operator=(const Segments&) = delete;

        // Removes "Devices", "Data" and "Haptics" whoever made them.
        static void RemoveAll();

        // Removes leftovers and creates the three segments; throws std::runtime_error.
        void Create(std::size_t size);

        // Write one string object, constructing it on first use. False when the
        // segment has no room left (the old text stays).
        bool WriteDevices(const std::string& name, const std::string& text);
        bool WriteData(const std::string& name, const std::string& text);

        // Every (name, text) in "Haptics"; false when the segment cannot be opened or
        // its lock is busy (try again later).
        static bool ReadHaptics(std::vector<std::pair<std::string, std::string>>& out);

    private:
        struct Impl;
        std::unique_ptr<Impl> impl;
    };
}
