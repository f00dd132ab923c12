using System;

namespace TSCore
{
    /// <summary>Reads the service at frame rate and says with every pose whether it is current.
    /// It keeps a device list of its own that follows the service; devices are addressed by their
    /// position in it, stable between two <see cref="Update"/> calls (watch <see cref="Generation"/>).
    /// Use each reader from one thread at a time.</summary>
    public sealed class Reader : IDisposable
    {
        private readonly ReaderHandle handle;

        /// <summary>A reader of the service's segments; it reads the device list at once.</summary>
        public Reader()
        {
            Native.Check(Native.tscore_reader_create(out handle));
        }

        /// <summary>Call once per frame: checks the service when a check is due (every 100 ms).
        /// True when the device list changed.</summary>
        public bool Update()
        {
            int changed;
            Native.Check(Native.tscore_reader_update(handle, out changed));
            return changed != 0;
        }

        /// <summary>The same check now.</summary>
        public bool Refresh()
        {
            int changed;
            Native.Check(Native.tscore_reader_refresh(handle, out changed));
            return changed != 0;
        }

        /// <summary>Counts the changes of the device list.</summary>
        public ulong Generation
        {
            get
            {
                ulong generation;
                Native.Check(Native.tscore_reader_generation(handle, out generation));
                return generation;
            }
        }

        /// <summary>The service's state as of the latest check.</summary>
        public ServiceStatus ServiceStatus
        {
            get
            {
                ServiceStatus status;
                Native.Check(Native.tscore_reader_service_status(handle, out status));
                return status;
            }
        }

        /// <summary>The number of devices listed.</summary>
        public int DeviceCount
        {
            get
            {
                UIntPtr count;
                Native.Check(Native.tscore_reader_device_count(handle, out count));
                return (int)count;
            }
        }

        /// <summary>What the device's record said at the latest check.</summary>
        public DeviceInfo Info(int position)
        {
            DeviceInfo info;
            Native.Check(Native.tscore_reader_device_info(handle, Gloves.Position(position), out info));
            return info;
        }

        /// <summary>The reader's device object, for haptics and calibration (a <see cref="Glove"/>
        /// when it is one).</summary>
        public Device Device(int position)
        {
            DeviceHandle device;
            Native.Check(Native.tscore_reader_device(handle, Gloves.Position(position), out device));
            return TSCore.Device.Wrap(device);
        }

        /// <summary>The position of the first connected glove of that side, -1 when there is none.</summary>
        public int FindGlove(Side side = Side.Any)
        {
            UIntPtr position;
            if (Native.Check(Native.tscore_reader_find_glove(handle, (int)side, out position), Status.NotFound) != Status.Ok)
                return -1;
            return (int)position;
        }

        /// <summary>The glove's pose from its latest reading into pose (no allocation), through
        /// profile (null: the uncalibrated one of its side), and whether it is current. False, with
        /// the idle pose written, when there is no complete reading; a complete one may still be
        /// stale or disconnected: only <see cref="GloveState.Live"/> is current.</summary>
        public bool ReadHandPose(int position, HandPose pose, HandProfile profile, out Reading reading)
        {
            if (pose == null)
                throw new ArgumentNullException("pose");
            UIntPtr at = Gloves.Position(position);
            Status status = profile == null
                                ? Native.tscore_reader_hand_pose(handle, at, IntPtr.Zero, pose.Handle, out reading)
                                : Native.tscore_reader_hand_pose(handle, at, profile.Handle, pose.Handle, out reading);
            return Native.Check(status, Status.NoReading) == Status.Ok;
        }

        /// <summary>The orientation in the glove's latest reading; false with the identity without one.</summary>
        public bool ReadImuRotation(int position, out Quat rotation)
        {
            return Native.Check(Native.tscore_reader_imu_rotation(handle, Gloves.Position(position), out rotation,
                                                                  new UIntPtr(4)),
                                Status.NoReading) == Status.Ok;
        }

        /// <summary>The device's latest sensor text; "" when there is none.</summary>
        public string SensorText(int position)
        {
            UIntPtr at = Gloves.Position(position);
            return Native.ReadText((byte[] b, UIntPtr s, out UIntPtr n) => Native.tscore_reader_sensor_text(handle, at, b, s, out n),
                                   Status.NoReading);
        }

        /// <summary>Releases the reader and its mappings.</summary>
        public void Dispose()
        {
            handle.Dispose();
        }
    }
}
