using System;

namespace TSCore
{
    /// <summary>A glove: hand poses, orientation, haptics and calibration. Each read looks at
    /// shared memory afresh; for frame-rate reads that also say whether the pose is current,
    /// use a <see cref="Reader"/>.</summary>
    public sealed class Glove : Device
    {
        /// <summary>Floats of <see cref="ReadCalibrationRange"/>'s arrays: per digit x, y, z.</summary>
        public const int CalibrationValues = 15;

        internal Glove(DeviceHandle handle) : base(handle)
        {
        }

        /// <summary>Whether it is worn on the right hand.</summary>
        public bool IsRight { get { return Info.Side == Side.Right; } }

        /// <summary>The wearer's hand pose from the latest reading into pose (reused: no allocation)
        /// through the glove's part of profile (null: the uncalibrated profile of its side).
        /// False, with the idle pose written, when there is no complete reading.</summary>
        public bool ReadHandPose(HandPose pose, HandProfile profile = null)
        {
            if (pose == null)
                throw new ArgumentNullException("pose");
            Status status = profile == null ? Native.tscore_glove_hand_pose(Handle, IntPtr.Zero, pose.Handle)
                                            : Native.tscore_glove_hand_pose(Handle, profile.Handle, pose.Handle);
            return Native.Check(status, Status.NoReading) == Status.Ok;
        }

        /// <summary>The hand's orientation; false with the identity when there is no reading.</summary>
        public bool ReadImuRotation(out Quat rotation)
        {
            return Native.Check(Native.tscore_glove_imu_rotation(Handle, out rotation, new UIntPtr(4)), Status.NoReading) ==
                   Status.Ok;
        }

        /// <summary>Force feedback and vibration levels 0 to 100 per digit, thumb first (null keeps
        /// the levels last sent), and a <see cref="Thumper"/> argument. A Tessara takes 5 levels of
        /// each; a Kelvo force on 4 digits and vibration on 2, given as 4 and 2 levels or as 5.
        /// Returns Ok when the service holds the command, NotConnected or ServiceNotRunning when
        /// nothing was sent; bad levels throw ArgumentOutOfRangeException.</summary>
        public Status SendHaptics(int[] ffb, int[] buzz, int thumper = Thumper.Keep)
        {
            return Sent(Native.tscore_glove_send_haptics(Handle, ffb, Native.Count(ffb), buzz, Native.Count(buzz), thumper));
        }

        /// <summary>Force feedback, vibration and thumper off, connected or not, while the service runs.</summary>
        public Status StopHaptics()
        {
            return Sent(Native.tscore_glove_stop_haptics(Handle));
        }

        /// <summary>Starts a new calibration range; every complete reading widens it.</summary>
        public void ResetCalibration()
        {
            Native.Check(Native.tscore_glove_reset_calibration(Handle));
        }

        /// <summary>Widens the range by the latest reading; false without one.</summary>
        public bool UpdateCalibrationRange()
        {
            return Native.Check(Native.tscore_glove_update_calibration_range(Handle), Status.NoReading) == Status.Ok;
        }

        /// <summary>The smallest and largest values seen since the reset, <see cref="CalibrationValues"/>
        /// floats each (NaN before the first reset).</summary>
        public void ReadCalibrationRange(float[] min, float[] max)
        {
            Native.Check(Native.tscore_glove_calibration_range(Handle, min, Native.Count(min), max, Native.Count(max)));
        }

        /// <summary>Writes the range into the glove's part of profile; a finger that did not move keeps
        /// its uncalibrated mapping.</summary>
        public void ApplyCalibration(HandProfile profile)
        {
            Native.Check(Native.tscore_glove_apply_calibration(Handle, Profile(profile)));
        }

        /// <summary><see cref="UpdateCalibrationRange"/>, then <see cref="ApplyCalibration"/>; false
        /// when there was no reading to widen the range by.</summary>
        public bool UpdateCalibration(HandProfile profile)
        {
            return Native.Check(Native.tscore_glove_update_calibration(Handle, Profile(profile)), Status.NoReading) ==
                   Status.Ok;
        }

        private static ProfileHandle Profile(HandProfile profile)
        {
            if (profile == null)
                throw new ArgumentNullException("profile");
            return profile.Handle;
        }

        private static Status Sent(Status status)
        {
            if (status == Status.NotConnected || status == Status.ServiceNotRunning || status == Status.NotSent)
                return status;
            return Native.Check(status);
        }
    }
}
