#include "TSCore/Hand/OpenXRHand.h"

#include <cmath>
#include <cstddef>
#include <vector>

namespace TSCore
{
    using Kinematics::BasicHandModel;
    using Kinematics::Quat;
    using Kinematics::Vect3D;

    namespace
    {
        constexpr std::size_t digits = 5;
        constexpr std::size_t digitJoints = 4; // base joint, two middle joints, tip
        constexpr float metresPerMillimetre = 0.001f;
        // Where the finger metacarpals start and the wrist lies (see the header).
        constexpr float metacarpalSpread = 0.6f;
        constexpr float carpalDepth = 0.25f;
        constexpr float minBone = 1e-3f; // millimetres; shorter bones have no direction

        // Half the thickness of an adult hand at each joint, in millimetres, for a hand whose
        // digits have the default model's lengths (thumb 85, fingers 75, little finger 65).
        constexpr float palmRadius = 16.0f;
        constexpr float wristRadius = 18.0f;
        constexpr float digitRadii[digits][5] = {
            {0.0f, 14.5f, 11.5f, 10.5f, 9.0f}, // thumb: no finger metacarpal
            {13.0f, 10.5f, 9.0f, 8.0f, 7.0f},  {13.5f, 11.0f, 9.5f, 8.5f, 7.5f},
            {12.5f, 10.0f, 9.0f, 8.0f, 7.0f},  {11.5f, 9.0f, 8.0f, 7.0f, 6.0f},
        };
        constexpr float defaultDigitLengths[digits] = {85.0f, 75.0f, 75.0f, 75.0f, 65.0f};
        // First location of each digit's joints (the thumb has no intermediate joint).
        constexpr int firstJoint[digits] = {OpenXRHand::ThumbMetacarpal, OpenXRHand::IndexMetacarpal,
                                            OpenXRHand::MiddleMetacarpal, OpenXRHand::RingMetacarpal,
                                            OpenXRHand::LittleMetacarpal};

        constexpr const char* jointNames[OpenXRHand::jointCount] = {
            "XR_HAND_JOINT_PALM_EXT",
            "XR_HAND_JOINT_WRIST_EXT",
            "XR_HAND_JOINT_THUMB_METACARPAL_EXT",
            "XR_HAND_JOINT_THUMB_PROXIMAL_EXT",
            "XR_HAND_JOINT_THUMB_DISTAL_EXT",
            "XR_HAND_JOINT_THUMB_TIP_EXT",
            "XR_HAND_JOINT_INDEX_METACARPAL_EXT",
            "XR_HAND_JOINT_INDEX_PROXIMAL_EXT",
            "XR_HAND_JOINT_INDEX_INTERMEDIATE_EXT",
            "XR_HAND_JOINT_INDEX_DISTAL_EXT",
            "XR_HAND_JOINT_INDEX_TIP_EXT",
            "XR_HAND_JOINT_MIDDLE_METACARPAL_EXT",
            "XR_HAND_JOINT_MIDDLE_PROXIMAL_EXT",
            "XR_HAND_JOINT_MIDDLE_INTERMEDIATE_EXT",
            "XR_HAND_JOINT_MIDDLE_DISTAL_EXT",
            "XR_HAND_JOINT_MIDDLE_TIP_EXT",
            "XR_HAND_JOINT_RING_METACARPAL_EXT",
            "XR_HAND_JOINT_RING_PROXIMAL_EXT",
            "XR_HAND_JOINT_RING_INTERMEDIATE_EXT",
            "XR_HAND_JOINT_RING_DISTAL_EXT",
            "XR_HAND_JOINT_RING_TIP_EXT",
            "XR_HAND_JOINT_LITTLE_METACARPAL_EXT",
            "XR_HAND_JOINT_LITTLE_PROXIMAL_EXT",
            "XR_HAND_JOINT_LITTLE_INTERMEDIATE_EXT",
            "XR_HAND_JOINT_LITTLE_DISTAL_EXT",
            "XR_HAND_JOINT_LITTLE_TIP_EXT",
        };

        bool Finite(Vect3D v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

        Vect3D Cross(Vect3D a, Vect3D b)
        {
            return Vect3D(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
        }

        // Unit quaternion; false for a zero or non-finite one.
        bool Normalised(Quat q, Quat& out)
        {
            const float n = std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w);
            if (!std::isfinite(n) || n < 1e-6f)
                return false;
            out = Quat(q.x / n, q.y / n, q.z / n, q.w / n);
            return true;
        }

        // The hand frame (x toward the fingers, y toward a right thumb, z out of the back)
        // and a joint frame along +x with z out of the back map onto OpenXR's axes by the same
        // proper rotation: X = -y, Y = z, Z = -x. A rotation expressed in the hand frame turns
        // into the OpenXR one by turning its axis the same way.
        Vect3D ToXR(Vect3D v) { return Vect3D(-v.y, v.z, -v.x); }

        Quat ToXR(Quat q) { return Quat(-q.y, q.z, -q.x, q.w); }

        // Rotation whose columns are x, y, z (orthonormal, right-handed).
        Quat FromAxes(Vect3D x, Vect3D y, Vect3D z)
        {
            const float trace = x.x + y.y + z.z;
            Quat q;
            if (trace > 0.0f)
            {
                const float s = 2.0f * std::sqrt(trace + 1.0f);
                q = Quat((y.z - z.y) / s, (z.x - x.z) / s, (x.y - y.x) / s, 0.25f * s);
            }
            else if (x.x > y.y && x.x > z.z)
            {
                const float s = 2.0f * std::sqrt(1.0f + x.x - y.y - z.z);
                q = Quat(0.25f * s, (y.x + x.y) / s, (z.x + x.z) / s, (y.z - z.y) / s);
            }
            else if (y.y > z.z)
            {
                const float s = 2.0f * std::sqrt(1.0f + y.y - x.x - z.z);
                q = Quat((y.x + x.y) / s, 0.25f * s, (z.y + y.z) / s, (z.x - x.z) / s);
            }
            else
            {
                const float s = 2.0f * std::sqrt(1.0f + z.z - x.x - y.y);
                q = Quat((z.x + x.z) / s, (z.y + y.z) / s, 0.25f * s, (x.y - y.x) / s);
            }
            Quat unit;
            return Normalised(q, unit) ? unit : Quat();
        }

        // Orientation of a bone from `from` to `to` (OpenXR coordinates): -Z along it, +Y the
        // back of the hand (+Y) made perpendicular. False for a bone without a direction or
        // one pointing straight out of the back of the hand.
        bool BoneOrientation(Vect3D from, Vect3D to, Quat& out)
        {
            Vect3D along = to - from;
            const float length = along.Magnitude();
            if (!(length >= minBone * metresPerMillimetre))
                return false;
            along.Scale(1.0f / length);
            const Vect3D z = along * -1.0f;
            Vect3D y = Vect3D(0.0f, 1.0f, 0.0f) - along * along.y;
            const float ylength = y.Magnitude();
            if (!(ylength > 1e-3f))
                return false;
            y.Scale(1.0f / ylength);
            out = FromAxes(Cross(y, z), y, z);
            return true;
        }

        bool PoseUsable(const HandPose& pose, const BasicHandModel& model)
        {
            if (pose.isRight != model.isRight || pose.jointPositions.size() < digits ||
                pose.jointRotations.size() < digits || model.fingerLengths.size() < digits ||
                model.jointPositions.size() < digits)
                return false;
            for (std::size_t f = 0; f < digits; ++f)
                if (pose.jointPositions[f].size() < digitJoints || pose.jointRotations[f].size() < digitJoints ||
                    model.fingerLengths[f].size() < 3 || !Finite(model.jointPositions[f]))
                    return false;
            return true;
        }

        // Per digit, its length in the model relative to the default; false when not positive.
        bool DigitScales(const BasicHandModel& model, float (&scale)[digits], float& mean)
        {
            mean = 0.0f;
            for (std::size_t f = 0; f < digits; ++f)
            {
                const std::vector<float>& bones = model.fingerLengths[f];
                scale[f] = (bones[0] + bones[1] + bones[2]) / defaultDigitLengths[f];
                if (!std::isfinite(scale[f]) || !(scale[f] > 0.0f))
                    return false;
                mean += scale[f] / static_cast<float>(digits);
            }
            return true;
        }

        // Wrist and finger metacarpal bases in the hand frame (millimetres).
        struct PalmPoints
        {
            Vect3D wrist;
            Vect3D metacarpals[digits];
        };

        PalmPoints BuildPalm(const BasicHandModel& model)
        {
            const std::vector<Vect3D>& bases = model.jointPositions;
            Vect3D mid;
            for (std::size_t f = 1; f < digits; ++f)
                mid = mid + bases[f] * 0.25f;
            const float carpalX = bases[0].x;
            PalmPoints palm;
            for (std::size_t f = 1; f < digits; ++f)
                palm.metacarpals[f] = Vect3D(carpalX, mid.y + metacarpalSpread * (bases[f].y - mid.y), bases[f].z);
            // Straight behind the middle metacarpal joint, as the wrist's axes require: its +Z runs
            // along the line from the wrist to that joint, and the wrist keeps the hand frame.
            const Vect3D& middle = palm.metacarpals[static_cast<std::size_t>(Finger::Middle)];
            const float depth = carpalDepth * (bases[static_cast<std::size_t>(Finger::Middle)].x - carpalX);
            palm.wrist = Vect3D(carpalX - depth, middle.y, middle.z);
            return palm;
        }

        // Fills the digit joints; false when a value is not finite or not a rotation.
        bool PlaceDigits(const HandPose& pose, Vect3D wrist, OpenXRHand::Locations& out)
        {
            for (std::size_t f = 0; f < digits; ++f)
            {
                const int first = firstJoint[f] + (f == 0 ? 0 : 1);
                for (std::size_t k = 0; k < digitJoints; ++k)
                {
                    OpenXRHand::Pose& target = out.jointLocations[static_cast<std::size_t>(first) + k].pose;
                    const Vect3D p = pose.jointPositions[f][k];
                    // The tip has the last joint's orientation whatever the pose stores there.
                    const Quat q = pose.jointRotations[f][k < 3 ? k : 2];
                    if (!Finite(p) || !Normalised(ToXR(q), target.orientation))
                        return false;
                    target.position = ToXR(p - wrist) * metresPerMillimetre;
                }
            }
            return true;
        }

        // Palm, wrist and finger metacarpals; the digit joints must be placed already.
        bool PlacePalm(const PalmPoints& palm, OpenXRHand::Locations& out)
        {
            auto& joints = out.jointLocations;
            joints[OpenXRHand::Wrist].pose = OpenXRHand::Pose{};
            for (std::size_t f = 1; f < digits; ++f)
            {
                OpenXRHand::Pose& base = joints[static_cast<std::size_t>(firstJoint[f])].pose;
                base.position = ToXR(palm.metacarpals[f] - palm.wrist) * metresPerMillimetre;
                const Vect3D knuckle = joints[static_cast<std::size_t>(firstJoint[f]) + 1].pose.position;
                if (!BoneOrientation(base.position, knuckle, base.orientation))
                    return false;
            }
            const OpenXRHand::Pose& middle = joints[OpenXRHand::MiddleMetacarpal].pose;
            const Vect3D middleKnuckle = joints[OpenXRHand::MiddleProximal].pose.position;
            joints[OpenXRHand::Palm].pose = {middle.orientation, (middle.position + middleKnuckle) * 0.5f};
            return true;
        }

        void SetRadii(const float (&scale)[digits], float mean, OpenXRHand::Locations& out)
        {
            auto& joints = out.jointLocations;
            joints[OpenXRHand::Palm].radius = palmRadius * mean * metresPerMillimetre;
            joints[OpenXRHand::Wrist].radius = wristRadius * mean * metresPerMillimetre;
            for (std::size_t f = 0; f < digits; ++f)
            {
                // The thumb's row starts at its metacarpal joint, a finger's one before.
                const std::size_t skip = f == 0 ? 1 : 0;
                for (std::size_t k = skip; k < 5; ++k)
                    joints[static_cast<std::size_t>(firstJoint[f]) + k - skip].radius =
                        digitRadii[f][k] * scale[f] * metresPerMillimetre;
            }
        }
    }

    OpenXRHand::Tracking OpenXRHand::TrackingOf(bool stampRead, long long stampAge, bool connected, bool complete)
    {
        if (!stampRead || !connected || !complete || stampAge >= stoppedAfterSeconds)
            return Tracking::Lost;
        return stampAge < staleAfterSeconds ? Tracking::Tracked : Tracking::Untracked;
    }

    bool OpenXRHand::Locate(const HandPose& pose, const BasicHandModel& model, bool complete, Locations& out)
    {
        return Locate(pose, model, complete ? Tracking::Tracked : Tracking::Lost, out);
    }

    bool OpenXRHand::Locate(const HandPose& pose, const BasicHandModel& model, bool complete, const Pose& wrist,
                            Locations& out)
    {
        return Locate(pose, model, complete ? Tracking::Tracked : Tracking::Lost, wrist, out);
    }

    bool OpenXRHand::Locate(const HandPose& pose, const BasicHandModel& model, Tracking tracking, Locations& out)
    {
        out = Locations{};
        float scale[digits];
        float mean = 0.0f;
        if (!PoseUsable(pose, model) || !DigitScales(model, scale, mean))
            return false;
        const PalmPoints palm = BuildPalm(model);
        Locations located;
        if (!PlaceDigits(pose, palm.wrist, located) || !PlacePalm(palm, located))
            return false;
        SetRadii(scale, mean, located);
        const std::uint64_t flags = tracking == Tracking::Tracked     ? allFlags
                                    : tracking == Tracking::Untracked ? orientationValid | positionValid
                                                                      : 0;
        located.isActive = flags != 0;
        for (JointLocation& joint : located.jointLocations)
            joint.locationFlags = flags;
        out = located;
        return located.isActive;
    }

    bool OpenXRHand::Locate(const HandPose& pose, const BasicHandModel& model, Tracking tracking, const Pose& wrist,
                            Locations& out)
    {
        Quat turn;
        const bool placed = Locate(pose, model, tracking, out);
        if (!Normalised(wrist.orientation, turn) || !Finite(wrist.position))
        {
            out = Locations{};
            return false;
        }
        for (JointLocation& joint : out.jointLocations)
        {
            joint.pose.position = wrist.position + turn.Rotate(joint.pose.position);
            joint.pose.orientation = turn * joint.pose.orientation;
        }
        return placed;
    }

    bool OpenXRHand::WristPose(Quat imuRotation, Vect3D position, Pose& out)
    {
        out.position = position;
        Quat unit;
        if (!Normalised(imuRotation, unit))
        {
            out.orientation = Quat();
            return false;
        }
        out.orientation = ToXR(unit);
        return true;
    }

    const char* OpenXRHand::JointName(int joint) { return joint >= 0 && joint < jointCount ? jointNames[joint] : ""; }
}
