#pragma once

// Every device's sensor text through one mapping of "Data", renewed on request. The
// library's GetSensorDataString maps and unmaps the segment on every call; in a process
// with DDS's threads each unmapping interrupts every CPU to flush its TLB, which at a
// thousand polls of several gloves a second cost the publisher most of its CPU time.

#include <memory>
#include <string>

namespace TSCore::detail::SharedMemory
{
    class ReadOnlySegment;
}

namespace TSCoreBridge
{
    class SensorTexts
    {
    public:
        SensorTexts();
        ~SensorTexts();
        SensorTexts(const SensorTexts&) = delete;
        SensorTexts& operator=(const SensorTexts&) = delete;

        /// Drops the mapping; the next Read maps "Data" anew, so that a restarted service's
        /// segment is the one read.
        void Renew();
        /// The device's latest text as GetSensorDataString gives it: empty when the segment or
        /// the text cannot be read.
        void Read(const std::string& key, std::string& out);

    private:
        std::unique_ptr<TSCore::detail::SharedMemory::ReadOnlySegment> segment;
    };
}
