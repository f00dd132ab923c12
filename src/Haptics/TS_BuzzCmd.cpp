#include "TSCore/Haptics/TS_BuzzCmd.h"

#include <algorithm>
#include <utility>

#include "TSCore/Kinematics/Values.h"

namespace TSCore::Haptics
{
    int TS_BuzzCmd::buzzMin = 0;
    int TS_BuzzCmd::buzzMax = 100;

    // Dynamically initialised (the levels live in a vector); nothing in the library reads it
    // before main, and an application's statics are initialised after the library's.
    const TS_BuzzCmd TS_BuzzCmd::off(0, 0, 0, 0, 0);

    TS_BuzzCmd::TS_BuzzCmd() : TS_FingerCmd() {}

    TS_BuzzCmd::TS_BuzzCmd(int thumb, int index, int middle, int ring, int pinky)
        : TS_FingerCmd(std::vector<int>{thumb, index, middle, ring, pinky})
    {
    }

    TS_BuzzCmd::TS_BuzzCmd(std::vector<int> values) : TS_FingerCmd(FiveLevels(values)) {}

    TS_BuzzCmd::TS_BuzzCmd(Finger finger, int level) : TS_FingerCmd()
    {
        const int f = static_cast<int>(finger);
        if (f >= 0 && f < fingerCount)
            levels[static_cast<std::size_t>(f)] = level;
    }

    int TS_BuzzCmd::Validate(int level) const { return Kinematics::Values::Clamp(level, buzzMin, buzzMax); }

    TS_BuzzCmd TS_BuzzCmd::Merge(TS_BuzzCmd other) const
    {
        TS_BuzzCmd merged;
        for (int i = 0; i < fingerCount; ++i)
            merged.levels[static_cast<std::size_t>(i)] = std::max(GetLevel(i), other.GetLevel(i));
        return merged;
    }

    TS_BuzzCmd TS_BuzzCmd::Copy() const
    {
        return TS_BuzzCmd(GetLevel(0), GetLevel(1), GetLevel(2), GetLevel(3), GetLevel(4));
    }
}
