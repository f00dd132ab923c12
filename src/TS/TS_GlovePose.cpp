#include "TSCore/TS/TS_GlovePose.h"

#include <exception>

#include "TSCore/Diagnostics/Debugger.h"
#include "TSCore/Kinematics/Values.h"
#include "TSCore/TS/Tessara.h"
#include "TSCore/Util/Serializer.h"
#include "Util/ExceptionText.h"

namespace TSCore::TS
{
    using Diagnostics::DebugLevel;
    using Diagnostics::Debugger;
    using Kinematics::Quat;
    using Kinematics::Values;
    using Kinematics::Vect3D;
    using Util::Serializer;

    namespace
    {
        template <typename T>
        std::string SizeSummary(const std::vector<std::vector<T>>& lists)
        {
            std::string s = "(" + std::to_string(lists.size()) + ")[";
            for (std::size_t i = 0; i < lists.size(); ++i)
            {
                if (i > 0)
                    s += ", ";
                s += std::to_string(lists[i].size());
            }
            return s + "]";
        }
    }

    TS_GlovePose::TS_GlovePose() : isRight(true) {}

    TS_GlovePose::TS_GlovePose(bool isRight, std::vector<std::vector<Vect3D>> jointPositions,
                               std::vector<std::vector<Quat>> jointRotations,
                               std::vector<std::vector<Vect3D>> gloveAngles)
        : jointPositions(std::move(jointPositions)), jointRotations(std::move(jointRotations)),
          gloveAngles(std::move(gloveAngles)), isRight(isRight)
    {
    }

    TS_GlovePose TS_GlovePose::IdlePose(TS_GloveInfo gloveInfo)
    {
        const float s = gloveInfo.isRight ? 1.0f : -1.0f;
        std::vector<std::vector<Vect3D>> angles(fingerCount, std::vector<Vect3D>(gloveInfo.gloveLengths.size()));
        if (!angles[0].empty())
            angles[0][0].z = s * Values::Deg2Rad * -90.0f;
        return Tessara::CalculateGlovePose(std::move(angles), gloveInfo);
    }

    std::vector<Vect3D> TS_GlovePose::ThimblePositions() const
    {
        std::vector<Vect3D> tips;
        tips.reserve(jointPositions.size());
        for (const std::vector<Vect3D>& finger : jointPositions)
            tips.push_back(finger.empty() ? Vect3D::zero : finger.back());
        return tips;
    }

    std::vector<Quat> TS_GlovePose::ThimbleRotations() const
    {
        std::vector<Quat> tips;
        tips.reserve(jointRotations.size());
        for (const std::vector<Quat>& finger : jointRotations)
            tips.push_back(finger.empty() ? Quat::identity : finger.back());
        return tips;
    }

    std::vector<Vect3D> TS_GlovePose::CalculateFingerTips(std::vector<Vect3D> thimbleOffsets) const
    {
        const std::vector<Vect3D> p = ThimblePositions();
        const std::vector<Quat> q = ThimbleRotations();
        std::vector<Vect3D> tips;
        tips.reserve(p.size());
        for (std::size_t i = 0; i < p.size(); ++i)
        {
            const Quat r = i < q.size() ? q[i] : Quat::identity;
            const Vect3D offset = i < thimbleOffsets.size() ? thimbleOffsets[i] : Vect3D::zero;
            tips.push_back(p[i] + r * offset);
        }
        return tips;
    }

    std::vector<Vect3D> TS_GlovePose::CalculateFingerTips(TS_HandProfile profile) const
    {
        return CalculateFingerTips(std::move(profile.thimbleOffsets));
    }

    std::vector<Vect3D> TS_GlovePose::TotalGloveAngles() const
    {
        std::vector<Vect3D> totals;
        totals.reserve(gloveAngles.size());
        for (const std::vector<Vect3D>& finger : gloveAngles)
        {
            Vect3D sum(0.0f, 0.0f, 0.0f);
            for (const Vect3D& a : finger)
                sum = sum + a;
            totals.push_back(sum);
        }
        return totals;
    }

    bool TS_GlovePose::Equals(TS_GlovePose other) const
    {
        return isRight == other.isRight && Values::Equal(gloveAngles, other.gloveAngles) &&
               Values::Equal(jointPositions, other.jointPositions) &&
               Values::Equal(jointRotations, other.jointRotations);
    }

    std::string TS_GlovePose::ToString(bool detailed) const
    {
        std::string s = isRight ? "Right hand pose:\n" : "Left hand pose:\n";
        if (detailed)
            s += "Glove Angles: " + SizeSummary(gloveAngles) + "\nGlove Positions: " + SizeSummary(jointPositions) +
                 "\nGlove Rotations: " + SizeSummary(jointRotations);
        return s;
    }

    std::string TS_GlovePose::Serialize() const
    {
        return Serializer::Enclose(isRight ? "R" : "L") + Serializer::Serialize(gloveAngles, true) +
               Serializer::Serialize(jointPositions, true) + Serializer::Serialize(jointRotations, true);
    }

    TS_GlovePose TS_GlovePose::Deserialize(std::string text)
    {
        try
        {
            const std::vector<std::string> blocks = Serializer::SplitBlocks(std::move(text), false);
            const auto block = [&blocks](std::size_t i) { return i < blocks.size() ? blocks[i] : std::string(); };
            const std::string side = block(0);
            return TS_GlovePose(side.empty() || side[0] != 'L', Serializer::DeserializeVects2D(block(2)),
                                Serializer::DeserializeQuats2D(block(3)), Serializer::DeserializeVects2D(block(1)));
        }
        catch (const std::exception& e)
        {
            Debugger::Log(Util::detail::ExceptionText(e), DebugLevel::Errors);
        }
        catch (...)
        {
            Debugger::Log("Unknown exception", DebugLevel::Errors);
        }
        return TS_GlovePose();
    }
}
