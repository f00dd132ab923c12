// TS_SensorData::Parse, with the standard glove's constants and with constants from the first
// text, and Deserialize: never throw, count what they read, and round-trip.
#include <TSCore/TS/TS_GloveInfo.h>
#include <TSCore/TS/TS_SensorData.h>
#include <TSCore/TS/TessaraVars.h>

#include "FuzzHelpers.h"

using TSCore::TS::TessaraVars;
using TSCore::TS::TS_GloveInfo;
using TSCore::TS::TS_SensorData;

namespace
{
    void Exercise(const TS_SensorData& d, const char* what)
    {
        (void)d.ToString();
        std::size_t count = 0;
        for (const auto& finger : d.sensorAngles)
            count += finger.size();
        TSCoreFuzz::Check(d.GetAngleSequence().size() == count, "sequence holds every angle");
        for (int f = -1; f <= TSCore::fingerCount; ++f)
            (void)d.GetAngles(static_cast<TSCore::Finger>(f));
        if (TSCoreFuzz::AllFinite(d.sensorAngles) && TSCoreFuzz::Finite(d.imuRotation))
        {
            const TS_SensorData again = TS_SensorData::Deserialize(d.Serialize());
            TSCoreFuzz::Check(again.Equals(d) && again.imuParsed == d.imuParsed, what);
        }
    }

    const TS_GloveInfo& StandardGlove()
    {
        static const TS_GloveInfo glove = []
        {
            TS_GloveInfo g;
            TS_GloveInfo::Parse(TessaraVars::GetStdCString("QX7.2", 4.7f, true), g, true);
            return g;
        }();
        return glove;
    }
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    TSCoreFuzz::LogEverything();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string whole = TSCoreFuzz::Text(data, size);
    const auto [constants, sensors] = TSCoreFuzz::TwoTexts(data, size);

    const TS_SensorData standard = TS_SensorData::Parse(whole, StandardGlove());
    TSCoreFuzz::Check(standard.sensorAngles.empty() || standard.sensorAngles.size() == 5,
                      "no finger lists or five of them");
    TSCoreFuzz::Check(standard.parsedValues >= 0 &&
                          static_cast<std::size_t>(standard.parsedValues) == standard.GetAngleSequence().size(),
                      "every angle read is counted");
    Exercise(standard, "reading round trip");

    TS_GloveInfo glove;
    TS_GloveInfo::Parse(constants, glove, true);
    Exercise(TS_SensorData::Parse(sensors, glove), "reading with fuzzed constants round trip");

    Exercise(TS_SensorData::Deserialize(whole), "stored reading round trip");
    return 0;
}
