using System;

namespace TSCore
{
    /// <summary>A failure of the native library that no standard exception describes better
    /// (no such glove, nothing sent, the library's own failure). Argument faults raise
    /// ArgumentException and its kin, disposed objects ObjectDisposedException, files
    /// IOException, texts of the wrong kind FormatException.</summary>
    public class TSCoreException : Exception
    {
        /// <summary>A failure with the native status and its message.</summary>
        public TSCoreException(Status status, string message) : base(message)
        {
            Status = status;
        }

        /// <summary>The native status.</summary>
        public Status Status { get; private set; }
    }
}
