using System;

namespace TSCore
{
    /// <summary>The entry point: the library's version, the service's state, and the devices and
    /// gloves the service announces. Call the library from one thread at a time.</summary>
    public static class Gloves
    {
        /// <summary>The C interface version this package was written for.</summary>
        public const int AbiVersion = 1;

        /// <summary>"TSCore C++ Library v1.1.1". Throws InvalidOperationException when the native
        /// library's C interface is not the one this package was written for.</summary>
        public static string Version
        {
            get
            {
                int loaded = Native.tscore_abi_version();
                if (loaded != AbiVersion)
                    throw new InvalidOperationException("the native tscore_c library has C interface version " +
                                                        loaded + ", this package needs " + AbiVersion);
                return Native.ReadText(Native.tscore_version);
            }
        }

        /// <summary>The service's state now (one look at shared memory).</summary>
        public static ServiceStatus ReadServiceStatus()
        {
            ServiceStatus status;
            Native.Check(Native.tscore_service_status_read(out status));
            return status;
        }

        /// <summary>Looks for new devices, then gives the number known. Devices are kept in
        /// discovery order for the life of the process, until <see cref="ResetDeviceList"/>.</summary>
        public static int DeviceCount()
        {
            UIntPtr count;
            Native.Check(Native.tscore_device_count(out count));
            return (int)count;
        }

        /// <summary>Device number index of that list: a <see cref="Glove"/> when it is one.</summary>
        public static Device OpenDevice(int index)
        {
            DeviceHandle handle;
            Native.Check(Native.tscore_device_open(Position(index), out handle));
            return Device.Wrap(handle);
        }

        /// <summary>The number of gloves among the devices, connected or not.</summary>
        public static int GloveCount()
        {
            UIntPtr count;
            Native.Check(Native.tscore_glove_count(out count));
            return (int)count;
        }

        /// <summary>Glove number index among the gloves, connected or not.</summary>
        public static Glove OpenGlove(int index)
        {
            DeviceHandle handle;
            Native.Check(Native.tscore_glove_open(Position(index), out handle));
            return (Glove)Device.Wrap(handle);
        }

        /// <summary>The first connected glove of that side; null when there is none.</summary>
        public static Glove FirstGlove(Side side = Side.Any)
        {
            DeviceHandle handle;
            if (Native.Check(Native.tscore_glove_open_first((int)side, out handle), Status.NotFound) != Status.Ok)
            {
                handle.Dispose();
                return null;
            }
            return (Glove)Device.Wrap(handle);
        }

        /// <summary>Forgets every known device (after the service restarted); open objects stay usable.</summary>
        public static void ResetDeviceList()
        {
            Native.Check(Native.tscore_device_list_reset());
        }

        internal static UIntPtr Position(int index)
        {
            if (index < 0)
                throw new ArgumentOutOfRangeException("index", index, "an index is 0 or more");
            return new UIntPtr((uint)index);
        }
    }
}
