#include "TSCore/Kinematics/HandInterpolator.h"

#include <exception>

#include "TSCore/Diagnostics/Debugger.h"
#include "TSCore/Kinematics/Anatomy.h"
#include "TSCore/Util/Serializer.h"
#include "Util/ExceptionText.h"
#include "Util/FieldAt.h"

namespace TSCore::Kinematics
{
    using Diagnostics::DebugLevel;
    using Diagnostics::Debugger;
    using Util::Serializer;

    namespace
    {
        constexpr float d = Values::Deg2Rad;

        // Thumb sets in degrees: inStart, inEnd, outStart, outEnd, lowerLimit, upperLimit.
        constexpr float rightThumb[5][6] = {
            {-90, -10, 20, -20, -20, 20},  // CMCTwist
            {0, 135, -35, 5, -35, 10},     // CMCFlexion
            {-90, -10, -20, 55, -20, 60},  // CMCAbduction
            {0, 135, 0, 40, 0, 50},        // MCPFlexion
            {0, 135, 0, 90, -10, 90},      // IPFlexion
        };
        constexpr float leftThumb[5][6] = {
            {90, 10, -20, 20, -20, 20},
            {0, 135, -20, 20, -20, 20},
            {90, 10, 20, -70, -70, 20},
            {0, 135, 0, 40, 0, 50},
            {0, 135, 0, 90, -10, 90},
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

        float GetOrZero(const std::vector<InterpolationSet>& list, std::size_t movement, float value)
        {
            return movement < list.size() ? list[movement].Get(value, true, false) : 0.0f;
        }

        const std::vector<InterpolationSet>& NoSets()
        {
            static const std::vector<InterpolationSet> none;
            return none;
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
        const float r = right ? 1.0f : 0.0f;
        const Quat thumbRotation = Quat::FromAngleAxis((90.0f - 180.0f * r) * d, 1.0f, 0.0f, 0.0f);

        std::vector<std::vector<InterpolationSet>> sets(fingerCount);
        const float (&thumb)[5][6] = right ? rightThumb : leftThumb;
        for (const auto& row : thumb)
            sets[0].push_back(FromDegrees(row));

        const auto limit = [right](int joint, int axis, bool upper) {
            return Anatomy::GetFingerJointLimit(right, joint, axis, upper);
        };
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
        const int f = static_cast<int>(finger);
        const std::vector<InterpolationSet>& sets =
            f >= 0 && static_cast<std::size_t>(f) < interpolator.interpolationSets.size()
                ? interpolator.interpolationSets[static_cast<std::size_t>(f)]
                : NoSets();
        std::vector<Vect3D> joints(3);
        joints[0].y = GetOrZero(sets, 0, s.y);
        joints[0].z = GetOrZero(sets, 1, s.z);
        joints[1].y = GetOrZero(sets, 2, s.y);
        joints[2].y = GetOrZero(sets, 3, s.y);
        return joints;
    }

    std::vector<Vect3D> HandInterpolator::InterpolateThumbAngles(const HandInterpolator& interpolator, Vect3D s)
    {
        const std::vector<InterpolationSet>& sets =
            interpolator.interpolationSets.empty() ? NoSets() : interpolator.interpolationSets[0];
        std::vector<Vect3D> joints(3);
        joints[0].x = GetOrZero(sets, 0, s.z);
        joints[0].y = GetOrZero(sets, 1, s.y);
        joints[0].z = GetOrZero(sets, 2, s.z);
        joints[1].y = GetOrZero(sets, 3, s.y);
        joints[2].y = GetOrZero(sets, 4, s.y);
        return joints;
    }

    std::vector<std::vector<Vect3D>> HandInterpolator::InterpolateHandAngles(const HandInterpolator& interpolator,
                                                                             std::vector<Vect3D> s)
    {
        // Callers pass one entry per digit; a shorter list reads as zero angles.
        const auto at = [&s](std::size_t i) { return i < s.size() ? s[i] : Vect3D::zero; };
        std::vector<std::vector<Vect3D>> hand;
        hand.reserve(fingerCount);
        hand.push_back(InterpolateThumbAngles(interpolator, at(0)));
        for (int f = 1; f < fingerCount; ++f)
            hand.push_back(InterpolateFingerAngles(static_cast<Finger>(f), interpolator, at(static_cast<std::size_t>(f))));
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
        std::string digits;
        for (const std::vector<InterpolationSet>& list : interpolationSets)
        {
            std::string digit;
            for (const InterpolationSet& set : list)
                digit += Serializer::Enclose(set.Serialize());
            digits += Serializer::Enclose(digit);
        }
        return Serializer::Enclose(digits) + Serializer::Enclose(thumbStartRotation.Serialize(';'));
    }

    HandInterpolator HandInterpolator::Deserialize(std::string text)
    {
        try
        {
            const std::vector<std::string> blocks = Serializer::SplitBlocks(std::move(text), false);
            if (blocks.size() < 2)
                return Default(true);
            std::vector<std::vector<InterpolationSet>> sets;
            for (const std::string& digit : Serializer::SplitBlocks(Util::detail::FieldAt(blocks, 0), false))
            {
                std::vector<InterpolationSet> list;
                for (const std::string& set : Serializer::SplitBlocks(digit, false))
                    list.push_back(InterpolationSet::Deserialize(set));
                sets.push_back(std::move(list));
            }
            Quat rotation = Quat::identity;
            if (!Quat::Deserialize(Util::detail::FieldAt(blocks, 1), rotation, ';'))
                rotation = Quat::identity;
            return HandInterpolator(std::move(sets), rotation);
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
