// Kelvo_SensorData::Parse, with a standard glove's constants and with constants from the first
// text, and Deserialize: never throw, and a reading survives Serialize and Deserialize.
#include <TSCore/Kelvo/Kelvo.h>
#include <TSCore/Kelvo/Kelvo_GloveInfo.h>
#include <TSCore/Kelvo/Kelvo_SensorData.h>

#include "FuzzHelpers.h"

using TSCore::Kelvo::Kelvo;
using TSCore::Kelvo::Kelvo_GloveInfo;
using TSCore::Kelvo::Kelvo_SensorData;

namespace
{
    void Exercise(const Kelvo_SensorData& d, const char* what)
    {
        (void)d.ToString();
        TSCoreFuzz::Check(Kelvo::GetCalibrationValues(d).size() == 5, "five calibration values");
        if (TSCoreFuzz::AllFinite(d.sensorAngles) && TSCoreFuzz::Finite(d.imuRotation))
        {
            const Kelvo_SensorData again = Kelvo_SensorData::Deserialize(d.Serialize());
            TSCoreFuzz::Check(again.Equals(d) && again.imuParsed == d.imuParsed, what);
        }
    }

    const Kelvo_GloveInfo& StandardGlove()
    {
        static const Kelvo_GloveInfo glove = []
        {
            Kelvo_GloveInfo g;
            Kelvo_GloveInfo::Parse("C:KV1-R0001:KV1:v2.1:R:4:0;0;0", g);
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

    const Kelvo_SensorData standard = Kelvo_SensorData::Parse(whole, StandardGlove());
    TSCoreFuzz::Check(standard.parsedValues >= 0, "a parse counts from zero");
    TSCoreFuzz::Check(standard.parsedValues <= 3 * static_cast<long long>(standard.sensorAngles.size()),
                      "at most three readings counted per entry");
    Exercise(standard, "reading round trip");

    Kelvo_GloveInfo glove;
    Kelvo_GloveInfo::Parse(constants, glove);
    Exercise(Kelvo_SensorData::Parse(sensors, glove), "reading with fuzzed constants round trip");

    Exercise(Kelvo_SensorData::Deserialize(whole), "stored reading round trip");
    return 0;
}
