// Kelvo_Profile::Deserialize: never throws and round-trips.
#include <TSCore/Kelvo/Kelvo_Profile.h>

#include "FuzzHelpers.h"

using TSCore::Kelvo::Kelvo_Profile;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    TSCoreFuzz::LogEverything();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const Kelvo_Profile profile = Kelvo_Profile::Deserialize(TSCoreFuzz::Text(data, size));
    if (TSCoreFuzz::Finite(profile.interpolator))
        TSCoreFuzz::Check(Kelvo_Profile::Deserialize(profile.Serialize()).Equals(profile), "profile round trip");
    return 0;
}
