#include "TSCore/Hand/HandPose.h"

#include "Hand/HandChains.h"
#include "Hand/StoredPose.h"
#include "Kinematics/DigitAngles.h"
#include "TSCore/Kinematics/Anatomy.h"
#include "TSCore/Kinematics/BasicHandModel.h"
#include "TSCore/Kinematics/Values.h"
#include "TSCore/Util/StrStuff.h"
#include "Util/NumberParse.h"
#include "Util/StoredText.h"

namespace TSCore
{
    using Kinematics::Anatomy;
    using Kinematics::BasicHandModel;
    using Kinematics::Quat;
    using Kinematics::Values;
    using Kinematics::Vect3D;
    using Util::StrStuff;

    namespace
    {
        std::string DigitName(std::size_t i)
        {
            return i < static_cast<std::size_t>(fingerCount) ? StrStuff::ToString(static_cast<Finger>(i))
                                                             : "Digit " + std::to_string(i);
        }
    }

    HandPose::HandPose() : isRight(true) {}

    HandPose::HandPose(bool isRight, std::vector<std::vector<Vect3D>> jointPositions,
                       std::vector<std::vector<Quat>> jointRotations, std::vector<std::vector<Vect3D>> handAngles)
        : isRight(isRight), jointPositions(std::move(jointPositions)), jointRotations(std::move(jointRotations)),
          handAngles(std::move(handAngles))
    {
    }

    HandPose HandPose::DefaultIdle(bool right)
    {
        constexpr float d = Values::Deg2Rad;
        const float r = right ? 1.0f : 0.0f;
        HandPose pose;
        pose.isRight = right;
        pose.handAngles.resize(static_cast<std::size_t>(fingerCount));
        pose.handAngles[0] = {Vect3D(0.0f, (20.0f - 40.0f * r) * d, 30.0f * d), Vect3D::zero, Vect3D::zero};
        for (std::size_t f = 1; f < pose.handAngles.size(); ++f)
            pose.handAngles[f] = {Vect3D::zero, Vect3D(0.0f, 5.0f * d, 0.0f), Vect3D(0.0f, 5.0f * d, 0.0f)};
        // The thumb chain starts turned about x, as on the default interpolator.
        detail::SolveHandChains(BasicHandModel::Default(right), Kinematics::detail::DefaultThumbStartRotation(right),
                                detail::ownAngles, pose);
        return pose;
    }

    float HandPose::GetNormalizedFlexion(Finger finger, bool clamp) const
    {
        return GetNormalizedFlexion(static_cast<int>(finger), clamp);
    }

    std::vector<float> HandPose::GetNormalizedFlexion(bool clamp) const
    {
        std::vector<float> values;
        values.reserve(static_cast<std::size_t>(fingerCount));
        for (int f = 0; f < fingerCount; ++f)
            values.push_back(GetNormalizedFlexion(f, clamp));
        return values;
    }

    float HandPose::GetNormalizedFlexion(int finger, bool clamp) const
    {
        if (finger < 0 || static_cast<std::size_t>(finger) >= handAngles.size())
            return 0.0f;
        float total = 0.0f;
        for (const Vect3D& joint : handAngles[static_cast<std::size_t>(finger)])
            total += joint.y;
        const float value =
            finger == 0 ? Values::Map(total, Anatomy::totalThumbExtension, Anatomy::totalThumbFlexion, 0.0f, 1.0f)
                        : Values::Map(total, Anatomy::totalFingerExtension, Anatomy::totalFingerFlexion, 0.0f, 1.0f);
        return clamp ? Values::Clamp(value, 0.0f, 1.0f) : value;
    }

    bool HandPose::Equals(HandPose other) const
    {
        return isRight == other.isRight && Values::Equal(handAngles, other.handAngles) &&
               Values::Equal(jointPositions, other.jointPositions) &&
               Values::Equal(jointRotations, other.jointRotations);
    }

    std::string HandPose::Serialize() const { return TSCore::detail::WritePose(*this, handAngles); }

    HandPose HandPose::Deserialize(std::string text)
    {
        return Util::detail::ReadStored(
            text,
            [](Util::detail::FieldReader& blocks)
            {
                if (blocks.Count() < TSCore::detail::poseBlocks)
                {
                    TSCORE_LOG(Errors, "A hand pose needs " + std::to_string(TSCore::detail::poseBlocks) +
                                           " blocks, the text has " + std::to_string(blocks.Count()));
                    return HandPose();
                }
                return TSCore::detail::ReadPose<HandPose>(blocks);
            },
            [] { return HandPose(); });
    }

    std::string HandPose::ToString(bool) const
    {
        std::string s;
        for (std::size_t i = 0; i < handAngles.size(); ++i)
        {
            const std::vector<Vect3D>& a = handAngles[i];
            if (a.size() < 3)
                continue;
            s += DigitName(i);
            s += ":\t";
            if (i == 0)
            {
                // The twist is truncated, the other angles rounded.
                const int twist = Util::detail::SaturatingToInt(a[0].x * Values::Rad2Deg);
                s += "CMC-Abd: " + StrStuff::RoundedDegrees(a[0].z) + ",\tCMC-Tw: " + std::to_string(twist) +
                     ",\tCMC-Flx: " + StrStuff::RoundedDegrees(a[0].y) +
                     ",\tMCP-Flx: " + StrStuff::RoundedDegrees(a[1].y) +
                     ",\tIP-Flx: " + StrStuff::RoundedDegrees(a[2].y);
            }
            else
            {
                s += "MCP-Abd: " + StrStuff::RoundedDegrees(a[0].z) +
                     ",\tMCP-Flx: " + StrStuff::RoundedDegrees(a[0].y) +
                     ",\tPIP-Flx: " + StrStuff::RoundedDegrees(a[1].y) +
                     ",\tDIP-Flx: " + StrStuff::RoundedDegrees(a[2].y);
            }
            if (i + 1 < handAngles.size())
                s += "\n";
        }
        return s;
    }
}
