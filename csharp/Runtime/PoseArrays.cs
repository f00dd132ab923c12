using System;
using System.Runtime.InteropServices;

namespace TSCore
{
    /// <summary>A pose's four arrays, made once and kept pinned, so that
    /// <see cref="HandPose.CopyTo(PoseArrays)"/> hands the native library their addresses instead of
    /// having each array marshalled on every call (the cheapest way to read a whole pose per frame).
    /// Dispose it when done; read the arrays in place.</summary>
    public sealed class PoseArrays : IDisposable
    {
        /// <summary>[digit 5][joint 3][twist, flexion, spread], radians.</summary>
        public readonly float[] Angles = new float[HandPose.AngleCount];
        /// <summary>[digit 5][3 joints, then the tip][x, y, z], millimetres.</summary>
        public readonly float[] Positions = new float[HandPose.PositionCount];
        /// <summary>[digit 5][3 joints, then the tip][x, y, z, w].</summary>
        public readonly float[] Rotations = new float[HandPose.RotationCount];
        /// <summary>Per digit, 0 stretched to 1 fully flexed, not clamped.</summary>
        public readonly float[] Flexion = new float[HandPose.FlexionCount];

        private GCHandle[] pins;

        /// <summary>The four arrays, pinned until Dispose.</summary>
        public PoseArrays()
        {
            pins = new[]
            {
                GCHandle.Alloc(Angles, GCHandleType.Pinned), GCHandle.Alloc(Positions, GCHandleType.Pinned),
                GCHandle.Alloc(Rotations, GCHandleType.Pinned), GCHandle.Alloc(Flexion, GCHandleType.Pinned),
            };
        }

        /// <summary>The pinned address of array i (0 angles, 1 positions, 2 rotations, 3 flexion).</summary>
        internal IntPtr Address(int i)
        {
            if (pins == null)
                throw new ObjectDisposedException("PoseArrays");
            return pins[i].AddrOfPinnedObject();
        }

        /// <summary>Unpins the arrays; they stay readable.</summary>
        public void Dispose()
        {
            Unpin();
            GC.SuppressFinalize(this);
        }

        /// <summary>Unpins the arrays of an object nobody disposed.</summary>
        ~PoseArrays()
        {
            Unpin();
        }

        private void Unpin()
        {
            if (pins == null)
                return;
            foreach (GCHandle pin in pins)
                pin.Free();
            pins = null;
        }
    }
}
