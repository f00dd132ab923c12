#pragma once

#include <string>

#include "TSCore/DeviceType.h"
#include "TSCore/Export.h"

namespace TSCore
{
    class DeviceList;

    /// Abstract base of every device the connection service announces. Identity comes from
    /// the concrete class; connection facts are read afresh from the device record on each call.
    class TSCORE_API TSDevice
    {
    public:
        /// The number the service writes in field 5 of the device record. The library gives
        /// only Unknown a meaning; any other value is passed through.
        enum class ConnectionType : int
        {
            Unknown = -1, ///< field missing or not a number
            Serial = 0,
            Bluetooth = 1,
            Usb = 2,
            Wireless = 3,
        };

        TSDevice();
        TSDevice(const TSDevice& other);
        TSDevice& operator=(const TSDevice& other);

        virtual DeviceType GetDeviceType();
        virtual std::string GetDeviceID() = 0;
        virtual std::string GetHardwareVersion() = 0;
        virtual int GetFirmwareVersion() = 0;
        virtual int GetSubFirmwareVersion();
        /// "firmware.subFirmware", e.g. "4.7".
        virtual std::string GetFirmwareString();
        /// "TSDevice " + ID + " with index " + index.
        virtual std::string ToString();

        int GetDeviceIndex() const { return deviceIndex; }
        /// Sets the index and the key ("device" + index) under which the device lives in shared memory.
        void SetDeviceIndex(int index);
        const std::string& GetDeviceKey() const { return deviceKey; }

        /// Field 0 of the record is not empty and begins with '1'.
        bool IsConnected();
        /// Field 1 of the record; 0 when missing or not a number.
        int PacketsPerSecond();
        /// Field 4 of the record, unchanged.
        std::string GetAddress();
        /// Field 5 of the record; Unknown (-1) when missing or not a number.
        ConnectionType GetConnectionType();

        /// "v4.7" gives 4 and 7; "3" gives 3 and 0; an empty text gives 0 and 0.
        static void ParseFirmware(std::string text, int& firmware, int& subFirmware);

    protected:
        // Not virtual: device objects are owned through shared pointers made from their
        // concrete class, and the protected destructor keeps a base pointer from deleting one.
        ~TSDevice() = default;

        int deviceIndex;
        std::string deviceKey;
    };
}
