#include "TSCore/Kelvo/Kelvo_Profile.h"

#include <utility>
#include <vector>

#include "Util/BlockWriter.h"
#include "Util/StoredText.h"

namespace TSCore::Kelvo
{
    using Kinematics::HandInterpolator;
    using Kinematics::InterpolationSet;

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
        return Util::detail::BlockWriter().Side(isRight).Text(interpolator.Serialize()).Take();
    }

    Kelvo_Profile Kelvo_Profile::Deserialize(std::string text)
    {
        enum Block : std::size_t
        {
            Side,
            Interpolator,
            storedBlocks,
        };
        return Util::detail::ReadStored(
            text,
            [](Util::detail::FieldReader& blocks)
            {
                if (blocks.Count() < storedBlocks)
                    return Default(true);
                return Kelvo_Profile(blocks.Right(Side, Util::detail::EmptySide::Right),
                                     HandInterpolator::Deserialize(blocks.Text(Interpolator)));
            },
            [] { return Default(true); });
    }
}
