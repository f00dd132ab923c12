#include "HapticInput.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace TSCoreBridge::HapticInput
{
    const char* VerdictName(Verdict verdict)
    {
        switch (verdict)
        {
        case Verdict::Ok:
            return "ok";
        case Verdict::Count:
            return "not one level per digit";
        case Verdict::NotFinite:
            return "a value that is not finite";
        case Verdict::OutOfRange:
            return "a level outside 0..1";
        case Verdict::Malformed:
            return "malformed";
        case Verdict::NoKnownJoint:
            break;
        }
        return "none of the configured joints";
    }

    Verdict CheckLevels(const float* data, std::uint32_t length, std::uint32_t offset, std::size_t channels,
                        Levels& out, bool& dropped)
    {
        dropped = false;
        channels = std::min(channels, digits);
        if (offset > length || (data == nullptr && length > 0))
            return Verdict::Malformed;
        const std::size_t n = length - offset;
        if (n != digits && n != channels)
            return Verdict::Count;
        const float* values = data + offset;
        for (std::size_t i = 0; i < n; ++i)
        {
            if (!std::isfinite(values[i]))
                return Verdict::NotFinite;
            if (values[i] < 0.0f || values[i] > 1.0f)
                return Verdict::OutOfRange;
        }
        Levels levels{};
        for (std::size_t i = 0; i < n; ++i)
        {
            if (i < channels)
                levels[i] = values[i];
            else
                dropped = dropped || values[i] != 0.0f;
        }
        out = levels;
        return Verdict::Ok;
    }

    namespace
    {
        float Level(double effort, const EffortDigit& digit)
        {
            const double share = (std::fabs(effort) - digit.minEffort) / (digit.maxEffort - digit.minEffort);
            return static_cast<float>(std::clamp(share, 0.0, 1.0));
        }
    }

    Verdict EffortLevels(const char* const* names, std::uint32_t nameCount, const double* efforts,
                         std::uint32_t effortCount, const std::vector<EffortDigit>& config, Levels& out)
    {
        if (nameCount != effortCount || nameCount > maxJoints ||
            (nameCount > 0 && (names == nullptr || efforts == nullptr)))
            return Verdict::Malformed;
        for (std::uint32_t i = 0; i < nameCount; ++i)
        {
            if (names[i] == nullptr)
                return Verdict::Malformed;
            if (!std::isfinite(efforts[i]))
                return Verdict::NotFinite;
        }
        Levels levels{};
        bool known = false;
        for (const EffortDigit& digit : config)
            for (const std::string& joint : digit.joints)
                for (std::uint32_t i = 0; i < nameCount; ++i)
                {
                    if (std::strcmp(names[i], joint.c_str()) != 0 || digit.digit >= digits)
                        continue;
                    known = true;
                    levels[digit.digit] = std::max(levels[digit.digit], Level(efforts[i], digit));
                }
        if (!known)
            return Verdict::NoKnownJoint;
        out = levels;
        return Verdict::Ok;
    }
}
