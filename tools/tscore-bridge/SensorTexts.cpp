#include "SensorTexts.h"

#include "Devices/SharedMemory.h"

namespace TSCoreBridge
{
    namespace SharedMemory = TSCore::detail::SharedMemory;

    SensorTexts::SensorTexts() = default;
    SensorTexts::~SensorTexts() = default;

    void SensorTexts::Renew() { segment.reset(); }

    void SensorTexts::Read(const std::string& key, std::string& out)
    {
        if (!segment)
        {
            auto opened = std::make_unique<SharedMemory::ReadOnlySegment>();
            std::string error;
            if (!opened->Open(SharedMemory::dataSegment, error))
            {
                out.clear(); // no service: tried again at the next read
                return;
            }
            segment = std::move(opened);
        }
        if (segment->Read(key, out) != SharedMemory::LookupResult::Found)
            out.clear();
    }
}
