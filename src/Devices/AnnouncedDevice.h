#pragma once

// What the service reader makes of the texts in "Devices": the count it takes, the time stamp,
// and each record as a listed device. Pure text handling, apart from the segments, so that the
// reader's decisions can be checked on any text.

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "TSCore/Devices/HapticGlove.h"
#include "TSCore/Devices/ServiceReader.h"
#include "TSCore/Devices/TSDevice.h"

namespace TSCore::detail
{
    /// One device the reader lists: the facts of its record and the object parsed from it.
    struct AnnouncedDevice
    {
        ServiceReader::DeviceInfo info;
        std::shared_ptr<TSDevice> device;   ///< empty while the record names no device
        std::shared_ptr<HapticGlove> glove; ///< the same object when it is a glove
    };

    /// What one check did to a device's entry.
    enum class RecordChange
    {
        None,     ///< same record text
        Facts,    ///< same device; its connection state, rate, address or connection type changed
        Replaced, ///< the record names another device (or a device where it named none): a new object
        Dropped,  ///< the record is gone or names no device any more
    };

    /// The count of "nDevices" as the reader takes it: -1 for a text that is no number in the int
    /// range or is negative, otherwise at most DeviceLink::maxScannedDevices.
    int ReadAnnouncedCount(std::string_view text);

    /// The stamp of "scanActive" as DeviceList::TessLinkRunning reads it; none when unreadable.
    std::optional<int> ReadStamp(std::string_view text);

    /// The part of a record that names the device: its type and constants (fields 2 and 3).
    /// Records with equal identities name the same device.
    std::string_view RecordIdentity(std::string_view record);

    /// Brings entry up to date with device index's record at this check (absent: the record is
    /// gone). A record of the same identity keeps the entry's object; any other is parsed anew.
    /// Never throws: a record that cannot be handled drops the entry.
    RecordChange UpdateAnnounced(int index, const std::optional<std::string_view>& record, AnnouncedDevice& entry);
}
