#pragma once

// One simulator for one benchmark run, started the way the integration tests start it; the
// device cache starts and ends empty, and the simulator's segments are removed afterwards.

#include <string>
#include <vector>

#include <TSCore/Devices/DeviceList.h>

#include "../tests/integration/SimProcess.h"

namespace TSCoreBench
{
    class SimSession
    {
    public:
        explicit SimSession(const std::vector<std::string>& args)
        {
            TSCoreTest::RemoveSegments();
            TSCore::DeviceList::Dispose();
            TSCore::DeviceList::ReInitialize();
            ok = sim.Launch(args);
        }
        ~SimSession()
        {
            sim.Stop();
            TSCore::DeviceList::Dispose();
            TSCore::DeviceList::ReInitialize();
            TSCoreTest::RemoveSegments();
        }
        SimSession(const SimSession&) = delete;
        SimSession& operator=(const SimSession&) = delete;

        bool ok = false;
        TSCoreTest::SimProcess sim;
    };
}
