#pragma once

#include <vector>

#include "TSCore/Export.h"
#include "TSCore/Finger.h"
#include "TSCore/Haptics/TS_FingerCmd.h"

namespace TSCore::Haptics
{
    /// Vibration level per finger: 0 is off, 100 full vibration.
    class TSCORE_API TS_BuzzCmd : public TS_FingerCmd
    {
    public:
        /// All levels 0.
        TS_BuzzCmd();
        /// The five levels in finger order, stored unchecked.
        TS_BuzzCmd(int thumb, int index, int middle, int ring, int pinky);
        /// Five zeros, then the first (at most five) entries of levels; not checked.
        explicit TS_BuzzCmd(std::vector<int> levels);
        /// Five zeros and level for one finger; not checked.
        TS_BuzzCmd(Finger finger, int level);

        TS_BuzzCmd(const TS_BuzzCmd& other) = default;
        TS_BuzzCmd(TS_BuzzCmd&& other) noexcept = default;
        TS_BuzzCmd& operator=(const TS_BuzzCmd& other) = default;
        TS_BuzzCmd& operator=(TS_BuzzCmd&& other) noexcept = default;
        ~TS_BuzzCmd() = default;

        /// Per finger the larger level of the two commands.
        virtual TS_BuzzCmd Merge(TS_BuzzCmd other) const;
        /// The same five levels, unclamped.
        virtual TS_BuzzCmd Copy() const;

        /// All levels 0.
        static const TS_BuzzCmd off;

    protected:
        int Validate(int level) const override;

        static int buzzMin;
        static int buzzMax;
    };
}
