// A pose's arrays into caller buffers, and its 26 OpenXR joints.

#include <cmath>

#include <TSCore/Hand/OpenXRHand.h>
#include <TSCore/Kinematics/BasicHandModel.h>

#include "Arrays.h"
#include "Objects.h"

using namespace tscore_c;
using TSCore::OpenXRHand;
using TSCore::Kinematics::BasicHandModel;
using TSCore::Kinematics::Quat;
using TSCore::Kinematics::Vect3D;

namespace
{
    template <class Write>
    tscore_status PoseArray(const char* function, tscore_pose* pose, float* out, size_t count, size_t needed,
                            Write write) noexcept
    {
        return Call(function,
                    [&]
                    {
                        const TSCore::HandPose& p = Object(pose, "pose").pose;
                        NotNull(out, "out");
                        NeedRoom(count, needed, "out");
                        write(p, out);
                        return Succeed();
                    });
    }

    const BasicHandModel& DefaultModel(bool right)
    {
        static const BasicHandModel rightModel = BasicHandModel::Default(true);
        static const BasicHandModel leftModel = BasicHandModel::Default(false);
        return right ? rightModel : leftModel;
    }

    OpenXRHand::Pose XrPose(const tscore_xr_pose& p)
    {
        return {Quat(p.orientation[0], p.orientation[1], p.orientation[2], p.orientation[3]),
                Vect3D(p.position[0], p.position[1], p.position[2])};
    }

    // The library gives 0 (stretched) for a digit the pose lacks: NaN says so.
    void PutFlexion(const TSCore::HandPose& p, bool clamp, float* out)
    {
        for (size_t f = 0; f < TSCORE_POSE_FLEXION; ++f)
            out[f] = f < p.handAngles.size() && !p.handAngles[f].empty()
                         ? p.GetNormalizedFlexion(static_cast<TSCore::Finger>(f), clamp)
                         : missing;
    }

    void PutXr(tscore_xr_pose& out, const OpenXRHand::Pose& p)
    {
        Put(out.orientation, p.orientation);
        Put(out.position, p.position);
    }
}

extern "C"
{
    tscore_status tscore_pose_angles(tscore_pose* pose, float* out, size_t count)
    {
        return PoseArray(__func__, pose, out, count, TSCORE_POSE_ANGLES,
                         [](const TSCore::HandPose& p, float* o) { PutGrid(o, p.handAngles, 5, 3); });
    }

    tscore_status tscore_pose_positions(tscore_pose* pose, float* out, size_t count)
    {
        return PoseArray(__func__, pose, out, count, TSCORE_POSE_POSITIONS,
                         [](const TSCore::HandPose& p, float* o) { PutGrid(o, p.jointPositions, 5, 4); });
    }

    tscore_status tscore_pose_rotations(tscore_pose* pose, float* out, size_t count)
    {
        return PoseArray(__func__, pose, out, count, TSCORE_POSE_ROTATIONS,
                         [](const TSCore::HandPose& p, float* o) { PutGrid(o, p.jointRotations, 5, 4); });
    }

    tscore_status tscore_pose_flexion(tscore_pose* pose, int32_t clamp, float* out, size_t count)
    {
        return PoseArray(__func__, pose, out, count, TSCORE_POSE_FLEXION,
                         [&](const TSCore::HandPose& p, float* o) { PutFlexion(p, clamp != 0, o); });
    }

    tscore_status tscore_pose_arrays(tscore_pose* pose, float* angles, size_t angles_count, float* positions,
                                     size_t positions_count, float* rotations, size_t rotations_count, float* flexion,
                                     size_t flexion_count)
    {
        return Call(__func__,
                    [&]
                    {
                        const TSCore::HandPose& p = Object(pose, "pose").pose;
                        const auto room = [](const float* out, size_t count, size_t needed, const char* name)
                        {
                            if (out == nullptr && count != 0)
                                throw Failure{TSCORE_NULL_ARGUMENT, std::string(name) + " is NULL with a count"};
                            if (out != nullptr)
                                NeedRoom(count, needed, name);
                        };
                        room(angles, angles_count, TSCORE_POSE_ANGLES, "angles");
                        room(positions, positions_count, TSCORE_POSE_POSITIONS, "positions");
                        room(rotations, rotations_count, TSCORE_POSE_ROTATIONS, "rotations");
                        room(flexion, flexion_count, TSCORE_POSE_FLEXION, "flexion");
                        if (angles != nullptr)
                            PutGrid(angles, p.handAngles, 5, 3);
                        if (positions != nullptr)
                            PutGrid(positions, p.jointPositions, 5, 4);
                        if (rotations != nullptr)
                            PutGrid(rotations, p.jointRotations, 5, 4);
                        if (flexion != nullptr)
                            PutFlexion(p, false, flexion);
                        return Succeed();
                    });
    }

    tscore_status tscore_pose_openxr(tscore_pose* pose, int32_t complete, const tscore_xr_pose* wrist,
                                     tscore_xr_joint* joints, size_t count, int32_t* is_active)
    {
        return Call(__func__,
                    [&]
                    {
                        const TSCore::HandPose& p = Object(pose, "pose").pose;
                        NotNull(joints, "joints");
                        NeedRoom(count, TSCORE_XR_JOINT_COUNT, "joints");
                        OpenXRHand::Locations located;
                        const BasicHandModel& model = DefaultModel(p.isRight);
                        const bool active = wrist != nullptr
                                                ? OpenXRHand::Locate(p, model, complete != 0, XrPose(*wrist), located)
                                                : OpenXRHand::Locate(p, model, complete != 0, located);
                        for (size_t j = 0; j < TSCORE_XR_JOINT_COUNT; ++j)
                        {
                            const OpenXRHand::JointLocation& from = located.jointLocations[j];
                            joints[j].location_flags = from.locationFlags;
                            PutXr(joints[j].pose, from.pose);
                            joints[j].radius = from.radius;
                        }
                        if (is_active != nullptr)
                            *is_active = active ? 1 : 0;
                        return Succeed();
                    });
    }

    tscore_status tscore_xr_wrist_pose(const float* imu_rotation, const float* position, tscore_xr_pose* out)
    {
        return Call(__func__,
                    [&]
                    {
                        NotNull(imu_rotation, "imu_rotation");
                        NotNull(out, "out");
                        const Quat q(imu_rotation[0], imu_rotation[1], imu_rotation[2], imu_rotation[3]);
                        const Vect3D at =
                            position != nullptr ? Vect3D(position[0], position[1], position[2]) : Vect3D::zero;
                        OpenXRHand::Pose wrist;
                        const bool valid = OpenXRHand::WristPose(q, at, wrist);
                        PutXr(*out, wrist);
                        return valid ? Succeed()
                                     : Fail(TSCORE_INVALID_ARGUMENT,
                                            "imu_rotation is zero or not finite: the identity orientation was written");
                    });
    }

    const char* tscore_xr_joint_name(int32_t joint) { return OpenXRHand::JointName(joint); }
}
