#pragma once

#include <array>
#include <cstdint>

#include "TSCore/Export.h"
#include "TSCore/Hand/HandPose.h"
#include "TSCore/Kinematics/BasicHandModel.h"
#include "TSCore/Kinematics/Quat.h"
#include "TSCore/Kinematics/Vect3D.h"

namespace TSCore
{
    /// A hand pose as the 26 joint locations of OpenXR's XR_EXT_hand_tracking, without
    /// depending on OpenXR's headers: the nested structs have the fields, order and layout of
    /// XrPosef, XrHandJointLocationEXT and XrHandJointLocationsEXT, and Joint has the values
    /// of XrHandJointEXT.
    ///
    /// Conventions of the result: metres; right-handed; every joint's -Z points along its bone
    /// toward the fingertip and +Y out of the back of the finger (for the thumb, out of the
    /// nail), +X = Y x Z. Both hands get proper rotations: a left hand's positions mirror a
    /// right hand's, its orientations are rotations, never reflections. Without a wrist pose
    /// the locations are relative to the wrist joint (at the origin, identity orientation:
    /// fingers toward -Z, back of the hand toward +Y, thumb toward -X on a right hand and +X on
    /// a left hand).
    ///
    /// Digit joints come from the pose: thumb CMC, MCP, IP and tip become the thumb's
    /// metacarpal, proximal, distal and tip joints; a finger's MCP, PIP, DIP and tip its
    /// proximal, intermediate, distal and tip joints. A tip takes the orientation of the joint
    /// before it. The hand model has no palm, wrist or finger metacarpals; they are built from
    /// its geometry (hand frame, millimetres):
    /// - the carpal line is the level (x) of the thumb's CMC joint;
    /// - a finger's metacarpal joint lies on the carpal line, at its knuckle's (MCP's) height
    ///   (z), and sideways at 60% of the knuckle's distance from the midline (the mean y of the
    ///   four knuckles): the metacarpal bases sit closer together than the knuckles;
    /// - the wrist lies straight behind the middle finger's metacarpal joint, behind the carpal
    ///   line by a quarter of the carpal line's distance to the middle finger's knuckle; its
    ///   frame is the hand frame, so its +Z runs along the line from the middle metacarpal
    ///   joint to the wrist (away from the fingertips) and +Y out of the back of the hand;
    /// - the palm is the middle of the middle finger's metacarpal, oriented like it;
    /// - a metacarpal joint's -Z points at its finger's MCP, +Y is the back of the hand made
    ///   perpendicular to the bone.
    /// Radii are those of an adult hand of the default model's size (the table in the source,
    /// in millimetres), scaled per digit by the ratio of the digit's length in the model to
    /// its default length; palm and wrist by the mean ratio of the five digits.
    class TSCORE_API OpenXRHand
    {
    public:
        /// XrHandJointEXT.
        enum Joint : int
        {
            Palm = 0,
            Wrist = 1,
            ThumbMetacarpal = 2,
            ThumbProximal = 3,
            ThumbDistal = 4,
            ThumbTip = 5,
            IndexMetacarpal = 6,
            IndexProximal = 7,
            IndexIntermediate = 8,
            IndexDistal = 9,
            IndexTip = 10,
            MiddleMetacarpal = 11,
            MiddleProximal = 12,
            MiddleIntermediate = 13,
            MiddleDistal = 14,
            MiddleTip = 15,
            RingMetacarpal = 16,
            RingProximal = 17,
            RingIntermediate = 18,
            RingDistal = 19,
            RingTip = 20,
            LittleMetacarpal = 21,
            LittleProximal = 22,
            LittleIntermediate = 23,
            LittleDistal = 24,
            LittleTip = 25,
        };
        static constexpr int jointCount = 26;

        /// XrSpaceLocationFlags bits.
        static constexpr std::uint64_t orientationValid = 0x1;
        static constexpr std::uint64_t positionValid = 0x2;
        static constexpr std::uint64_t orientationTracked = 0x4;
        static constexpr std::uint64_t positionTracked = 0x8;
        static constexpr std::uint64_t allFlags =
            orientationValid | positionValid | orientationTracked | positionTracked;

        /// XrPosef: a unit quaternion and a position in metres.
        struct Pose
        {
            Kinematics::Quat orientation;
            Kinematics::Vect3D position;
        };

        /// XrHandJointLocationEXT.
        struct JointLocation
        {
            std::uint64_t locationFlags = 0;
            Pose pose;
            float radius = 0.0f;
        };

        /// XrHandJointLocationsEXT, with the joints held in place.
        struct Locations
        {
            bool isActive = false;
            std::array<JointLocation, jointCount> jointLocations{};
        };

        /// What a reading may claim.
        enum class Tracking : int
        {
            Tracked = 0,   ///< live: isActive, all four flags
            Untracked = 1, ///< the service stale for less than 10 s: isActive, the two VALID flags only
            Lost = 2,      ///< isActive false, no flags
        };
        /// The service writes its time stamp every second: from this age on it is not updating...
        static constexpr long long staleAfterSeconds = 3;
        /// ...and from this age on it counts as stopped.
        static constexpr long long stoppedAfterSeconds = 10;

        /// The one rule for every OpenXR view of a glove. Tracked when the service is running
        /// (its time stamp, read at all, is less than 3 s old; one ahead of the clock counts as
        /// fresh), the glove's record says connected and its reading is complete. Untracked,
        /// the last reading shown but no longer followed, while the stamp is 3 s to 10 s old.
        /// Lost when the glove is disconnected, the reading incomplete, no stamp could be read
        /// (the service stopped) or the stamp is 10 s old or more.
        static Tracking TrackingOf(bool stampRead, long long stampAgeSeconds, bool connected, bool complete);

        /// The 26 joints relative to the wrist, with the flags and isActive that tracking gives.
        /// Returns isActive. A pose or model that is short, of the other hand, degenerate or
        /// not finite gives no flags and default locations. Allocates nothing.
        static bool Locate(const HandPose& pose, const Kinematics::BasicHandModel& model, Tracking tracking,
                           Locations& out);
        /// The same placed in an application's space by the wrist's pose there.
        static bool Locate(const HandPose& pose, const Kinematics::BasicHandModel& model, Tracking tracking,
                           const Pose& wrist, Locations& out);
        /// complete is what the glove answered for the pose: true is Tracked, false Lost.
        static bool Locate(const HandPose& pose, const Kinematics::BasicHandModel& model, bool complete,
                           Locations& out);
        static bool Locate(const HandPose& pose, const Kinematics::BasicHandModel& model, bool complete,
                           const Pose& wrist, Locations& out);

        /// The wrist's pose in a y-up OpenXR space from a glove's orientation sensor, whose
        /// world is z-up: the sensor's +x (forward) becomes the space's -Z, its +z (up) +Y, so
        /// the identity is a hand held flat, palm down, fingers forward. The quaternion is
        /// normalised; false (identity orientation) when it is zero or not finite.
        static bool WristPose(Kinematics::Quat imuRotation, Kinematics::Vect3D position, Pose& out);

        /// The extension's name of a joint ("XR_HAND_JOINT_PALM_EXT", ...); "" outside 0..25.
        static const char* JointName(int joint);
    };
}
