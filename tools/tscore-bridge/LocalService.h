#pragma once

// The connection service on the glove machine, read through the library: whether it runs,
// the devices it announces with their full records, and their sensor texts.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <TSCore/Devices/HapticGlove.h>
#include <TSCore/Devices/TSDevice.h>

#include "SensorTexts.h"

namespace TSCoreBridge
{
    class LocalService
    {
    public:
        struct Device
        {
            std::uint32_t index = 0;
            std::shared_ptr<TSCore::TSDevice> device;
            TSCore::HapticGlove* glove = nullptr; ///< the same object when it is a glove
            std::string record;                   ///< the full record; empty until read
            bool recordChanged = false;           ///< since the last Refresh
            std::string text;                     ///< the latest sensor text read
            bool textRead = false;
        };

        /// Reads the service's state, discovers new devices and re-reads every record. A
        /// service that restarted, or announces other devices under known indices, is
        /// discovered anew.
        void Refresh();
        /// Reads the device's sensor text (empty when it cannot be read); true when it differs
        /// from the one read before.
        bool ReadText(Device& device);

        bool Running() const { return running; }
        /// The device count to announce: one past the highest index.
        std::uint32_t Count() const;
        std::vector<Device>& Devices() { return devices; }
        Device* Find(std::uint32_t index);
        /// The first connected glove of a side, as the library's own discovery picks it.
        Device* GloveFor(bool right);

    private:
        void Rediscover();
        void Discover();
        bool ReadRecords();

        std::vector<Device> devices;
        SensorTexts texts;
        std::string text;
        bool running = false;
        bool wasRunning = false;
    };
}
