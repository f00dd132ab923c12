#pragma once

// The stored form that the hand pose and the glove pose share: {side}{angles}{positions}{rotations},
// an empty side reading as right.

#include <string>
#include <utility>
#include <vector>

#include "Kinematics/VectorText.h"
#include "TSCore/Kinematics/Quat.h"
#include "TSCore/Kinematics/Vect3D.h"
#include "Util/BlockWriter.h"
#include "Util/FieldReader.h"

namespace TSCore::detail
{
    using Util::detail::BlockWriter;
    using Util::detail::EmptySide;
    using Util::detail::FieldReader;

    enum PoseBlock : std::size_t
    {
        PoseSide,
        PoseAngles,
        PosePositions,
        PoseRotations,
        poseBlocks,
    };

    template <typename Pose>
    std::string WritePose(const Pose& pose, const std::vector<std::vector<Kinematics::Vect3D>>& angles)
    {
        return BlockWriter()
            .Side(pose.isRight)
            .Value(angles)
            .Value(pose.jointPositions)
            .Value(pose.jointRotations)
            .Take();
    }

    /// The pose from its blocks; a block the text lacks reads as an empty list.
    template <typename Pose>
    Pose ReadPose(FieldReader& blocks)
    {
        const bool right = blocks.Right(PoseSide, EmptySide::Right);
        auto angles = blocks.Value<std::vector<std::vector<Kinematics::Vect3D>>>(PoseAngles);
        auto positions = blocks.Value<std::vector<std::vector<Kinematics::Vect3D>>>(PosePositions);
        auto rotations = blocks.Value<std::vector<std::vector<Kinematics::Quat>>>(PoseRotations);
        return Pose(right, std::move(positions), std::move(rotations), std::move(angles));
    }
}
