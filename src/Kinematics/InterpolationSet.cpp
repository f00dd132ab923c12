#include "TSCore/Kinematics/InterpolationSet.h"

#include <exception>
#include <vector>

#include "TSCore/Diagnostics/Debugger.h"
#include "TSCore/Util/StrStuff.h"
#include "Util/ExceptionText.h"
#include "Util/NumberFormat.h"
#include "Util/FieldAt.h"

namespace TSCore::Kinematics
{
    using Diagnostics::DebugLevel;
    using Diagnostics::Debugger;
    using Util::StrStuff;
    using Util::detail::AppendNumber;

    std::string InterpolationSet::Serialize() const
    {
        std::string s;
        s.reserve(64);
        AppendNumber(s, inStart);
        s += ';';
        AppendNumber(s, inEnd);
        s += ';';
        AppendNumber(s, outStart);
        s += ';';
        AppendNumber(s, outEnd);
        s += ';';
        if (Values::FloatEquals(lowerLimit, noLowerLimit))
            s += 'm';
        else
            AppendNumber(s, lowerLimit);
        s += ';';
        if (Values::FloatEquals(upperLimit, noUpperLimit))
            s += 'M';
        else
            AppendNumber(s, upperLimit);
        return s;
    }

    InterpolationSet InterpolationSet::Deserialize(std::string text)
    {
        try
        {
            const std::vector<std::string> parts = StrStuff::Split(std::move(text), ';');
            if (parts.size() < 4)
                return InterpolationSet();
            using Util::detail::FieldAt;
            using Util::detail::FieldStartsWith;
            InterpolationSet set(StrStuff::ToFloat(FieldAt(parts, 0), 0.0f), StrStuff::ToFloat(FieldAt(parts, 1), 0.0f),
                                 StrStuff::ToFloat(FieldAt(parts, 2), 0.0f), StrStuff::ToFloat(FieldAt(parts, 3), 0.0f));
            if (parts.size() >= 6)
            {
                set.lowerLimit = FieldStartsWith(parts, 4, 'm') ? noLowerLimit : StrStuff::ToFloat(FieldAt(parts, 4), 0.0f);
                set.upperLimit = FieldStartsWith(parts, 5, 'M') ? noUpperLimit : StrStuff::ToFloat(FieldAt(parts, 5), 0.0f);
            }
            return set;
        }
        catch (const std::exception& e)
        {
            Debugger::Log(Util::detail::ExceptionText(e), DebugLevel::Errors);
        }
        catch (...)
        {
            Debugger::Log("Unknown exception", DebugLevel::Errors);
        }
        return InterpolationSet();
    }

    std::string InterpolationSet::ToString() const { return ToString(false); }

    std::string InterpolationSet::ToString(bool withLimits) const
    {
        std::string s = "[";
        AppendNumber(s, inStart);
        s += " .. ";
        AppendNumber(s, inEnd);
        s += "] -> [";
        AppendNumber(s, outStart);
        s += " .. ";
        AppendNumber(s, outEnd);
        if (withLimits)
        {
            s += "] (";
            AppendNumber(s, lowerLimit);
            s += " .. ";
            AppendNumber(s, upperLimit);
            s += ")";
        }
        else
        {
            s += "]";
        }
        return s;
    }
}
