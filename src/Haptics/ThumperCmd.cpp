#include "TSCore/Haptics/ThumperCmd.h"

namespace TSCore::Haptics
{
    int ThumperCmd::thmpMin = 0;
    int ThumperCmd::thmpMax = 100;

    static_assert(ThumperCmd::off.magnitude == 0, "off must be constant-initialised");
}
