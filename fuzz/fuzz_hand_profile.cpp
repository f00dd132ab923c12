// HandProfile::Deserialize: never throws and round-trips both glove families' parts.
#include <TSCore/Hand/HandProfile.h>

#include "FuzzHelpers.h"

using TSCore::HandProfile;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    TSCoreFuzz::LogEverything();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const HandProfile profile = HandProfile::Deserialize(TSCoreFuzz::Text(data, size));
    if (TSCoreFuzz::Finite(profile.tsProfile.interpolator) && TSCoreFuzz::AllFinite(profile.tsProfile.thimbleOffsets) &&
        TSCoreFuzz::Finite(profile.kelvoProfile.interpolator))
        TSCoreFuzz::Check(HandProfile::Deserialize(profile.Serialize()).Equals(profile), "profile round trip");
    return 0;
}
