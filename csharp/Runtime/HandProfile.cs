using System;

namespace TSCore
{
    /// <summary>The calibration profile an application keeps per user and hand, for both glove
    /// families; every glove reads and changes only its own part.</summary>
    public sealed class HandProfile : IDisposable, IEquatable<HandProfile>
    {
        internal readonly ProfileHandle Handle;

        private HandProfile(ProfileHandle handle)
        {
            Handle = handle;
        }

        /// <summary>The uncalibrated profile of that hand.</summary>
        public HandProfile(bool isRight)
        {
            Native.Check(Native.tscore_profile_create(isRight ? 1 : 0, out Handle));
        }

        /// <summary>A profile from its storage text; FormatException for a text that is not a stored profile.</summary>
        public static HandProfile FromStorage(string text)
        {
            ProfileHandle handle;
            Native.Check(Native.tscore_profile_from_text(Native.ToUtf8(text, "text"), out handle));
            return new HandProfile(handle);
        }

        /// <summary>A profile from a file (written by <see cref="Save"/> or `tscore calibrate`).</summary>
        public static HandProfile Load(string path)
        {
            ProfileHandle handle;
            Native.Check(Native.tscore_profile_load(Native.ToUtf8(path, "path"), out handle));
            return new HandProfile(handle);
        }

        /// <summary>The storage text.</summary>
        public string ToStorage()
        {
            return Native.ReadText((byte[] b, UIntPtr s, out UIntPtr n) => Native.tscore_profile_to_text(Handle, b, s, out n));
        }

        /// <summary>Writes the storage text, replacing the file only once it is written whole.</summary>
        public void Save(string path)
        {
            Native.Check(Native.tscore_profile_save(Handle, Native.ToUtf8(path, "path")));
        }

        /// <summary>Whether it is a right hand's profile.</summary>
        public bool IsRight
        {
            get
            {
                int right;
                Native.Check(Native.tscore_profile_is_right(Handle, out right));
                return right != 0;
            }
        }

        /// <summary>Whether the two hold the same numbers (within 1e-6).</summary>
        public bool Equals(HandProfile other)
        {
            if (other == null)
                return false;
            int equal;
            Native.Check(Native.tscore_profile_equals(Handle, other.Handle, out equal));
            return equal != 0;
        }

        /// <summary>See <see cref="Equals(HandProfile)"/>.</summary>
        public override bool Equals(object obj)
        {
            return Equals(obj as HandProfile);
        }

        /// <summary>Profiles are compared by value within a tolerance: no hash keeps to that.</summary>
        public override int GetHashCode()
        {
            return 0;
        }

        /// <summary>Releases the native profile.</summary>
        public void Dispose()
        {
            Handle.Dispose();
        }
    }
}
