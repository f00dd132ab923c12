using System;

namespace TSCore
{
    /// <summary>A device the service announces. Dispose it when done (the finalizer does otherwise).</summary>
    public class Device : IDisposable
    {
        internal readonly DeviceHandle Handle;

        internal Device(DeviceHandle handle)
        {
            Handle = handle;
        }

        internal static Device Wrap(DeviceHandle handle)
        {
            DeviceInfo info;
            Status status = Native.tscore_device_get_info(handle, out info);
            if (status != Status.Ok)
            {
                Exception e = Native.ToException(status, Native.LastError());
                handle.Dispose();
                throw e;
            }
            return info.Side != Side.None ? new Glove(handle) : new Device(handle);
        }

        /// <summary>What the device says about itself now (its connection read afresh).</summary>
        public DeviceInfo Info
        {
            get
            {
                DeviceInfo info;
                Native.Check(Native.tscore_device_get_info(Handle, out info));
                return info;
            }
        }

        /// <summary>"device0", ...: its name in shared memory.</summary>
        public string Key
        {
            get { return Native.ReadText((byte[] b, UIntPtr s, out UIntPtr n) => Native.tscore_device_key(Handle, b, s, out n)); }
        }

        /// <summary>Its identity, e.g. "QX7.2-R0001"; "N\A" when it has none.</summary>
        public string Id
        {
            get { return Native.ReadText((byte[] b, UIntPtr s, out UIntPtr n) => Native.tscore_device_id(Handle, b, s, out n)); }
        }

        /// <summary>Its hardware version; "N\A" when it has none.</summary>
        public string Hardware
        {
            get { return Native.ReadText((byte[] b, UIntPtr s, out UIntPtr n) => Native.tscore_device_hardware(Handle, b, s, out n)); }
        }

        /// <summary>"Tessara QX7.2-R0001", "Kelvo KV1-L0001", ...</summary>
        public string Name
        {
            get { return Native.ReadText((byte[] b, UIntPtr s, out UIntPtr n) => Native.tscore_device_name(Handle, b, s, out n)); }
        }

        /// <summary>Its latest sensor text; "" when the service publishes none.</summary>
        public string SensorText
        {
            get
            {
                return Native.ReadText((byte[] b, UIntPtr s, out UIntPtr n) => Native.tscore_device_sensor_text(Handle, b, s, out n),
                                       Status.NoReading);
            }
        }

        /// <summary>Releases the native handle.</summary>
        public void Dispose()
        {
            Handle.Dispose();
        }

        /// <summary>The device's name.</summary>
        public override string ToString()
        {
            return Handle.IsClosed ? "disposed device" : Name;
        }
    }
}
