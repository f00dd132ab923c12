#pragma once

#include <vector>

#include "TSCore/Export.h"
#include "TSCore/Finger.h"
#include "TSCore/Haptics/TS_FingerCmd.h"

namespace TSCore::Haptics
{
    /// Force-feedback level per finger: 0 lets the finger move freely, 100 is full force.
    class TSCORE_API TS_FFBCmd : public TS_FingerCmd
    {
    public:
        /// The five levels in finger order, stored unchecked.
        TS_FFBCmd(int thumb, int index, int middle, int ring, int pinky);
        /// Five zeros, then the first (at most five) entries of levels; not checked.
        explicit TS_FFBCmd(std::vector<int> levels);
        /// Five zeros and level for one finger; not checked.
        TS_FFBCmd(Finger finger, int level);

        TS_FFBCmd(const TS_FFBCmd& other) = default;
        TS_FFBCmd(TS_FFBCmd&& other) noexcept = default;
        TS_FFBCmd& operator=(const TS_FFBCmd& other) = default;
        TS_FFBCmd& operator=(TS_FFBCmd&& other) noexcept = default;
        ~TS_FFBCmd() = default;

        /// The same five levels, unclamped.
        virtual TS_FFBCmd Copy() const;
        /// Per finger the larger level of the two commands.
        TS_FFBCmd Merge(TS_FFBCmd other) const;

        /// All levels 0.
        static const TS_FFBCmd off;

    protected:
        TS_FFBCmd();

        int Validate(int level) const override;

        static int ffbMin;
        static int ffbMax;
    };
}
