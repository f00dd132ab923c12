#pragma once

// The second model's pose path, from its sensor text to the wearer's hand, writing into storage
// the caller keeps from frame to frame, so a stream of frames allocates nothing once it has
// grown. Reading the text from the connection service is the device class's business.

#include <cstddef>
#include <string_view>
#include <vector>

#include "TSCore/Finger.h"
#include "TSCore/Hand/HandPose.h"
#include "TSCore/Kelvo/Kelvo_GloveInfo.h"
#include "TSCore/Kelvo/Kelvo_Profile.h"
#include "TSCore/Kelvo/Kelvo_SensorData.h"
#include "TSCore/Kinematics/BasicHandModel.h"

namespace TSCore::Kelvo::detail
{
    /// The glove has no sensor of its own for the little finger: it follows the ring finger.
    inline constexpr std::size_t ringSensor = 3;

    inline Kinematics::Vect3D EntryOrZero(const std::vector<Kinematics::Vect3D>& entries, std::size_t i)
    {
        return i < entries.size() ? entries[i] : Kinematics::Vect3D::zero;
    }

    /// Five per-finger calibration values: entries 0 to 3 (zero where missing), then the ring
    /// finger's again for the little finger.
    inline void CalibrationValues(const Kelvo_SensorData& data, Kinematics::Vect3D (&values)[fingerCount])
    {
        for (std::size_t f = 0; f <= ringSensor; ++f)
            values[f] = EntryOrZero(data.sensorAngles, f);
        values[ringSensor + 1] = values[ringSensor];
    }

    /// "t0;t1|i0|m0|r0:x;y;z;w": per entry its first two readings as whole numbers, counting at
    /// most three readings an entry; the orientation times the glove's correction. A reading
    /// beyond the float range anywhere makes the whole text unreadable: out becomes Empty() and
    /// the reason is logged.
    void ReadSensors(std::string_view text, const Kelvo_GloveInfo& info, Kelvo_SensorData& out);

    /// The hand of a reading: thumb, index, middle and ring from their own entries, the little
    /// finger's angles from its own sets applied to the ring finger's entry; forward kinematics
    /// over the model, the thumb from the profile's start rotation, the little finger's chain on
    /// the ring finger's angles. Entries the reading lacks count as zero vectors.
    void SolveHand(const Kinematics::BasicHandModel& model, const Kelvo_SensorData& data, const Kelvo_Profile& profile,
                   HandPose& out);
}
