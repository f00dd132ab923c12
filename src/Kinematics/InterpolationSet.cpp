#include "TSCore/Kinematics/InterpolationSet.h"

#include "Diagnostics/Log.h"
#include "Util/FieldReader.h"
#include "Util/Guard.h"
#include "Util/NumberFormat.h"

namespace TSCore::Kinematics
{
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
        const auto unreadable = [](const std::string& why)
        {
            TSCORE_LOG(Errors, why);
            return InterpolationSet();
        };
        return Util::detail::Guard(
            [&]
            {
                auto parts = Util::detail::FieldReader::Split(text, ';');
                if (parts.Count() < 4)
                    return InterpolationSet();
                InterpolationSet set(parts.Float(0), parts.Float(1), parts.Float(2), parts.Float(3));
                // Unbounded limits are stored as "m" and "M".
                if (parts.Count() >= 6)
                {
                    set.lowerLimit = parts.StartsWith(4, 'm') ? noLowerLimit : parts.Float(4);
                    set.upperLimit = parts.StartsWith(5, 'M') ? noUpperLimit : parts.Float(5);
                }
                return parts.Ok() ? set : unreadable(parts.Error());
            },
            unreadable);
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
