// The floor: the least a read can cost while every call must open the segment anew.
// One Boost.Interprocess open read-only, look-up without lock, copy of the standard
// sensor string, close. Every shared-memory figure is reported as a ratio to this.
#include <benchmark/benchmark.h>

#include <boost/interprocess/allocators/allocator.hpp>
#include <boost/interprocess/containers/string.hpp>
#include <boost/interprocess/managed_shared_memory.hpp>

#include <string>

namespace bip = boost::interprocess;

namespace
{
    using SegmentManager = bip::managed_shared_memory::segment_manager;
    using ShmString = bip::basic_string<char, std::char_traits<char>, bip::allocator<char, SegmentManager>>;

    constexpr const char* segmentName = "TSCoreBenchFloor";
    constexpr const char* standardSensorString =
        "0:-1.570;-0.012;-0.337;0.000|0.061;-0.165;0.000;0.024|-0.030;-0.251;-0.012;0.000|-0.306;-0.220;-0.012;"
        "0.141|-0.478;-0.098;-0.441;0.000:2.122;2.230;0.288;0.553:0:0";

    struct FloorSegment
    {
        FloorSegment()
        {
            bip::shared_memory_object::remove(segmentName);
            bip::managed_shared_memory segment(bip::create_only, segmentName, 64 * 1024);
            segment.construct<ShmString>("device0")(standardSensorString, segment.get_segment_manager());
        }
        ~FloorSegment() { bip::shared_memory_object::remove(segmentName); }
    };

    void BM_Floor_OpenFindCopyClose(benchmark::State& state)
    {
        FloorSegment guard;
        std::string out;
        for (auto _ : state)
        {
            bip::managed_shared_memory segment(bip::open_read_only, segmentName);
            const std::pair<ShmString*, std::size_t> found = segment.find_no_lock<ShmString>("device0");
            out.assign(found.first->c_str());
            benchmark::DoNotOptimize(out.data());
        }
    }
}

BENCHMARK(BM_Floor_OpenFindCopyClose);
