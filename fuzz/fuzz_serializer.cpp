// Every Serializer reader; the list forms must round-trip through their writers.
#include <stdexcept>

#include <TSCore/Kinematics/Values.h>
#include <TSCore/Util/Serializer.h>

#include "FuzzHelpers.h"

using TSCore::Kinematics::Values;
using TSCore::Util::Serializer;

namespace
{
    bool SameFloats(const std::vector<float>& a, const std::vector<float>& b)
    {
        if (a.size() != b.size())
            return false;
        for (std::size_t i = 0; i < a.size(); ++i)
            if (!Values::FloatEquals(a[i], b[i]))
                return false;
        return true;
    }

    template <typename F>
    void Guarded(F&& f)
    {
        try
        {
            f();
        }
        catch (const std::out_of_range&)
        {
            // Numbers beyond float range are documented to reach the caller of the readers.
        }
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
    using TSCoreFuzz::Check;

    (void)Serializer::SplitBlocks(text, true);
    std::string filtered = text;
    Serializer::FilterBrackets(filtered);
    Check(filtered.size() <= text.size(), "FilterBrackets never grows");

    const std::vector<bool> flags = Serializer::DeserializeBools(text);
    Check(Serializer::DeserializeBools(Serializer::Serialize(flags, false)) == flags, "bools round trip");

    Guarded(
        [&]
        {
            const std::vector<float> f = Serializer::DeserializeFloats(text);
            if (TSCoreFuzz::AllFinite(f))
                Check(SameFloats(Serializer::DeserializeFloats(Serializer::Serialize(f, false)), f) || f.empty(),
                      "floats round trip");
        });
    Guarded(
        [&]
        {
            const auto v = Serializer::DeserializeVects(text);
            if (TSCoreFuzz::AllFinite(v))
                Check(Values::Equal(Serializer::DeserializeVects(Serializer::Serialize(v, false)), v),
                      "vects round trip");
        });
    Guarded(
        [&]
        {
            const auto q = Serializer::DeserializeQuats(text);
            if (TSCoreFuzz::AllFinite(q))
                Check(Values::Equal(Serializer::DeserializeQuats(Serializer::Serialize(q, false)), q),
                      "quats round trip");
        });
    Guarded(
        [&]
        {
            const auto f2 = Serializer::DeserializeFloats2D(text);
            const auto back = Serializer::DeserializeFloats2D(Serializer::Serialize(f2, false));
            Check(back.size() == f2.size(), "floats2D keeps its lists");
        });
    Guarded(
        [&]
        {
            const auto v2 = Serializer::DeserializeVects2D(text);
            if (TSCoreFuzz::AllFinite(v2))
                Check(Values::Equal(Serializer::DeserializeVects2D(Serializer::Serialize(v2, false)), v2),
                      "vects2D round trip");
        });
    Guarded(
        [&]
        {
            const auto q2 = Serializer::DeserializeQuats2D(text);
            if (TSCoreFuzz::AllFinite(q2))
                Check(Values::Equal(Serializer::DeserializeQuats2D(Serializer::Serialize(q2, false)), q2),
                      "quats2D round trip");
        });
    return 0;
}
