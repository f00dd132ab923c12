// Kelvo_GloveInfo::Parse and Deserialize: never throw; a parsed or read record survives
// Serialize and Deserialize.
#include <TSCore/Kelvo/Kelvo_GloveInfo.h>

#include "FuzzHelpers.h"

using TSCore::Kelvo::Kelvo_GloveInfo;

namespace
{
    void RoundTrip(const Kelvo_GloveInfo& g, const char* what)
    {
        (void)g.ToString();
        if (TSCoreFuzz::Finite(g.imuCorrection) && TSCoreFuzz::NoBraces(g.deviceID) &&
            TSCoreFuzz::NoBraces(g.hardwareVersion))
            TSCoreFuzz::Check(Kelvo_GloveInfo::Deserialize(g.Serialize()).Equals(g), what);
    }
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    TSCoreFuzz::LogEverything();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text = TSCoreFuzz::Text(data, size);

    Kelvo_GloveInfo parsed;
    if (Kelvo_GloveInfo::Parse(text, parsed))
    {
        TSCoreFuzz::Check(parsed.numSensors == 5, "a parsed glove has five sensor entries");
        RoundTrip(parsed, "parsed record round trip");
    }
    else
    {
        TSCoreFuzz::Check(parsed.Equals(Kelvo_GloveInfo()), "a rejected string leaves out unchanged");
    }

    RoundTrip(Kelvo_GloveInfo::Deserialize(text), "stored record round trip");
    return 0;
}
