using System;
using System.Runtime.InteropServices;

namespace TSCore
{
    /// <summary>Base of the native handles: released exactly once, by Dispose or by the
    /// finalizer (the native destroy functions may run on the finalizer's thread).</summary>
    internal abstract class NativeHandle : SafeHandle
    {
        protected NativeHandle() : base(IntPtr.Zero, true)
        {
        }

        public override bool IsInvalid { get { return handle == IntPtr.Zero; } }
    }

    internal sealed class DeviceHandle : NativeHandle
    {
        protected override bool ReleaseHandle() { return Native.tscore_device_destroy(handle) == Status.Ok; }
    }

    internal sealed class ProfileHandle : NativeHandle
    {
        protected override bool ReleaseHandle() { return Native.tscore_profile_destroy(handle) == Status.Ok; }
    }

    internal sealed class PoseHandle : NativeHandle
    {
        protected override bool ReleaseHandle() { return Native.tscore_pose_destroy(handle) == Status.Ok; }
    }

    internal sealed class ReaderHandle : NativeHandle
    {
        protected override bool ReleaseHandle() { return Native.tscore_reader_destroy(handle) == Status.Ok; }
    }
}
