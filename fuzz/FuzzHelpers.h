#pragma once

// Shared by the fuzz targets: turning the input into text, and the checks every target makes.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include <TSCore/Diagnostics/Debugger.h>
#include <TSCore/Kinematics/HandInterpolator.h>
#include <TSCore/Kinematics/InterpolationSet.h>
#include <TSCore/Kinematics/Quat.h>
#include <TSCore/Kinematics/Vect3D.h>

namespace TSCoreFuzz
{
    inline std::string Text(const uint8_t* data, size_t size)
    {
        return std::string(reinterpret_cast<const char*>(data), size);
    }

    /// Splits the input at the first NUL into two texts (for targets that take two strings).
    inline std::pair<std::string, std::string> TwoTexts(const uint8_t* data, size_t size)
    {
        const std::string all = Text(data, size);
        const std::size_t nul = all.find('\0');
        if (nul == std::string::npos)
            return {all, std::string()};
        return {all.substr(0, nul), all.substr(nul + 1)};
    }

    /// Every log message is built and written (to /dev/null), so the text of each message
    /// path runs too; an application that raises the level must not meet a fault we skipped.
    inline void LogEverything()
    {
        if (std::freopen("/dev/null", "w", stdout) == nullptr)
            return; // keep the quiet default rather than flood the fuzzer's output
        TSCore::Diagnostics::Debugger::debugLevel = TSCore::Diagnostics::DebugLevel::Verbose;
    }

    /// A property that must hold; aborts so libFuzzer records the input.
    inline void Check(bool condition, const char* what)
    {
        if (!condition)
        {
            std::fprintf(stderr, "fuzz property violated: %s\n", what);
            std::abort();
        }
    }

    /// A text field survives Serializer::Enclose and SplitBlocks only without braces: the
    /// block format has no escaping, so a stray brace ends or opens a block.
    inline bool NoBraces(const std::string& s) { return s.find_first_of("{}") == std::string::npos; }

    inline bool Finite(float v) { return std::isfinite(v); }
    inline bool Finite(const TSCore::Kinematics::Vect3D& v) { return Finite(v.x) && Finite(v.y) && Finite(v.z); }
    inline bool Finite(const TSCore::Kinematics::Quat& q)
    {
        return Finite(q.x) && Finite(q.y) && Finite(q.z) && Finite(q.w);
    }
    inline bool Finite(const TSCore::Kinematics::InterpolationSet& s)
    {
        return Finite(s.inStart) && Finite(s.inEnd) && Finite(s.outStart) && Finite(s.outEnd) && Finite(s.lowerLimit) &&
               Finite(s.upperLimit);
    }

    template <typename T>
    bool AllFinite(const std::vector<T>& values)
    {
        for (const T& v : values)
            if (!Finite(v))
                return false;
        return true;
    }

    template <typename T>
    bool AllFinite(const std::vector<std::vector<T>>& values)
    {
        for (const auto& inner : values)
            if (!AllFinite(inner))
                return false;
        return true;
    }

    inline bool Finite(const TSCore::Kinematics::HandInterpolator& h)
    {
        return Finite(h.thumbStartRotation) && AllFinite(h.interpolationSets);
    }
}
