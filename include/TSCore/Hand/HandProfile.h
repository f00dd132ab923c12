#pragma once

#include <string>

#include "TSCore/Export.h"
#include "TSCore/Kelvo/Kelvo_Profile.h"
#include "TSCore/TS/TS_HandProfile.h"

namespace TSCore
{
    /// The calibration profile an application keeps per user and hand. It carries the part of
    /// each glove family; every glove reads and changes only its own part.
    class TSCORE_API HandProfile
    {
    public:
        bool isRight;
        TS::TS_HandProfile tsProfile;
        Kelvo::Kelvo_Profile kelvoProfile;

        /// The side is not propagated into the parts, which keep their own.
        HandProfile(bool isRight, TS::TS_HandProfile tsProfile, Kelvo::Kelvo_Profile kelvoProfile);

        /// The uncalibrated profile of both glove families for a right or left hand.
        static HandProfile Default(bool right);

        bool Equals(HandProfile other) const;

        /// {R|L}{exoskeleton part}{second-model part}
        std::string Serialize() const;
        /// Reads what Serialize writes; Default of the side read so far when the text is unreadable.
        static HandProfile Deserialize(std::string text);
    };
}
