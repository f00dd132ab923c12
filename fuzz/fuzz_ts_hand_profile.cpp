// TS_HandProfile::Deserialize: never throws and round-trips, solver number included.
#include <TSCore/TS/TS_HandProfile.h>

#include "FuzzHelpers.h"

using TSCore::TS::TS_HandProfile;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    TSCoreFuzz::LogEverything();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const TS_HandProfile profile = TS_HandProfile::Deserialize(TSCoreFuzz::Text(data, size));
    if (TSCoreFuzz::Finite(profile.interpolator) && TSCoreFuzz::AllFinite(profile.thimbleOffsets))
        TSCoreFuzz::Check(TS_HandProfile::Deserialize(profile.Serialize()).Equals(profile), "profile round trip");
    return 0;
}
