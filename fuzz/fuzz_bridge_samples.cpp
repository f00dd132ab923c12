// What a bridge takes from any peer on its domain: samples of every type built field by field
// from the input (texts of any content that fill their arrays without a NUL, sequences whose
// buffer is missing, counts beyond the limits), judged by the checks both sides apply. An
// accepted sample is one the receiving side can use as it is: its index addresses a device slot,
// a record has every field, a stamp age leaves room for the clock. The bounded texts read back
// what was copied in, never more.
#include <fuzzer/FuzzedDataProvider.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "Bounded.h"
#include "FuzzHelpers.h"
#include "Protocol.h"

namespace Protocol = TSCoreBridge::Protocol;

namespace
{
    // Mostly near the limits, where a check is off by one if at all.
    std::uint32_t Index(FuzzedDataProvider& in)
    {
        switch (in.ConsumeIntegralInRange(0, 3))
        {
        case 0:
            return in.ConsumeIntegralInRange<std::uint32_t>(0, Protocol::maxDevices + 1);
        case 1:
            return UINT32_MAX - in.ConsumeIntegralInRange<std::uint32_t>(0, 1);
        default:
            return in.ConsumeIntegral<std::uint32_t>();
        }
    }

    // The array filled from the input, with a NUL where the input says, or none at all.
    template <std::size_t N>
    void Fill(FuzzedDataProvider& in, char (&out)[N])
    {
        const std::string text = in.ConsumeBytesAsString(in.ConsumeIntegralInRange<std::size_t>(0, N));
        std::memset(out, in.ConsumeBool() ? 'x' : '@', N);
        std::memcpy(out, text.data(), text.size());
        if (text.size() < N && in.ConsumeBool())
            out[text.size()] = '\0';
    }

    void Device(FuzzedDataProvider& in)
    {
        tscore_bridge_Device sample{};
        sample.index = Index(in);
        Fill(in, sample.record);
        const std::string record = TSCoreBridge::FromBounded(sample.record);
        TSCoreFuzz::Check(record.size() <= Protocol::maxRecord + 1, "a record never read past its array");
        if (!Protocol::Acceptable(sample))
            return;
        TSCoreFuzz::Check(sample.index < Protocol::maxDevices, "an accepted record addresses a slot");
        TSCoreFuzz::Check(record.empty() || TSCoreLink::WellFormed(record),
                          "an accepted record has every field");
    }

    void Sensor(FuzzedDataProvider& in)
    {
        tscore_bridge_Sensor sample{};
        sample.index = Index(in);
        sample.seq = in.ConsumeIntegral<std::uint64_t>();
        Fill(in, sample.text);
        TSCoreFuzz::Check(!Protocol::Acceptable(sample) || sample.index < Protocol::maxDevices,
                          "an accepted text addresses a slot");
    }

    void Service(FuzzedDataProvider& in)
    {
        tscore_bridge_Service sample{in.ConsumeBool(), Index(in), in.ConsumeBool()};
        TSCoreFuzz::Check(Protocol::Acceptable(sample) == (sample.deviceCount <= Protocol::maxDevices),
                          "a count up to the slots, and only that");
    }

    void State(FuzzedDataProvider& in)
    {
        tscore_bridge_PublisherState sample{};
        sample.acceptsHaptics = in.ConsumeBool();
        sample.stamped = in.ConsumeBool();
        sample.stampAge = in.ConsumeBool() ? in.ConsumeIntegralInRange<long long>(-2 * Protocol::maxStampAge,
                                                                                  2 * Protocol::maxStampAge)
                                           : in.ConsumeIntegral<long long>();
        // The sequence's length as the peer says it, with the buffer the reader would hold
        // (none at all, where a peer may leave it out).
        std::vector<tscore_bridge_Release> releases(in.ConsumeIntegralInRange<std::size_t>(0, 300));
        for (auto& release : releases)
            release = {Index(in), in.ConsumeIntegral<std::uint32_t>()};
        sample.releases._length = static_cast<std::uint32_t>(releases.size());
        sample.releases._maximum = in.ConsumeIntegral<std::uint32_t>();
        sample.releases._buffer = in.ConsumeBool() || releases.empty() ? releases.data() : nullptr;
        if (sample.releases._buffer == nullptr && in.ConsumeBool())
            sample.releases._length = 0;
        if (!Protocol::Acceptable(sample))
            return;
        TSCoreFuzz::Check(sample.releases._length == 0 || sample.releases._buffer != nullptr, "releases are there");
        for (std::uint32_t i = 0; i < sample.releases._length; ++i)
            TSCoreFuzz::Check(sample.releases._buffer[i].index < Protocol::maxDevices, "a release addresses a slot");
        // The mirror writes its stamp as now minus the age: that must not overflow.
        TSCoreFuzz::Check(!sample.stamped ||
                              (sample.stampAge > -Protocol::maxStampAge && sample.stampAge < Protocol::maxStampAge),
                          "an accepted age leaves room for the clock");
    }

    void Command(FuzzedDataProvider& in)
    {
        tscore_bridge_Command sample{};
        const std::string bytes = in.ConsumeRandomLengthString(2 * Protocol::maxCommand);
        std::memset(sample.bytes, 'x', sizeof sample.bytes);
        const bool copied = TSCoreBridge::CopyBounded(bytes, sample.bytes);
        TSCoreFuzz::Check(copied == (bytes.size() <= Protocol::maxCommand), "a command fits exactly up to its bound");
        const std::string back = TSCoreBridge::FromBounded(sample.bytes);
        if (copied)
            TSCoreFuzz::Check(back == bytes.substr(0, bytes.find('\0')), "a command reads back as it was copied");
        else
            TSCoreFuzz::Check(back.size() == sizeof sample.bytes, "a refused copy leaves the array as it was");
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    while (in.remaining_bytes() > 0)
    {
        switch (in.ConsumeIntegralInRange(0, 4))
        {
        case 0:
            Device(in);
            break;
        case 1:
            Sensor(in);
            break;
        case 2:
            Service(in);
            break;
        case 3:
            State(in);
            break;
        default:
            Command(in);
            break;
        }
    }
    return 0;
}
