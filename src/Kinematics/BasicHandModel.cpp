#include "TSCore/Kinematics/BasicHandModel.h"

#include "Kinematics/VectorText.h"
#include "TSCore/Util/StrStuff.h"
#include "Util/BlockWriter.h"
#include "Util/NumberParse.h"
#include "Util/StoredText.h"

namespace TSCore::Kinematics
{
    using Util::StrStuff;

    namespace
    {
        // Default geometry of a right hand, constant-initialised so that any translation unit
        // may build a model during its own static initialisation.
        constexpr float baseFingerLengths[fingerCount][3] = {
            {40, 20, 25}, {30, 25, 20}, {30, 25, 20}, {30, 25, 20}, {25, 20, 20},
        };

        constexpr Vect3D baseJointPositions[fingerCount] = {
            Vect3D(-46.6f, 52.0f, -21.1f) + Vect3D(30.0f, -20.0f, -20.0f),
            Vect3D(44.4f, 33.1f, 7.0f) + Vect3D(15.0f, 0.0f, -25.0f),
            Vect3D(62.2f, 11.0f, 8.0f) + Vect3D(15.0f, 0.0f, -25.0f),
            Vect3D(54.2f, -11.0f, 8.0f) + Vect3D(15.0f, 0.0f, -25.0f),
            Vect3D(41.3f, -33.1f, 7.0f) + Vect3D(15.0f, 0.0f, -25.0f),
        };

        // Euler angles in radians.
        constexpr Vect3D baseJointRotations[fingerCount] = {
            Vect3D(0.0f, 0.0f, 0.0f),
            Vect3D(-5.0f * Values::Deg2Rad, 0.0f, 0.0f),
            Vect3D(0.0f, 0.0f, 0.0f),
            Vect3D(3.0f * Values::Deg2Rad, 0.0f, 0.0f),
            Vect3D(5.0f * Values::Deg2Rad, 0.0f, 0.0f),
        };

        // Accessors index the lists directly in the documented use; an index outside them
        // reads as empty instead of outside the list.
        bool InRange(int i, std::size_t size) { return i >= 0 && static_cast<std::size_t>(i) < size; }
    }

    BasicHandModel::BasicHandModel() : isRight(true) {}

    BasicHandModel::BasicHandModel(bool right, std::vector<std::vector<float>> lengths, std::vector<Vect3D> positions)
        : fingerLengths(std::move(lengths)), jointPositions(std::move(positions)), isRight(right)
    {
        BasicHandModel::Validate();
    }

    BasicHandModel::BasicHandModel(bool right, std::vector<std::vector<float>> lengths, std::vector<Vect3D> positions,
                                   std::vector<Quat> rotations)
        : fingerLengths(std::move(lengths)), jointPositions(std::move(positions)), jointRotations(std::move(rotations)),
          isRight(right)
    {
        BasicHandModel::Validate();
    }

    BasicHandModel BasicHandModel::Default(bool right) { return BasicHandModel(right, {}, {}, {}); }

    void BasicHandModel::Validate()
    {
        const float s = isRight ? 1.0f : -1.0f;
        std::vector<std::vector<float>> lengths(fingerCount);
        std::vector<Vect3D> positions(fingerCount);
        std::vector<Quat> rotations(fingerCount);
        for (int i = 0; i < fingerCount; ++i)
        {
            const std::size_t f = static_cast<std::size_t>(i);
            lengths[f].resize(3);
            for (std::size_t k = 0; k < 3; ++k)
                lengths[f][k] = f < fingerLengths.size() && k < fingerLengths[f].size() ? fingerLengths[f][k]
                                                                                        : baseFingerLengths[f][k];

            const Vect3D& b = baseJointPositions[f];
            positions[f] = f < jointPositions.size() ? jointPositions[f] : Vect3D(b.x, s * b.y, b.z);

            const Vect3D& e = baseJointRotations[f];
            rotations[f] = f < jointRotations.size() ? jointRotations[f] : Quat::FromEuler(s * e.x, e.y, s * e.z);
        }
        fingerLengths = std::move(lengths);
        jointPositions = std::move(positions);
        jointRotations = std::move(rotations);
        CalculateVariables();
    }

    void BasicHandModel::CalculateVariables()
    {
        totalLengths.clear();
        fingerRatios.clear();
        totalLengths.reserve(fingerLengths.size());
        fingerRatios.reserve(fingerLengths.size());
        for (const std::vector<float>& digit : fingerLengths)
        {
            float total = 0.0f;
            for (float l : digit)
                total += l;
            totalLengths.push_back(total);
            std::vector<float> ratios;
            ratios.reserve(digit.size());
            for (float l : digit)
                ratios.push_back(l / total);
            fingerRatios.push_back(std::move(ratios));
        }
    }

    std::vector<float> BasicHandModel::GetFingerLengths(Finger finger) const
    {
        const int i = static_cast<int>(finger);
        return InRange(i, fingerLengths.size()) ? fingerLengths[static_cast<std::size_t>(i)] : std::vector<float>();
    }

    void BasicHandModel::SetFingerLengths(std::vector<float> lengths, Finger finger)
    {
        const int i = static_cast<int>(finger);
        if (!InRange(i, fingerLengths.size()))
            return;
        fingerLengths[static_cast<std::size_t>(i)] = std::move(lengths);
        CalculateVariables();
    }

    std::vector<float> BasicHandModel::GetFingerRatioes(Finger finger) const
    {
        const int i = static_cast<int>(finger);
        return InRange(i, fingerRatios.size()) ? fingerRatios[static_cast<std::size_t>(i)] : std::vector<float>();
    }

    std::vector<std::vector<float>> BasicHandModel::GetFingerRatioes() const { return fingerRatios; }

    float BasicHandModel::GetTotalLength(Finger finger) const
    {
        const int i = static_cast<int>(finger);
        return InRange(i, totalLengths.size()) ? totalLengths[static_cast<std::size_t>(i)] : 0.0f;
    }

    std::vector<float> BasicHandModel::GetTotalLengths() const { return totalLengths; }

    std::vector<Vect3D> BasicHandModel::Get3DLengths(Finger finger) const
    {
        std::vector<Vect3D> bones(3);
        const int i = static_cast<int>(finger);
        if (!InRange(i, fingerLengths.size()))
            return bones;
        const std::vector<float>& digit = fingerLengths[static_cast<std::size_t>(i)];
        for (std::size_t k = 0; k < 3 && k < digit.size(); ++k)
            bones[k] = Vect3D(digit[k], 0.0f, 0.0f);
        return bones;
    }

    Vect3D BasicHandModel::GetJointPosition(Finger finger) const
    {
        const int i = static_cast<int>(finger);
        return InRange(i, jointPositions.size()) ? jointPositions[static_cast<std::size_t>(i)] : Vect3D::zero;
    }

    void BasicHandModel::SetJointPosition(Vect3D position, Finger finger)
    {
        const int i = static_cast<int>(finger);
        if (InRange(i, jointPositions.size()))
            jointPositions[static_cast<std::size_t>(i)] = position;
    }

    Quat BasicHandModel::GetJointRotation(Finger finger) const
    {
        const int i = static_cast<int>(finger);
        return InRange(i, jointRotations.size()) ? jointRotations[static_cast<std::size_t>(i)] : Quat::identity;
    }

    void BasicHandModel::SetJointRotation(Quat rotation, Finger finger)
    {
        const int i = static_cast<int>(finger);
        if (InRange(i, jointRotations.size()))
            jointRotations[static_cast<std::size_t>(i)] = rotation;
    }

    bool BasicHandModel::Equals(BasicHandModel other) const
    {
        if (fingerLengths.size() != other.fingerLengths.size() ||
            jointPositions.size() != other.jointPositions.size() ||
            jointRotations.size() != other.jointRotations.size())
            return false;
        for (std::size_t f = 0; f < fingerLengths.size(); ++f)
        {
            const std::vector<float>& mine = fingerLengths[f];
            const std::vector<float>& theirs = other.fingerLengths[f];
            for (std::size_t k = 0; k < mine.size(); ++k)
                if (k >= theirs.size() || !Values::FloatEquals(mine[k], theirs[k]))
                    return false;
        }
        return Values::Equal(jointPositions, other.jointPositions) &&
               Values::Equal(jointRotations, other.jointRotations);
    }

    namespace
    {
        enum Block : std::size_t
        {
            Side,
            Lengths,
            Positions,
            Rotations,
        };
    }

    std::string BasicHandModel::Serialize() const
    {
        return Util::detail::BlockWriter()
            .Side(isRight)
            .Value(fingerLengths)
            .Value(jointPositions)
            .Value(jointRotations)
            .Take();
    }

    BasicHandModel BasicHandModel::Deserialize(std::string text)
    {
        using Util::detail::EmptySide;
        bool right = true;
        return Util::detail::ReadStored(
            text,
            [&right](Util::detail::FieldReader& blocks)
            {
                // Missing blocks read as empty lists: validation then completes the model.
                right = blocks.Right(Side, EmptySide::Left);
                return BasicHandModel(right, blocks.Value<std::vector<std::vector<float>>>(Lengths),
                                      blocks.Value<std::vector<Vect3D>>(Positions),
                                      blocks.Value<std::vector<Quat>>(Rotations));
            },
            [&right] { return BasicHandModel(right, {}, {}); });
    }

    std::string BasicHandModel::ToString() const { return ToString(true); }

    std::string BasicHandModel::ToString(bool compact) const
    {
        std::string s;
        for (std::size_t i = 0; i < fingerLengths.size(); ++i)
        {
            if (i > 0)
                s += "\r\n";
            s += StrStuff::ToString(static_cast<Finger>(i));
            s += ": [";
            const std::vector<float>& digit = fingerLengths[i];
            for (std::size_t k = 0; k < digit.size(); ++k)
            {
                if (k > 0)
                    s += ", ";
                s += std::to_string(Util::detail::SaturatingToInt(digit[k]));
            }
            if (compact)
            {
                s += "]";
                continue;
            }
            s += "], startPositon: ";
            s += i < jointPositions.size() ? jointPositions[i].ToString() : Vect3D::zero.ToString();
            s += ", startRotation: ";
            const Quat r = i < jointRotations.size() ? jointRotations[i] : Quat::identity;
            s += Values::Degrees(r.ToEuler()).ToString();
        }
        return s;
    }
}
