#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>

#include "Devices/SharedMemory.h"

namespace shm = TSCore::detail::SharedMemory;

// A service takes commands under the segment's mutex; a command written meanwhile must be seen
// whole, the old one or the new one, never an empty or half-replaced entry.
TEST(SharedMemoryWrite, AServiceReadingUnderTheSegmentsMutexSeesEveryCommandWhole)
{
    const std::string name = "tscore-unit-write-" + std::to_string(getpid());
    const std::string longer(300, 'L');
    const std::string shorter = "S";
    std::string error;
    ASSERT_TRUE(shm::Write(name.c_str(), "device0", shorter, 65536, error)) << error;

    shm::bip::managed_shared_memory service(shm::bip::open_only, name.c_str());
    std::atomic<bool> done{false};
    std::thread writer(
        [&]
        {
            std::string writeError;
            for (int i = 0; i < 20000; ++i)
                shm::Write(name.c_str(), "device0", i % 2 ? longer : shorter, 65536, writeError);
            done = true;
        });
    int torn = 0;
    int reads = 0;
    while (!done)
    {
        auto take = [&]
        {
            const auto* text = service.find<shm::ShmString>("device0").first;
            const std::string seen = text != nullptr ? std::string(text->data(), text->size()) : std::string();
            torn += seen != longer && seen != shorter;
        };
        service.atomic_func(take);
        ++reads;
    }
    writer.join();
    shm::bip::shared_memory_object::remove(name.c_str());
    EXPECT_GT(reads, 0);
    EXPECT_EQ(torn, 0) << "of " << reads << " reads";
}
