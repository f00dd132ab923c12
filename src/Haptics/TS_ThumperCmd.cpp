#include "TSCore/Haptics/TS_ThumperCmd.h"

namespace TSCore::Haptics
{
    namespace
    {
        constexpr bool FitsCommandByte(TS_ThumperCmd code) noexcept
        {
            const int v = static_cast<int>(code);
            // One byte, not 0 (a reader of the frame may stop there) and not a frame brace.
            return v > 0 && v < 256 && v != '{' && v != '}';
        }
    }

    static_assert(static_cast<int>(TS_ThumperCmd::None) == 126, "None is the glove's no-effect code");
    static_assert(FitsCommandByte(TS_ThumperCmd::Tap) && FitsCommandByte(TS_ThumperCmd::DoubleTap) &&
                      FitsCommandByte(TS_ThumperCmd::Knock) && FitsCommandByte(TS_ThumperCmd::Pulse) &&
                      FitsCommandByte(TS_ThumperCmd::LongPulse) && FitsCommandByte(TS_ThumperCmd::Rumble) &&
                      FitsCommandByte(TS_ThumperCmd::None),
                  "every thumper code travels as one byte of the command frame");
}
