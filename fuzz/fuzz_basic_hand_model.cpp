// BasicHandModel::Deserialize: never throws, always a validated model, round-trips.
#include <TSCore/Kinematics/BasicHandModel.h>

#include "FuzzHelpers.h"

using TSCore::Kinematics::BasicHandModel;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    TSCoreFuzz::LogEverything();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const BasicHandModel m = BasicHandModel::Deserialize(TSCoreFuzz::Text(data, size));
    TSCoreFuzz::Check(m.fingerLengths.size() == 5 && m.jointPositions.size() == 5 && m.jointRotations.size() == 5,
                      "validated model has five digits");
    for (const auto& digit : m.fingerLengths)
        TSCoreFuzz::Check(digit.size() == 3, "three bones per digit");
    (void)m.ToString(false);
    if (TSCoreFuzz::AllFinite(m.fingerLengths) && TSCoreFuzz::AllFinite(m.jointPositions) &&
        TSCoreFuzz::AllFinite(m.jointRotations))
    {
        const BasicHandModel again = BasicHandModel::Deserialize(m.Serialize());
        TSCoreFuzz::Check(again.Equals(m) && again.isRight == m.isRight, "hand model round trip");
    }
    return 0;
}
