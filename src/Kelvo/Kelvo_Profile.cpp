#include "TSCore/Kelvo/Kelvo_Profile.h"

#include <exception>
#include <utility>
#include <vector>

#include "TSCore/Diagnostics/Debugger.h"
#include "TSCore/Util/Serializer.h"
#include "Util/ExceptionText.h"
#include "Util/FieldAt.h"

namespace TSCore::Kelvo
{
    using Diagnostics::DebugLevel;
    using Diagnostics::Debugger;
    using Kinematics::HandInterpolator;
    using Kinematics::InterpolationSet;
    using Util::Serializer;

    namespace
    {
        // Uncalibrated input span of a raw reading.
        constexpr float rawStart = 0.0f;
        constexpr float rawEnd = 1000.0f;
    }

    Kelvo_Profile::Kelvo_Profile() : isRight(true), interpolator() {}

    Kelvo_Profile::Kelvo_Profile(bool right, HandInterpolator interp) : isRight(right), interpolator(std::move(interp))
    {
    }

    Kelvo_Profile Kelvo_Profile::Default(bool right)
    {
        HandInterpolator interp = HandInterpolator::Default(right);
        for (std::vector<InterpolationSet>& digit : interp.interpolationSets)
        {
            for (InterpolationSet& set : digit)
            {
                set.inStart = rawStart;
                set.inEnd = rawEnd;
            }
        }
        return Kelvo_Profile(right, std::move(interp));
    }

    bool Kelvo_Profile::Equals(Kelvo_Profile other) const
    {
        return isRight == other.isRight && interpolator.Equals(std::move(other.interpolator));
    }

    std::string Kelvo_Profile::Serialize() const
    {
        return Serializer::Enclose(isRight ? "R" : "L") + Serializer::Enclose(interpolator.Serialize());
    }

    Kelvo_Profile Kelvo_Profile::Deserialize(std::string text)
    {
        try
        {
            const std::vector<std::string> blocks = Serializer::SplitBlocks(std::move(text), false);
            if (blocks.size() < 2)
                return Default(true);
            const bool right = !Util::detail::FieldStartsWith(blocks, 0, 'L');
            return Kelvo_Profile(right, HandInterpolator::Deserialize(Util::detail::FieldAt(blocks, 1)));
        }
        catch (const std::exception& e)
        {
            Debugger::Log(Util::detail::ExceptionText(e), DebugLevel::Errors);
        }
        catch (...)
        {
            Debugger::Log("Unknown exception", DebugLevel::Errors);
        }
        return Default(true);
    }
}
