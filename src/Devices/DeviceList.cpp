#include "TSCore/Devices/DeviceList.h"

#include "Devices/DeviceLink.h"
#include "Devices/SharedMemory.h"
#include "Diagnostics/Log.h"
#include "Util/NumberParse.h"

namespace TSCore
{
    namespace link = detail::DeviceLink;
    namespace shm = detail::SharedMemory;

    int DeviceList::ActiveDevices()
    {
        link::RefreshDevices();
        return static_cast<int>(link::Cache().size());
    }

    std::vector<std::shared_ptr<TSDevice>> DeviceList::GetDevices()
    {
        // One refresh: a second one right after it would read the same count again.
        link::RefreshDevices();
        return link::Cache();
    }

    bool DeviceList::GetSensorDataString(std::string deviceKey, std::string& out)
    {
        if (link::ReadSharedString(shm::dataSegment, deviceKey, out))
            return true;
        out.clear();
        return false;
    }

    bool DeviceList::SendHaptics(std::string deviceKey, std::string command)
    {
        return link::WriteSharedString(shm::hapticsSegment, deviceKey, command, hapticsSegmentSize);
    }

    bool DeviceList::TessLinkRunning()
    {
        std::string text;
        if (!link::ReadSharedString(shm::devicesSegment, shm::timeStampObject, text))
            return false;

        int stamp = 0;
        const Util::detail::ParseStatus status = Util::detail::ParseInt(text, stamp);
        if (status != Util::detail::ParseStatus::Ok)
        {
            TSCORE_LOG(Errors, "Error checking UpdateTime:");
            TSCORE_LOG(Errors, status == Util::detail::ParseStatus::OutOfRange ? Util::detail::intRangeError : "stoi");
            return false;
        }

        return link::StampAge(stamp) < 10; // a stamp ahead of the clock counts as running
    }

    void DeviceList::Dispose()
    {
        if (link::Disposed())
            return;
        link::Disposed() = true;
        link::Cache().clear();
    }

    void DeviceList::ReInitialize() { link::Disposed() = false; }
}
