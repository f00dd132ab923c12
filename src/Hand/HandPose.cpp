#include "TSCore/Hand/HandPose.h"

#include <exception>

#include "TSCore/Diagnostics/Debugger.h"
#include "TSCore/Kinematics/Anatomy.h"
#include "TSCore/Kinematics/BasicHandModel.h"
#include "TSCore/Kinematics/JointKinematics.h"
#include "TSCore/Kinematics/Values.h"
#include "TSCore/Util/Serializer.h"
#include "TSCore/Util/StrStuff.h"
#include "Util/ExceptionText.h"
#include "Util/NumberParse.h"
#include "Util/FieldAt.h"

namespace TSCore
{
    using Diagnostics::DebugLevel;
    using Diagnostics::Debugger;
    using Kinematics::Anatomy;
    using Kinematics::BasicHandModel;
    using Kinematics::JointKinematics;
    using Kinematics::Quat;
    using Kinematics::Values;
    using Kinematics::Vect3D;
    using Util::Serializer;
    using Util::StrStuff;

    namespace
    {
        constexpr std::size_t storedBlocks = 4;

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
        // The thumb chain starts turned about x, the same rotation the default interpolator uses.
        const Quat thumbStart = Quat::FromAngleAxis((90.0f - 180.0f * r) * d, 1.0f, 0.0f, 0.0f);

        const std::size_t fingers = static_cast<std::size_t>(fingerCount);
        std::vector<std::vector<Vect3D>> angles(fingers);
        angles[0] = {Vect3D(0.0f, (20.0f - 40.0f * r) * d, 30.0f * d), Vect3D::zero, Vect3D::zero};
        for (std::size_t f = 1; f < fingers; ++f)
            angles[f] = {Vect3D::zero, Vect3D(0.0f, 5.0f * d, 0.0f), Vect3D(0.0f, 5.0f * d, 0.0f)};

        BasicHandModel model = BasicHandModel::Default(right);
        std::vector<std::vector<Vect3D>> positions(fingers);
        std::vector<std::vector<Quat>> rotations(fingers);
        JointKinematics::ForwardKinematics(model.GetJointPosition(Finger::Thumb), thumbStart,
                                           model.Get3DLengths(Finger::Thumb), angles[0], positions[0], rotations[0]);
        for (std::size_t f = 1; f < fingers; ++f)
            JointKinematics::ForwardKinematics(model, static_cast<Finger>(f), angles[f], positions[f], rotations[f]);
        return HandPose(right, std::move(positions), std::move(rotations), std::move(angles));
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
        const float value = finger == 0
                                ? Values::Map(total, Anatomy::totalThumbExtension, Anatomy::totalThumbFlexion, 0.0f, 1.0f)
                                : Values::Map(total, Anatomy::totalFingerExtension, Anatomy::totalFingerFlexion, 0.0f,
                                              1.0f);
        return clamp ? Values::Clamp(value, 0.0f, 1.0f) : value;
    }

    bool HandPose::Equals(HandPose other) const
    {
        return isRight == other.isRight && Values::Equal(handAngles, other.handAngles) &&
               Values::Equal(jointPositions, other.jointPositions) &&
               Values::Equal(jointRotations, other.jointRotations);
    }

    std::string HandPose::Serialize() const
    {
        return Serializer::Enclose(isRight ? "R" : "L") + Serializer::Serialize(handAngles, true) +
               Serializer::Serialize(jointPositions, true) + Serializer::Serialize(jointRotations, true);
    }

    HandPose HandPose::Deserialize(std::string text)
    {
        try
        {
            const std::vector<std::string> blocks = Serializer::SplitBlocks(std::move(text), false);
            if (blocks.size() < storedBlocks)
            {
                if (Debugger::Enabled(DebugLevel::Errors))
                    Debugger::Log("A hand pose needs " + std::to_string(storedBlocks) + " blocks, the text has " +
                                      std::to_string(blocks.size()),
                                  DebugLevel::Errors);
                return HandPose();
            }
            const bool right = !Util::detail::FieldStartsWith(blocks, 0, 'L');
            using Util::detail::FieldAt;
            return HandPose(right, Serializer::DeserializeVects2D(FieldAt(blocks, 2)),
                            Serializer::DeserializeQuats2D(FieldAt(blocks, 3)),
                            Serializer::DeserializeVects2D(FieldAt(blocks, 1)));
        }
        catch (const std::exception& e)
        {
            Debugger::Log(Util::detail::ExceptionText(e), DebugLevel::Errors);
        }
        catch (...)
        {
            Debugger::Log("Unknown exception", DebugLevel::Errors);
        }
        return HandPose();
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
                     ",\tCMC-Flx: " + StrStuff::RoundedDegrees(a[0].y) + ",\tMCP-Flx: " + StrStuff::RoundedDegrees(a[1].y) +
                     ",\tIP-Flx: " + StrStuff::RoundedDegrees(a[2].y);
            }
            else
            {
                s += "MCP-Abd: " + StrStuff::RoundedDegrees(a[0].z) + ",\tMCP-Flx: " + StrStuff::RoundedDegrees(a[0].y) +
                     ",\tPIP-Flx: " + StrStuff::RoundedDegrees(a[1].y) + ",\tDIP-Flx: " + StrStuff::RoundedDegrees(a[2].y);
            }
            if (i + 1 < handAngles.size())
                s += "\n";
        }
        return s;
    }
}
