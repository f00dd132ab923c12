#include "TSCore/Haptics/TS_FingerCmd.h"

#include <cstddef>
#include <utility>

#include "TSCore/Finger.h"

namespace TSCore::Haptics
{
    namespace
    {
        // levels is public and may have been resized, so an index is valid only when it
        // names a finger and the list has that entry.
        bool HasLevel(const std::vector<int>& levels, int finger) noexcept
        {
            return finger >= 0 && finger < fingerCount && static_cast<std::size_t>(finger) < levels.size();
        }
    }

    TS_FingerCmd::TS_FingerCmd() : levels(fingerCount, 0) {}

    TS_FingerCmd::TS_FingerCmd(std::vector<int> values) : levels(std::move(values)) {}

    std::vector<int> TS_FingerCmd::FiveLevels(const std::vector<int>& values)
    {
        std::vector<int> five(fingerCount, 0);
        for (std::size_t i = 0; i < five.size() && i < values.size(); ++i)
            five[i] = values[i];
        return five;
    }

    std::vector<int> TS_FingerCmd::GetLevels() const { return levels; }

    int TS_FingerCmd::GetLevel(int finger) const
    {
        return HasLevel(levels, finger) ? levels[static_cast<std::size_t>(finger)] : 0;
    }

    void TS_FingerCmd::SetLevel(int finger, int level)
    {
        if (HasLevel(levels, finger))
            levels[static_cast<std::size_t>(finger)] = Validate(level);
    }

    int TS_FingerCmd::Validate(int level) const { return level; }

    bool TS_FingerCmd::Equals(TS_FingerCmd other) const
    {
        // A level this command lacks reads as 0, as in every other operation.
        for (std::size_t i = 0; i < other.levels.size(); ++i)
            if ((i < levels.size() ? levels[i] : 0) != other.levels[i])
                return false;
        return true;
    }

    std::string TS_FingerCmd::ToString() const
    {
        std::string s = "[";
        for (std::size_t i = 0; i < levels.size(); ++i)
        {
            if (i > 0)
                s += ", ";
            s += std::to_string(levels[i]);
        }
        s += ']';
        return s;
    }
}
