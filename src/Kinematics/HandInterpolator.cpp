#include "TSCore/Kinematics/HandInterpolator.h"

#include "Kinematics/DigitAngles.h"
#include "Kinematics/VectorText.h"
#include "TSCore/Kinematics/Anatomy.h"
#include "Util/BlockWriter.h"
#include "Util/StoredText.h"

namespace TSCore::Kinematics
{

    namespace
    {
        constexpr float d = Values::Deg2Rad;

        // Thumb sets in degrees: inStart, inEnd, outStart, outEnd, lowerLimit, upperLimit.
        constexpr float rightThumb[5][6] = {
            {-90, -10, 20, -20, -20, 20}, // CMCTwist
            {0, 135, -35, 5, -35, 10},    // CMCFlexion
            {-90, -10, -20, 55, -20, 60}, // CMCAbduction
            {0, 135, 0, 40, 0, 50},       // MCPFlexion
            {0, 135, 0, 90, -10, 90},     // IPFlexion
        };
        constexpr float leftThumb[5][6] = {
            {90, 10, -20, 20, -20, 20}, {0, 135, -20, 20, -20, 20}, {90, 10, 20, -70, -70, 20},
            {0, 135, 0, 40, 0, 50},     {0, 135, 0, 90, -10, 90},
        };

        InterpolationSet FromDegrees(const float (&v)[6])
        {
            return InterpolationSet(v[0] * d, v[1] * d, v[2] * d, v[3] * d, v[4] * d, v[5] * d);
        }

        const InterpolationSet* SetAt(const std::vector<std::vector<InterpolationSet>>& sets, int digit, int movement)
        {
            if (digit < 0 || movement < 0 || static_cast<std::size_t>(digit) >= sets.size())
                return nullptr;
            const std::vector<InterpolationSet>& list = sets[static_cast<std::size_t>(digit)];
            if (static_cast<std::size_t>(movement) >= list.size())
                return nullptr;
            return &list[static_cast<std::size_t>(movement)];
        }
    }

    HandInterpolator::HandInterpolator() : thumbStartRotation(Quat::identity), interpolationSets(fingerCount) {}

    HandInterpolator::HandInterpolator(std::vector<std::vector<InterpolationSet>> sets)
        : thumbStartRotation(Quat::identity), interpolationSets(std::move(sets))
    {
    }

    HandInterpolator::HandInterpolator(std::vector<std::vector<InterpolationSet>> sets, Quat rotation)
        : thumbStartRotation(rotation), interpolationSets(std::move(sets))
    {
    }

    HandInterpolator HandInterpolator::Default(bool right)
    {
        const Quat thumbRotation = detail::DefaultThumbStartRotation(right);

        std::vector<std::vector<InterpolationSet>> sets(fingerCount);
        const float(&thumb)[5][6] = right ? rightThumb : leftThumb;
        for (const auto& row : thumb)
            sets[0].push_back(FromDegrees(row));

        const auto limit = [right](int joint, int axis, bool upper)
        { return Anatomy::GetFingerJointLimit(right, joint, axis, upper); };
        for (std::size_t f = 1; f < static_cast<std::size_t>(fingerCount); ++f)
        {
            sets[f] = {
                InterpolationSet(0.0f, 220 * d, 0.0f, 70 * d, limit(0, 1, false), limit(0, 1, true)),
                // Abduction passes the sideways angle through (radians in, radians out), clamped.
                InterpolationSet(0.0f, 1.0f, 0.0f, 1.0f, limit(0, 2, false), limit(0, 2, true)),
                InterpolationSet(0.0f, 220 * d, 0.0f, 100 * d, limit(1, 1, false), limit(1, 1, true)),
                InterpolationSet(0.0f, 220 * d, 0.0f, 90 * d, limit(2, 1, false), limit(2, 1, true)),
            };
        }
        return HandInterpolator(std::move(sets), thumbRotation);
    }

    float HandInterpolator::CalculateAngle(Finger finger, int movement, float value) const
    {
        const InterpolationSet* set = SetAt(interpolationSets, static_cast<int>(finger), movement);
        return set != nullptr ? set->Get(value, true, false) : 0.0f;
    }

    float HandInterpolator::CalculateAngle(Finger finger, FingerMovement movement, float value) const
    {
        return CalculateAngle(finger, static_cast<int>(movement), value);
    }

    float HandInterpolator::CalculateAngle(Finger finger, ThumbMovement movement, float value) const
    {
        return CalculateAngle(finger, static_cast<int>(movement), value);
    }

    std::vector<Vect3D> HandInterpolator::InterpolateFingerAngles(Finger finger, const HandInterpolator& interpolator,
                                                                  Vect3D s)
    {
        std::vector<Vect3D> joints;
        detail::InterpolateFinger(finger, interpolator, s, joints);
        return joints;
    }

    std::vector<Vect3D> HandInterpolator::InterpolateThumbAngles(const HandInterpolator& interpolator, Vect3D s)
    {
        std::vector<Vect3D> joints;
        detail::InterpolateThumb(interpolator, s, joints);
        return joints;
    }

    std::vector<std::vector<Vect3D>> HandInterpolator::InterpolateHandAngles(const HandInterpolator& interpolator,
                                                                             std::vector<Vect3D> s)
    {
        // Callers pass one entry per digit; a shorter list reads as zero angles.
        std::vector<std::vector<Vect3D>> hand(fingerCount);
        for (std::size_t f = 0; f < hand.size(); ++f)
        {
            const Vect3D sensor = f < s.size() ? s[f] : Vect3D::zero;
            if (f == 0)
                detail::InterpolateThumb(interpolator, sensor, hand[f]);
            else
                detail::InterpolateFinger(static_cast<Finger>(f), interpolator, sensor, hand[f]);
        }
        return hand;
    }

    bool HandInterpolator::Equals(HandInterpolator other) const
    {
        if (!thumbStartRotation.Equals(other.thumbStartRotation))
            return false;
        if (interpolationSets.size() != other.interpolationSets.size())
            return false;
        for (std::size_t f = 0; f < interpolationSets.size(); ++f)
        {
            const std::vector<InterpolationSet>& mine = interpolationSets[f];
            const std::vector<InterpolationSet>& theirs = other.interpolationSets[f];
            if (mine.size() != theirs.size())
                return false;
            for (std::size_t k = 0; k < mine.size(); ++k)
                if (!mine[k].Equals(theirs[k]))
                    return false;
        }
        return true;
    }

    std::string HandInterpolator::Serialize() const
    {
        Util::detail::BlockWriter digits;
        for (const std::vector<InterpolationSet>& list : interpolationSets)
        {
            Util::detail::BlockWriter digit;
            for (const InterpolationSet& set : list)
                digit.Text(set.Serialize());
            digits.Text(digit.Take());
        }
        return Util::detail::BlockWriter().Text(digits.Take()).Value(thumbStartRotation).Take();
    }

    HandInterpolator HandInterpolator::Deserialize(std::string text)
    {
        // Each set answers for its own text; the rotation is the interpolator's.
        return Util::detail::ReadStored(
            text,
            [](Util::detail::FieldReader& blocks)
            {
                if (blocks.Count() < 2)
                    return Default(true);
                std::vector<std::vector<InterpolationSet>> sets;
                std::vector<std::string_view> digits;
                std::vector<std::string_view> digitSets;
                Util::detail::SplitBlockViews(blocks.View(0), digits);
                for (const std::string_view digit : digits)
                {
                    Util::detail::SplitBlockViews(digit, digitSets);
                    std::vector<InterpolationSet>& list = sets.emplace_back();
                    for (const std::string_view set : digitSets)
                        list.push_back(InterpolationSet::Deserialize(std::string(set)));
                }
                Quat rotation;
                detail::ReadQuat(blocks, blocks.View(1), ';', rotation);
                return HandInterpolator(std::move(sets), rotation);
            },
            [] { return Default(true); });
    }
}
