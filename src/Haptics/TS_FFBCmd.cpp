#include "TSCore/Haptics/TS_FFBCmd.h"

#include <algorithm>
#include <utility>

#include "TSCore/Kinematics/Values.h"

namespace TSCore::Haptics
{
    int TS_FFBCmd::ffbMin = 0;
    int TS_FFBCmd::ffbMax = 100;

    // Dynamically initialised (the levels live in a vector); nothing in the library reads it
    // before main, and an application's statics are initialised after the library's.
    const TS_FFBCmd TS_FFBCmd::off(0, 0, 0, 0, 0);

    TS_FFBCmd::TS_FFBCmd() : TS_FingerCmd() {}

    TS_FFBCmd::TS_FFBCmd(int thumb, int index, int middle, int ring, int pinky)
        : TS_FingerCmd(std::vector<int>{thumb, index, middle, ring, pinky})
    {
    }

    TS_FFBCmd::TS_FFBCmd(std::vector<int> values) : TS_FingerCmd(FiveLevels(values)) {}

    TS_FFBCmd::TS_FFBCmd(Finger finger, int level) : TS_FingerCmd()
    {
        const int f = static_cast<int>(finger);
        if (f >= 0 && f < fingerCount)
            levels[static_cast<std::size_t>(f)] = level;
    }

    int TS_FFBCmd::Validate(int level) const { return Kinematics::Values::Clamp(level, ffbMin, ffbMax); }

    TS_FFBCmd TS_FFBCmd::Copy() const
    {
        return TS_FFBCmd(GetLevel(0), GetLevel(1), GetLevel(2), GetLevel(3), GetLevel(4));
    }

    TS_FFBCmd TS_FFBCmd::Merge(TS_FFBCmd other) const
    {
        TS_FFBCmd merged;
        for (int i = 0; i < fingerCount; ++i)
            merged.levels[static_cast<std::size_t>(i)] = std::max(GetLevel(i), other.GetLevel(i));
        return merged;
    }
}
