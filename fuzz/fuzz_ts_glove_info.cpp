// TS_GloveInfo::Parse (with and without the old-firmware correction) and Deserialize: never
// throw; a parsed or read record survives Serialize and Deserialize.
#include <TSCore/Finger.h>
#include <TSCore/TS/TS_GloveInfo.h>

#include "FuzzHelpers.h"

using TSCore::TS::TS_GloveInfo;

namespace
{
    bool Finite(const TS_GloveInfo& g)
    {
        return TSCoreFuzz::Finite(g.imuCorrection) && TSCoreFuzz::AllFinite(g.startPositions) &&
               TSCoreFuzz::AllFinite(g.startRotations) && TSCoreFuzz::AllFinite(g.gloveLengths);
    }

    void Exercise(const TS_GloveInfo& g)
    {
        (void)g.ToString(true);
        (void)g.ToString(false);
        for (int f = -1; f <= TSCore::fingerCount; ++f)
        {
            const auto finger = static_cast<TSCore::Finger>(f);
            (void)g.GetGloveLengths(finger);
            (void)g.GetStartPosition(finger);
            (void)g.GetStartRotation(finger);
        }
        TSCoreFuzz::Check(g.Equals(g, true), "kinematic equality is reflexive on finite records");
    }

    void RoundTrip(const TS_GloveInfo& g, const char* what)
    {
        if (!Finite(g) || !TSCoreFuzz::NoBraces(g.deviceID) || !TSCoreFuzz::NoBraces(g.hardwareVersion))
            return;
        Exercise(g);
        TSCoreFuzz::Check(TS_GloveInfo::Deserialize(g.Serialize()).Equals(g, false), what);
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

    for (const bool correctOld : {true, false})
    {
        TS_GloveInfo parsed;
        if (TS_GloveInfo::Parse(text, parsed, correctOld))
            RoundTrip(parsed, "parsed record round trip");
        else
            TSCoreFuzz::Check(parsed.Equals(TS_GloveInfo(), false), "a rejected string leaves the default record");
    }

    // Stored text needs no brace check: its blocks are balanced by construction.
    const TS_GloveInfo stored = TS_GloveInfo::Deserialize(text);
    (void)stored.ToString(false);
    RoundTrip(stored, "stored record round trip");
    return 0;
}
