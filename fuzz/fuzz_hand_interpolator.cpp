// HandInterpolator::Deserialize: never throws, round-trips, and interpolating any angles
// (the bytes after the first NUL, as floats) gives three joints for each of five digits.
#include <cstring>

#include <TSCore/Kinematics/HandInterpolator.h>

#include "FuzzHelpers.h"

using TSCore::Kinematics::HandInterpolator;
using TSCore::Kinematics::Vect3D;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    TSCoreFuzz::LogEverything();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto [stored, raw] = TSCoreFuzz::TwoTexts(data, size);

    HandInterpolator h = HandInterpolator::Deserialize(stored);
    if (TSCoreFuzz::Finite(h))
        TSCoreFuzz::Check(HandInterpolator::Deserialize(h.Serialize()).Equals(h), "interpolator round trip");

    // Raw floats reach NaN, infinities and every count of digits, which no text reader gives.
    std::vector<Vect3D> angles;
    for (std::size_t at = 0; at + sizeof(float[3]) <= raw.size(); at += sizeof(float[3]))
    {
        float v[3];
        std::memcpy(v, raw.data() + at, sizeof v);
        angles.emplace_back(v[0], v[1], v[2]);
    }
    const auto hand = HandInterpolator::InterpolateHandAngles(h, angles);
    TSCoreFuzz::Check(hand.size() == 5, "five digits interpolated");
    for (const auto& digit : hand)
        TSCoreFuzz::Check(digit.size() == 3, "three joints per digit");
    return 0;
}
