// What the service reader makes of the texts it maps from "Devices": the count, the time stamp,
// and a device's record as it changes from one check to the next (the input's texts, split at
// NUL, are the record at successive checks). Never throws; the entry always matches its record.
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Devices/AnnouncedDevice.h"
#include "Devices/DeviceLink.h"
#include "FuzzHelpers.h"

using namespace TSCore::detail;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    TSCoreFuzz::LogEverything();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string all = TSCoreFuzz::Text(data, size);
    std::vector<std::string_view> texts;
    for (std::size_t begin = 0;;)
    {
        const std::size_t nul = all.find('\0', begin);
        texts.push_back(std::string_view(all).substr(begin, nul == std::string::npos ? nul : nul - begin));
        if (nul == std::string::npos)
            break;
        begin = nul + 1;
    }

    const int count = ReadAnnouncedCount(texts[0]);
    TSCoreFuzz::Check(count >= -1 && count <= DeviceLink::maxScannedDevices, "count within its bounds");
    (void)ReadStamp(texts[0]);

    AnnouncedDevice entry;
    for (std::size_t i = 0; i < texts.size(); ++i)
    {
        // An empty text stands for a record that is gone at that check.
        const std::optional<std::string_view> record =
            texts[i].empty() ? std::nullopt : std::optional<std::string_view>(texts[i]);
        const std::shared_ptr<TSCore::TSDevice> before = entry.device;
        const RecordChange change = UpdateAnnounced(4, record, entry);
        TSCoreFuzz::Check((change == RecordChange::Facts) ==
                              (entry.device && entry.device == before && record && change != RecordChange::None),
                          "new facts keep the object");
        TSCoreFuzz::Check(change != RecordChange::Replaced || (entry.device && entry.device != before),
                          "a replaced entry has a new object");
        TSCoreFuzz::Check(change != RecordChange::Dropped || !entry.device, "a dropped entry has no object");
        if (!entry.device)
            continue;
        TSCoreFuzz::Check(record && entry.info.record == *record, "a listed entry holds its record");
        TSCoreFuzz::Check(entry.info.deviceKey == "device4" && entry.info.deviceIndex == 4, "index and key");
        TSCoreFuzz::Check(entry.info.type == entry.device->GetDeviceType(), "type of the object");
        TSCoreFuzz::Check(entry.info.isGlove == (entry.glove != nullptr), "a glove exactly when it is one");
        TSCoreFuzz::Check(entry.info.connected == (!record->empty() && (*record)[0] == '1'), "connection state");
        TSCoreFuzz::Check(RecordIdentity(*record).size() <= record->size(), "identity inside the record");
    }
    return 0;
}
