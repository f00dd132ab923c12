#pragma once

namespace TSCore::Haptics
{
    /// Effect codes of the exoskeleton glove's thumper, sent to the glove as one raw byte
    /// each and never interpreted by the library. No code uses 0 or the brace bytes of the
    /// command frame.
    enum class TS_ThumperCmd : int
    {
        Tap = 1,
        DoubleTap = 2,
        Knock = 3,
        Pulse = 4,
        LongPulse = 5,
        Rumble = 6,
        /// No thumper effect; sent whenever a caller gives no code.
        None = 126,
    };
}
