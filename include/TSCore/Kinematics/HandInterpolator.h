#pragma once

#include <string>
#include <vector>

#include "TSCore/Export.h"
#include "TSCore/Finger.h"
#include "TSCore/Kinematics/FingerMovement.h"
#include "TSCore/Kinematics/InterpolationSet.h"
#include "TSCore/Kinematics/Quat.h"
#include "TSCore/Kinematics/ThumbMovement.h"
#include "TSCore/Kinematics/Vect3D.h"

namespace TSCore::Kinematics
{
    /// Distributes a digit's total flexion and sideways angle over its three joints, one
    /// InterpolationSet per joint movement, and carries the start rotation of the thumb chain.
    class TSCORE_API HandInterpolator
    {
    public:
        /// Start rotation that hand-pose computations give the thumb's first joint.
        Quat thumbStartRotation;
        /// Per digit (thumb first) its sets, indexed by ThumbMovement / FingerMovement.
        std::vector<std::vector<InterpolationSet>> interpolationSets;

        /// Identity rotation, five empty lists of sets.
        HandInterpolator();
        explicit HandInterpolator(std::vector<std::vector<InterpolationSet>> sets);
        HandInterpolator(std::vector<std::vector<InterpolationSet>> sets, Quat rotation);
        HandInterpolator(const HandInterpolator& other) = default;
        HandInterpolator& operator=(const HandInterpolator& other) = default;
        HandInterpolator(HandInterpolator&& other) noexcept = default;
        HandInterpolator& operator=(HandInterpolator&& other) noexcept = default;

        /// The uncalibrated profile of a right or left hand.
        static HandInterpolator Default(bool right);

        /// The set's output (clamped) for value; 0 when the digit or movement is not in the table.
        float CalculateAngle(Finger finger, int movement, float value) const;
        float CalculateAngle(Finger finger, FingerMovement movement, float value) const;
        float CalculateAngle(Finger finger, ThumbMovement movement, float value) const;

        /// Joint angles (three triples) of one finger from its sensor angles (y flexion, z spread).
        static std::vector<Vect3D> InterpolateFingerAngles(Finger finger, const HandInterpolator& interpolator,
                                                           Vect3D sensorAngles);
        /// Joint angles (three triples) of the thumb.
        static std::vector<Vect3D> InterpolateThumbAngles(const HandInterpolator& interpolator, Vect3D sensorAngles);
        /// The whole hand: five lists of three triples. Missing sensor entries read as zero.
        static std::vector<std::vector<Vect3D>> InterpolateHandAngles(const HandInterpolator& interpolator,
                                                                      std::vector<Vect3D> sensorAngles);

        bool Equals(HandInterpolator other) const;

        /// {{{set}{set}...}{...}...}{x;y;z;w}
        std::string Serialize() const;
        /// Reads what Serialize writes; Default(true) for an unreadable text.
        static HandInterpolator Deserialize(std::string text);
    };
}
