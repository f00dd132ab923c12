// The simulator's control channel and the haptic commands it reads, one line each: "haptics KEY
// BYTES" is a command under KEY in "Haptics", anything else a control line (flex, brakes,
// record, data, connect, ...) for a service of five devices (both glove families, development
// hardware, a verbatim record). Segments are not claimed: what would be written fails as a full
// segment would. Every reply is one line: "ok", "error: ...", or the brakes of a glove, whose
// levels stay 0..100 and closures 0..1 whatever the commands and closures given.
#include <chrono>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "FuzzHelpers.h"
#include "Service.h"

using namespace TessLinkSim;

namespace
{
    std::unique_ptr<Service> MakeService()
    {
        const MotionSettings motion{Motion::Pattern::Wave, 4.0, 0.01};
        std::vector<std::unique_ptr<SimDevice>> devices;
        devices.push_back(std::make_unique<TessaraSim>(true, 1, TessaraSim::Constants(true, 1, "4.7"), motion));
        devices.push_back(std::make_unique<KelvoSim>(false, 1, motion));
        devices.push_back(std::make_unique<BetaSim>("beta:1", std::nullopt));
        devices.push_back(std::make_unique<RecordSim>("1@60@0@QX7.2:v4.6@sim:3@2"));
        devices.push_back(std::make_unique<TessaraSim>(false, 2, TessaraSim::StandardConstants(false, 4.6f), motion));
        return std::make_unique<Service>(ServiceOptions{}, std::move(devices));
    }

    // "a,b,c,d,e" of numbers within [low, high].
    bool ListWithin(const std::string& list, double low, double high)
    {
        std::istringstream in(list);
        int count = 0;
        for (std::string field; std::getline(in, field, ','); ++count)
        {
            char* end = nullptr;
            const double value = std::strtod(field.c_str(), &end);
            if (field.empty() || *end != '\0' || !(value >= low && value <= high))
                return false;
        }
        return count == 5;
    }

    void CheckReply(const std::string& reply)
    {
        TSCoreFuzz::Check(!reply.empty() && reply.find('\n') == std::string::npos, "a reply is one line");
        if (reply.rfind("brakes ", 0) != 0)
        {
            TSCoreFuzz::Check(reply == "ok" || reply.rfind("error: ", 0) == 0, "ok, an error, or the brakes");
            return;
        }
        std::istringstream in(reply.substr(reply.find(' ', 7) + 1));
        std::string ffb, held, closure;
        in >> ffb >> held >> closure;
        TSCoreFuzz::Check(ffb.rfind("ffb=", 0) == 0 && ListWithin(ffb.substr(4), 0, 100), "levels 0..100");
        TSCoreFuzz::Check(held.rfind("held=", 0) == 0 && ListWithin(held.substr(5), 0, 1), "held 0 or 1");
        TSCoreFuzz::Check(closure.rfind("closure=", 0) == 0 && ListWithin(closure.substr(8), 0, 1), "closures 0..1");
    }

    // The clock the service reads its own times from (it was never started: from the epoch).
    double Now() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    TSCoreFuzz::LogEverything(); // the lines the service prints go to /dev/null
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::unique_ptr<Service> service = MakeService();
    std::istringstream in(TSCoreFuzz::Text(data, size));
    for (std::string line; std::getline(in, line);)
    {
        if (line.rfind("haptics ", 0) == 0)
        {
            const std::size_t gap = line.find(' ', 8);
            const std::string key = line.substr(8, gap == std::string::npos ? gap : gap - 8);
            service->TakeCommands({{key, gap == std::string::npos ? std::string() : line.substr(gap + 1)}}, Now());
            continue;
        }
        CheckReply(service->Execute(line));
    }
    return 0;
}
