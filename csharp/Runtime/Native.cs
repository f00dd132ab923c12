using System;
using System.IO;
using System.Runtime.InteropServices;
using System.Text;

namespace TSCore
{
    /// <summary>The C interface (tscore_c.h), and its statuses turned into exceptions.</summary>
    internal static class Native
    {
        private const string Lib = "tscore_c";

        // Strict UTF-8 both ways: a string with a lone surrogate is refused, not silently changed.
        private static readonly UTF8Encoding Strict = new UTF8Encoding(false, true);

        [DllImport(Lib)] internal static extern IntPtr tscore_last_error();
        [DllImport(Lib)] internal static extern int tscore_abi_version();
        [DllImport(Lib)] internal static extern Status tscore_version(byte[] buffer, UIntPtr size, out UIntPtr needed);
        [DllImport(Lib)] internal static extern Status tscore_service_status_read(out ServiceStatus status);

        [DllImport(Lib)] internal static extern Status tscore_device_count(out UIntPtr count);
        [DllImport(Lib)] internal static extern Status tscore_device_open(UIntPtr index, out DeviceHandle device);
        [DllImport(Lib)] internal static extern Status tscore_glove_count(out UIntPtr count);
        [DllImport(Lib)] internal static extern Status tscore_glove_open(UIntPtr index, out DeviceHandle device);
        [DllImport(Lib)] internal static extern Status tscore_glove_open_first(int side, out DeviceHandle device);
        [DllImport(Lib)] internal static extern Status tscore_device_list_reset();
        [DllImport(Lib)] internal static extern Status tscore_device_destroy(IntPtr device);
        [DllImport(Lib)] internal static extern Status tscore_device_get_info(DeviceHandle device, out DeviceInfo info);
        [DllImport(Lib)] internal static extern Status tscore_device_key(DeviceHandle d, byte[] b, UIntPtr size, out UIntPtr needed);
        [DllImport(Lib)] internal static extern Status tscore_device_id(DeviceHandle d, byte[] b, UIntPtr size, out UIntPtr needed);
        [DllImport(Lib)] internal static extern Status tscore_device_hardware(DeviceHandle d, byte[] b, UIntPtr size, out UIntPtr needed);
        [DllImport(Lib)] internal static extern Status tscore_device_name(DeviceHandle d, byte[] b, UIntPtr size, out UIntPtr needed);
        [DllImport(Lib)] internal static extern Status tscore_device_sensor_text(DeviceHandle d, byte[] b, UIntPtr size, out UIntPtr needed);

        [DllImport(Lib)] internal static extern Status tscore_profile_create(int isRight, out ProfileHandle profile);
        [DllImport(Lib)] internal static extern Status tscore_profile_from_text(byte[] text, out ProfileHandle profile);
        [DllImport(Lib)] internal static extern Status tscore_profile_load(byte[] path, out ProfileHandle profile);
        [DllImport(Lib)] internal static extern Status tscore_profile_to_text(ProfileHandle p, byte[] b, UIntPtr size, out UIntPtr needed);
        [DllImport(Lib)] internal static extern Status tscore_profile_save(ProfileHandle profile, byte[] path);
        [DllImport(Lib)] internal static extern Status tscore_profile_is_right(ProfileHandle profile, out int isRight);
        [DllImport(Lib)] internal static extern Status tscore_profile_equals(ProfileHandle a, ProfileHandle b, out int equal);
        [DllImport(Lib)] internal static extern Status tscore_profile_destroy(IntPtr profile);

        [DllImport(Lib)] internal static extern Status tscore_pose_create(int isRight, out PoseHandle pose);
        [DllImport(Lib)] internal static extern Status tscore_pose_from_text(byte[] text, out PoseHandle pose);
        [DllImport(Lib)] internal static extern Status tscore_pose_load(byte[] path, out PoseHandle pose);
        [DllImport(Lib)] internal static extern Status tscore_pose_to_text(PoseHandle p, byte[] b, UIntPtr size, out UIntPtr needed);
        [DllImport(Lib)] internal static extern Status tscore_pose_save(PoseHandle pose, byte[] path);
        [DllImport(Lib)] internal static extern Status tscore_pose_is_right(PoseHandle pose, out int isRight);
        [DllImport(Lib)] internal static extern Status tscore_pose_equals(PoseHandle a, PoseHandle b, out int equal);
        [DllImport(Lib)] internal static extern Status tscore_pose_destroy(IntPtr pose);
        [DllImport(Lib)] internal static extern Status tscore_pose_angles(PoseHandle pose, [Out] float[] o, UIntPtr count);
        [DllImport(Lib)] internal static extern Status tscore_pose_positions(PoseHandle pose, [Out] float[] o, UIntPtr count);
        [DllImport(Lib)] internal static extern Status tscore_pose_rotations(PoseHandle pose, [Out] float[] o, UIntPtr count);
        [DllImport(Lib)] internal static extern Status tscore_pose_flexion(PoseHandle pose, int clamp, [Out] float[] o, UIntPtr count);
        [DllImport(Lib)] internal static extern Status tscore_pose_arrays(PoseHandle pose, [Out] float[] angles, UIntPtr anglesCount,
            [Out] float[] positions, UIntPtr positionsCount, [Out] float[] rotations, UIntPtr rotationsCount,
            [Out] float[] flexion, UIntPtr flexionCount);
        [DllImport(Lib)] internal static extern Status tscore_pose_arrays(PoseHandle pose, IntPtr angles, UIntPtr anglesCount,
            IntPtr positions, UIntPtr positionsCount, IntPtr rotations, UIntPtr rotationsCount, IntPtr flexion,
            UIntPtr flexionCount);
        [DllImport(Lib)] internal static extern Status tscore_pose_openxr(PoseHandle pose, int complete, IntPtr noWrist,
            [Out] XrJoint[] joints, UIntPtr count, out int isActive);
        [DllImport(Lib)] internal static extern Status tscore_pose_openxr(PoseHandle pose, int complete, ref XrPose wrist,
            [Out] XrJoint[] joints, UIntPtr count, out int isActive);
        [DllImport(Lib)] internal static extern Status tscore_xr_wrist_pose(ref Quat imu, ref Vec3 position, out XrPose wrist);
        [DllImport(Lib)] internal static extern IntPtr tscore_xr_joint_name(int joint);

        [DllImport(Lib)] internal static extern Status tscore_glove_hand_pose(DeviceHandle glove, ProfileHandle profile, PoseHandle pose);
        [DllImport(Lib)] internal static extern Status tscore_glove_hand_pose(DeviceHandle glove, IntPtr noProfile, PoseHandle pose);
        [DllImport(Lib)] internal static extern Status tscore_glove_imu_rotation(DeviceHandle glove, out Quat q, UIntPtr count);
        [DllImport(Lib)] internal static extern Status tscore_glove_send_haptics(DeviceHandle glove, int[] ffb, UIntPtr ffbCount,
            int[] buzz, UIntPtr buzzCount, int thumper);
        [DllImport(Lib)] internal static extern Status tscore_glove_stop_haptics(DeviceHandle glove);
        [DllImport(Lib)] internal static extern Status tscore_glove_reset_calibration(DeviceHandle glove);
        [DllImport(Lib)] internal static extern Status tscore_glove_update_calibration_range(DeviceHandle glove);
        [DllImport(Lib)] internal static extern Status tscore_glove_calibration_range(DeviceHandle glove, [Out] float[] min,
            UIntPtr minCount, [Out] float[] max, UIntPtr maxCount);
        [DllImport(Lib)] internal static extern Status tscore_glove_apply_calibration(DeviceHandle glove, ProfileHandle profile);
        [DllImport(Lib)] internal static extern Status tscore_glove_update_calibration(DeviceHandle glove, ProfileHandle profile);

        [DllImport(Lib)] internal static extern Status tscore_reader_create(out ReaderHandle reader);
        [DllImport(Lib)] internal static extern Status tscore_reader_destroy(IntPtr reader);
        [DllImport(Lib)] internal static extern Status tscore_reader_update(ReaderHandle reader, out int changed);
        [DllImport(Lib)] internal static extern Status tscore_reader_refresh(ReaderHandle reader, out int changed);
        [DllImport(Lib)] internal static extern Status tscore_reader_generation(ReaderHandle reader, out ulong generation);
        [DllImport(Lib)] internal static extern Status tscore_reader_service_status(ReaderHandle reader, out ServiceStatus status);
        [DllImport(Lib)] internal static extern Status tscore_reader_device_count(ReaderHandle reader, out UIntPtr count);
        [DllImport(Lib)] internal static extern Status tscore_reader_device_info(ReaderHandle reader, UIntPtr position, out DeviceInfo info);
        [DllImport(Lib)] internal static extern Status tscore_reader_device(ReaderHandle reader, UIntPtr position, out DeviceHandle device);
        [DllImport(Lib)] internal static extern Status tscore_reader_find_glove(ReaderHandle reader, int side, out UIntPtr position);
        [DllImport(Lib)] internal static extern Status tscore_reader_hand_pose(ReaderHandle reader, UIntPtr position,
            ProfileHandle profile, PoseHandle pose, out Reading reading);
        [DllImport(Lib)] internal static extern Status tscore_reader_hand_pose(ReaderHandle reader, UIntPtr position,
            IntPtr noProfile, PoseHandle pose, out Reading reading);
        [DllImport(Lib)] internal static extern Status tscore_reader_imu_rotation(ReaderHandle reader, UIntPtr position,
            out Quat q, UIntPtr count);
        [DllImport(Lib)] internal static extern Status tscore_reader_sensor_text(ReaderHandle r, UIntPtr position, byte[] b,
            UIntPtr size, out UIntPtr needed);

        /// <summary>The message of the latest failed call on this thread.</summary>
        internal static string LastError()
        {
            return FromUtf8(tscore_last_error(), false);
        }

        /// <summary>Throws for every status but Ok and the answers a caller may expect.</summary>
        internal static Status Check(Status status, Status allowed = Status.Ok)
        {
            if (status == Status.Ok || status == allowed)
                return status;
            throw ToException(status, LastError());
        }

        internal static Exception ToException(Status status, string message)
        {
            switch (status)
            {
            case Status.NullArgument:
                return new ArgumentNullException(null, message);
            case Status.InvalidArgument:
                return new ArgumentOutOfRangeException(null, message);
            case Status.BufferTooSmall:
            case Status.InvalidUtf8:
                return new ArgumentException(message);
            case Status.InvalidHandle:
                return new ObjectDisposedException(null, message);
            case Status.NotAGlove:
                return new InvalidOperationException(message);
            case Status.IOError:
                return new IOException(message);
            case Status.ParseError:
                return new FormatException(message);
            case Status.OutOfMemory:
                return new OutOfMemoryException(message);
            default:
                return new TSCoreException(status, message);
            }
        }

        /// <summary>A NUL-terminated UTF-8 argument; ArgumentException for a string that has no UTF-8 form.</summary>
        internal static byte[] ToUtf8(string text, string name)
        {
            if (text == null)
                throw new ArgumentNullException(name);
            if (text.IndexOf('\0') >= 0)
                throw new ArgumentException(name + " contains a NUL character, which would end it early", name);
            try
            {
                var bytes = new byte[Strict.GetByteCount(text) + 1];
                Strict.GetBytes(text, 0, text.Length, bytes, 0);
                return bytes;
            }
            catch (EncoderFallbackException e)
            {
                throw new ArgumentException(name + " has no UTF-8 form: " + e.Message, name);
            }
        }

        internal delegate Status TextCall(byte[] buffer, UIntPtr size, out UIntPtr needed);

        /// <summary>A text out: the size first, then the text.</summary>
        internal static string ReadText(TextCall call, Status allowed = Status.Ok)
        {
            UIntPtr needed;
            Check(call(null, UIntPtr.Zero, out needed), allowed);
            for (;;)
            {
                var buffer = new byte[(int)needed];
                Status status = call(buffer, needed, out needed);
                if (status == Status.BufferTooSmall && (int)needed > buffer.Length)
                    continue; // it grew in between (a sensor text)
                Check(status, allowed);
                return Encoding.UTF8.GetString(buffer, 0, Math.Max(0, Array.IndexOf(buffer, (byte)0)));
            }
        }

        internal static string FromUtf8(IntPtr text, bool strict)
        {
            if (text == IntPtr.Zero)
                return "";
            int length = 0;
            while (Marshal.ReadByte(text, length) != 0)
                ++length;
            var bytes = new byte[length];
            Marshal.Copy(text, bytes, 0, length);
            return (strict ? Strict : Encoding.UTF8).GetString(bytes);
        }

        internal static UIntPtr Count(Array array)
        {
            return new UIntPtr(array == null ? 0u : (uint)array.Length);
        }
    }
}
