#pragma once

#include <string>
#include <vector>

#include "TSCore/Export.h"

namespace TSCore::Haptics
{
    /// Base of the per-finger commands: one level per finger (thumb first), in percent.
    /// Constructors store what they are given; only SetLevel passes a value through Validate.
    class TSCORE_API TS_FingerCmd
    {
    protected:
        // Declared first: it takes the first slot of the virtual table, ahead of the public
        // operations. The base class accepts any level; the derived commands clamp to their range.
        virtual int Validate(int level) const;

    public:
        /// One level per finger, indexed by Finger. Every constructor leaves five entries;
        /// the operations below also cope with a list that was resized afterwards.
        std::vector<int> levels;

        TS_FingerCmd(const TS_FingerCmd& other) = default;
        TS_FingerCmd(TS_FingerCmd&& other) noexcept = default;
        TS_FingerCmd& operator=(const TS_FingerCmd& other) = default;
        TS_FingerCmd& operator=(TS_FingerCmd&& other) noexcept = default;
        ~TS_FingerCmd() = default;

        /// A copy of the levels.
        virtual std::vector<int> GetLevels() const;
        /// The level of a finger (0 to 4); 0 for any other index.
        virtual int GetLevel(int finger) const;
        /// Stores Validate(level) for a finger (0 to 4); any other index is ignored.
        virtual void SetLevel(int finger, int level);
        /// Compares the levels at every index of other's list; the classes are not compared.
        virtual bool Equals(TS_FingerCmd other) const;
        /// "[l0, l1, l2, l3, l4]"
        virtual std::string ToString() const;

    protected:
        /// Levels 0, 0, 0, 0, 0.
        TS_FingerCmd();
        explicit TS_FingerCmd(std::vector<int> levels);

        /// Five zeros with the first (at most five) entries of values copied over them.
        static std::vector<int> FiveLevels(const std::vector<int>& values);
    };
}
