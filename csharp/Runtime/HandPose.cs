using System;

namespace TSCore
{
    /// <summary>The wearer's hand: per digit (thumb, index, middle, ring, pinky) the angles,
    /// positions and rotations of its joints, from the hand outwards. A glove or reader writes
    /// into it; reuse one per hand to read without allocating.</summary>
    public sealed class HandPose : IDisposable, IEquatable<HandPose>
    {
        /// <summary>Floats of <see cref="CopyAngles"/>: [digit 5][joint 3][twist, flexion, spread], radians.</summary>
        public const int AngleCount = 45;
        /// <summary>Floats of <see cref="CopyPositions"/>: [digit 5][3 joints, then the tip][x, y, z], millimetres.</summary>
        public const int PositionCount = 60;
        /// <summary>Floats of <see cref="CopyRotations"/>: [digit 5][3 joints, then the tip][x, y, z, w].</summary>
        public const int RotationCount = 80;
        /// <summary>Floats of <see cref="CopyFlexion"/>: one per digit.</summary>
        public const int FlexionCount = 5;
        /// <summary>Joints of <see cref="LocateOpenXR(bool, XrJoint[])"/>, in XrHandJointEXT order.</summary>
        public const int XrJointCount = 26;

        internal readonly PoseHandle Handle;

        private HandPose(PoseHandle handle)
        {
            Handle = handle;
        }

        /// <summary>The hand at rest on the default hand model of that side.</summary>
        public HandPose(bool isRight)
        {
            Native.Check(Native.tscore_pose_create(isRight ? 1 : 0, out Handle));
        }

        /// <summary>A pose from its storage text; FormatException for a text that is not a stored pose.</summary>
        public static HandPose FromStorage(string text)
        {
            PoseHandle handle;
            Native.Check(Native.tscore_pose_from_text(Native.ToUtf8(text, "text"), out handle));
            return new HandPose(handle);
        }

        /// <summary>A pose from a file <see cref="Save"/> wrote; IOException or FormatException.</summary>
        public static HandPose Load(string path)
        {
            PoseHandle handle;
            Native.Check(Native.tscore_pose_load(Native.ToUtf8(path, "path"), out handle));
            return new HandPose(handle);
        }

        /// <summary>The storage text.</summary>
        public string ToStorage()
        {
            return Native.ReadText((byte[] b, UIntPtr s, out UIntPtr n) => Native.tscore_pose_to_text(Handle, b, s, out n));
        }

        /// <summary>Writes the storage text, replacing the file only once it is written whole.</summary>
        public void Save(string path)
        {
            Native.Check(Native.tscore_pose_save(Handle, Native.ToUtf8(path, "path")));
        }

        /// <summary>Whether it is a right hand.</summary>
        public bool IsRight
        {
            get
            {
                int right;
                Native.Check(Native.tscore_pose_is_right(Handle, out right));
                return right != 0;
            }
        }

        /// <summary>Copies the joint angles into destination (at least <see cref="AngleCount"/> floats;
        /// NaN where the pose lacks a joint).</summary>
        public void CopyAngles(float[] destination)
        {
            Native.Check(Native.tscore_pose_angles(Handle, destination, Native.Count(destination)));
        }

        /// <summary>Copies the joint positions (at least <see cref="PositionCount"/> floats).</summary>
        public void CopyPositions(float[] destination)
        {
            Native.Check(Native.tscore_pose_positions(Handle, destination, Native.Count(destination)));
        }

        /// <summary>Copies the joint rotations, x y z w (at least <see cref="RotationCount"/> floats).</summary>
        public void CopyRotations(float[] destination)
        {
            Native.Check(Native.tscore_pose_rotations(Handle, destination, Native.Count(destination)));
        }

        /// <summary>Copies each digit's flexion, 0 stretched to 1 fully flexed (clamped to that range
        /// when clamp), into at least <see cref="FlexionCount"/> floats.</summary>
        public void CopyFlexion(float[] destination, bool clamp = false)
        {
            Native.Check(Native.tscore_pose_flexion(Handle, clamp ? 1 : 0, destination, Native.Count(destination)));
        }

        /// <summary>The four copies above in one call (flexion not clamped); an array may be null to
        /// leave it out. <see cref="CopyTo(PoseArrays)"/> costs less per frame.</summary>
        public void CopyTo(float[] angles, float[] positions, float[] rotations, float[] flexion)
        {
            Native.Check(Native.tscore_pose_arrays(Handle, angles, Native.Count(angles), positions, Native.Count(positions),
                                                   rotations, Native.Count(rotations), flexion, Native.Count(flexion)));
        }

        /// <summary>The whole pose into arrays kept pinned: the cheapest read of a whole pose per frame
        /// (no array is marshalled).</summary>
        public void CopyTo(PoseArrays arrays)
        {
            if (arrays == null)
                throw new ArgumentNullException("arrays");
            Native.Check(Native.tscore_pose_arrays(Handle, arrays.Address(0), new UIntPtr(AngleCount), arrays.Address(1),
                                                   new UIntPtr(PositionCount), arrays.Address(2), new UIntPtr(RotationCount),
                                                   arrays.Address(3), new UIntPtr(FlexionCount)));
            GC.KeepAlive(arrays); // pinned until the native side is done with them
        }

        /// <summary>The 26 OpenXR joints relative to the wrist, on the default hand model of the pose's
        /// side, in metres. complete: whether the pose came from a complete, current reading; only then
        /// do the joints get their flags. Returns whether the hand is active.</summary>
        public bool LocateOpenXR(bool complete, XrJoint[] joints)
        {
            int active;
            Native.Check(Native.tscore_pose_openxr(Handle, complete ? 1 : 0, IntPtr.Zero, joints, Native.Count(joints),
                                                   out active));
            return active != 0;
        }

        /// <summary>The same placed in an application's space by the wrist's pose there.</summary>
        public bool LocateOpenXR(bool complete, XrPose wrist, XrJoint[] joints)
        {
            int active;
            Native.Check(Native.tscore_pose_openxr(Handle, complete ? 1 : 0, ref wrist, joints, Native.Count(joints),
                                                   out active));
            return active != 0;
        }

        /// <summary>The wrist's pose in a y-up OpenXR space from a glove's orientation and a position
        /// in metres; ArgumentOutOfRangeException for a zero or non-finite rotation.</summary>
        public static XrPose WristPose(Quat imuRotation, Vec3 position)
        {
            XrPose wrist;
            Native.Check(Native.tscore_xr_wrist_pose(ref imuRotation, ref position, out wrist));
            return wrist;
        }

        /// <summary>"XR_HAND_JOINT_PALM_EXT", ...; "" outside 0 to 25.</summary>
        public static string XrJointName(int joint)
        {
            return Native.FromUtf8(Native.tscore_xr_joint_name(joint), true);
        }

        /// <summary>Whether the two hold the same numbers (within 1e-6).</summary>
        public bool Equals(HandPose other)
        {
            if (other == null)
                return false;
            int equal;
            Native.Check(Native.tscore_pose_equals(Handle, other.Handle, out equal));
            return equal != 0;
        }

        /// <summary>See <see cref="Equals(HandPose)"/>.</summary>
        public override bool Equals(object obj)
        {
            return Equals(obj as HandPose);
        }

        /// <summary>Poses are compared by value within a tolerance: no hash keeps to that.</summary>
        public override int GetHashCode()
        {
            return 0;
        }

        /// <summary>Releases the native pose.</summary>
        public void Dispose()
        {
            Handle.Dispose();
        }
    }
}
