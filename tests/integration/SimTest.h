#pragma once

#include <gtest/gtest.h>

#include <TSCore/Devices/DeviceList.h>

#include "SimProcess.h"

namespace TSCoreTest
{
    /// A test against the device link: it starts and ends with an empty device cache and no
    /// segments, and a simulator it started is stopped however the test ends.
    class SimTest : public testing::Test
    {
    protected:
        void SetUp() override { Reset(); }
        void TearDown() override
        {
            sim.Stop();
            Reset();
        }
        static void Reset()
        {
            RemoveSegments();
            TSCore::DeviceList::Dispose();
            TSCore::DeviceList::ReInitialize();
        }

        SimProcess sim;
    };
}
