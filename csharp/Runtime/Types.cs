// The fields of these structs are written by the native library.
#pragma warning disable 0649

using System.Runtime.InteropServices;

namespace TSCore
{
    /// <summary>The result of a call into the native library (tscore_status).</summary>
    public enum Status
    {
        /// <summary>Success.</summary>
        Ok = 0,
        /// <summary>No complete reading: the idle pose or the identity was written.</summary>
        NoReading = 1,
        /// <summary>No such device or glove, or no connected glove.</summary>
        NotFound = 2,
        /// <summary>The glove's record says it is not connected: nothing was sent.</summary>
        NotConnected = 3,
        /// <summary>The service's time stamp is 3 s old or missing: nothing was sent.</summary>
        ServiceNotRunning = 4,
        /// <summary>The command could not be written to the service.</summary>
        NotSent = 5,
        /// <summary>A required argument was null.</summary>
        NullArgument = 10,
        /// <summary>A handle that was disposed, or of another kind.</summary>
        InvalidHandle = 11,
        /// <summary>A value out of its range.</summary>
        InvalidArgument = 12,
        /// <summary>An array or buffer too small for the result.</summary>
        BufferTooSmall = 13,
        /// <summary>A text that is not valid UTF-8.</summary>
        InvalidUtf8 = 14,
        /// <summary>A glove operation on a device that is not a glove.</summary>
        NotAGlove = 15,
        /// <summary>A file could not be read or written.</summary>
        IOError = 20,
        /// <summary>A text is not a stored object of the kind asked for.</summary>
        ParseError = 21,
        /// <summary>The native library ran out of memory.</summary>
        OutOfMemory = 30,
        /// <summary>The native library failed; the message says how.</summary>
        InternalError = 31,
    }

    /// <summary>The connection service's state by the age of its time stamp.</summary>
    public enum ServiceState
    {
        /// <summary>No segments, no readable time stamp, or one 10 s old or more.</summary>
        Stopped = 0,
        /// <summary>Time stamp less than 3 s old: the service is updating.</summary>
        Running = 1,
        /// <summary>Segments there, time stamp 3 to 10 s old: not updating.</summary>
        Stale = 2,
    }

    /// <summary>What kind of device the service announces.</summary>
    public enum DeviceType
    {
        /// <summary>No known kind.</summary>
        Unknown = -2,
        /// <summary>Development hardware.</summary>
        Beta = -1,
        /// <summary>The exoskeleton force-feedback glove.</summary>
        Tessara = 0,
        /// <summary>The Kelvo glove.</summary>
        Kelvo = 2,
    }

    /// <summary>A hand, or a request for either.</summary>
    public enum Side
    {
        /// <summary>Not a glove.</summary>
        None = -1,
        /// <summary>The left hand.</summary>
        Left = 0,
        /// <summary>The right hand.</summary>
        Right = 1,
        /// <summary>As a request: either hand.</summary>
        Any = 2,
    }

    /// <summary>Whether a reading is current, in the order a caller must know it.</summary>
    public enum GloveState
    {
        /// <summary>Service running, glove connected, reading complete and valid: a current pose.</summary>
        Live = 0,
        /// <summary>The service is not updating: the last reading.</summary>
        Stale = 1,
        /// <summary>No service.</summary>
        Stopped = 2,
        /// <summary>The glove's record says not connected: its last reading.</summary>
        Disconnected = 3,
        /// <summary>No complete reading.</summary>
        Incomplete = 4,
        /// <summary>The profile maps the reading to numbers that are not finite.</summary>
        Invalid = 5,
    }

    /// <summary>Thumper arguments: on a Tessara an effect code, on a Kelvo a magnitude 0 to 100.</summary>
    public static class Thumper
    {
        /// <summary>A Tessara plays no effect; a Kelvo keeps the magnitude last sent.</summary>
        public const int Keep = -1;
        /// <summary>Tessara effect: a tap.</summary>
        public const int Tap = 1;
        /// <summary>Tessara effect: a double tap.</summary>
        public const int DoubleTap = 2;
        /// <summary>Tessara effect: a knock.</summary>
        public const int Knock = 3;
        /// <summary>Tessara effect: a pulse.</summary>
        public const int Pulse = 4;
        /// <summary>Tessara effect: a long pulse.</summary>
        public const int LongPulse = 5;
        /// <summary>Tessara effect: a rumble.</summary>
        public const int Rumble = 6;
        /// <summary>Tessara: no effect.</summary>
        public const int None = 126;
    }

    /// <summary>The service's state and the age of its time stamp (tscore_service_status).</summary>
    [StructLayout(LayoutKind.Sequential)]
    public struct ServiceStatus
    {
        private int state;
        private int hasStamp;
        private long stampAge;

        /// <summary>Running, stale or stopped.</summary>
        public ServiceState State { get { return (ServiceState)state; } }
        /// <summary>Whether a time stamp was read.</summary>
        public bool HasStamp { get { return hasStamp != 0; } }
        /// <summary>Seconds since the time stamp (negative: ahead of this clock); 0 without one.</summary>
        public long StampAge { get { return stampAge; } }
    }

    /// <summary>What a device says about itself (tscore_device_info).</summary>
    [StructLayout(LayoutKind.Sequential)]
    public struct DeviceInfo
    {
        private int index;
        private int type;
        private int side;
        private int connected;
        private int firmware;
        private int subFirmware;
        private int gloveIndex;
        private int packetsPerSecond;

        /// <summary>The device index: its key is "device" and this number.</summary>
        public int Index { get { return index; } }
        /// <summary>Its kind.</summary>
        public DeviceType Type { get { return (DeviceType)type; } }
        /// <summary>Left or right for a glove, None otherwise.</summary>
        public Side Side { get { return (Side)side; } }
        /// <summary>Whether its record says connected, read when the info was.</summary>
        public bool Connected { get { return connected != 0; } }
        /// <summary>Main firmware version.</summary>
        public int Firmware { get { return firmware; } }
        /// <summary>Firmware sub-version (4.7 is 4 and 7).</summary>
        public int SubFirmware { get { return subFirmware; } }
        /// <summary>Its index among the gloves, -1 when it is not a glove.</summary>
        public int GloveIndex { get { return gloveIndex; } }
        /// <summary>The packet rate the service reports.</summary>
        public int PacketsPerSecond { get { return packetsPerSecond; } }
        /// <summary>Whether it is a glove.</summary>
        public bool IsGlove { get { return gloveIndex >= 0; } }
    }

    /// <summary>Whether a reading from a <see cref="Reader"/> is current (tscore_reading).</summary>
    [StructLayout(LayoutKind.Sequential)]
    public struct Reading
    {
        private int state;
        private int isNew;
        private int connected;
        private int service;
        private int hasStamp;
        private int reserved;
        private long stampAge;
        private ulong sequence;

        /// <summary>Only <see cref="GloveState.Live"/> is a current pose.</summary>
        public GloveState State { get { return (GloveState)state; } }
        /// <summary>Whether the sensor text differs from the one the previous read gave.</summary>
        public bool IsNew { get { return isNew != 0; } }
        /// <summary>Whether the glove's record says connected.</summary>
        public bool Connected { get { return connected != 0; } }
        /// <summary>The service's state as of the reader's latest check.</summary>
        public ServiceState Service { get { return (ServiceState)service; } }
        /// <summary>Whether the service's time stamp was read.</summary>
        public bool HasStamp { get { return hasStamp != 0; } }
        /// <summary>Seconds since the service's time stamp.</summary>
        public long StampAge { get { return stampAge; } }
        /// <summary>Counts the distinct sensor texts the reader has read of the device.</summary>
        public ulong Sequence { get { return sequence; } }
    }

    /// <summary>A rotation (x, y, z, w; w is the scalar part).</summary>
    [StructLayout(LayoutKind.Sequential)]
    public struct Quat
    {
        /// <summary>Vector part, x.</summary>
        public float X;
        /// <summary>Vector part, y.</summary>
        public float Y;
        /// <summary>Vector part, z.</summary>
        public float Z;
        /// <summary>Scalar part.</summary>
        public float W;
    }

    /// <summary>A position or direction.</summary>
    [StructLayout(LayoutKind.Sequential)]
    public struct Vec3
    {
        /// <summary>x.</summary>
        public float X;
        /// <summary>y.</summary>
        public float Y;
        /// <summary>z.</summary>
        public float Z;
    }

    /// <summary>The layout of OpenXR's XrPosef: a unit quaternion and a position in metres.</summary>
    [StructLayout(LayoutKind.Sequential)]
    public struct XrPose
    {
        /// <summary>The orientation.</summary>
        public Quat Orientation;
        /// <summary>The position, metres.</summary>
        public Vec3 Position;
    }

    /// <summary>The layout of OpenXR's XrHandJointLocationEXT.</summary>
    [StructLayout(LayoutKind.Sequential)]
    public struct XrJoint
    {
        /// <summary>XrSpaceLocationFlags: 1 orientation valid, 2 position valid, 4 and 8 tracked.</summary>
        public ulong LocationFlags;
        /// <summary>The joint's pose.</summary>
        public XrPose Pose;
        /// <summary>The joint's radius, metres.</summary>
        public float Radius;
    }
}
