#pragma once

#include <string>
#include <vector>

#include "TSCore/Export.h"
#include "TSCore/Kinematics/HandInterpolator.h"
#include "TSCore/Kinematics/Vect3D.h"
#include "TSCore/TS/TS_Solver.h"

namespace TSCore::TS
{
    /// Per-user calibration of the exoskeleton glove: how summed linkage angles map to hand
    /// joint angles, which solver runs, and the offset from each thimble to the fingertip.
    class TSCORE_API TS_HandProfile
    {
    public:
        bool isRight;
        Kinematics::HandInterpolator interpolator;
        /// Per finger, thimble to fingertip in the thimble's frame.
        std::vector<Kinematics::Vect3D> thimbleOffsets;
        TS_Solver solver;

        static constexpr Kinematics::Vect3D dThimbleOffset{5.0f, 0.0f, -8.0f};

        /// Right hand, an empty interpolator, five default offsets, the interpolation solver.
        TS_HandProfile();
        TS_HandProfile(bool isRight, Kinematics::HandInterpolator interpolator, TS_Solver solver,
                       std::vector<Kinematics::Vect3D> thimbleOffsets);

        /// The uncalibrated profile of a right or left hand.
        static TS_HandProfile Default(bool right);

        bool IsRight() const { return isRight; }

        bool Equals(TS_HandProfile other) const;

        /// {side}{solver}{{interpolator}}{offsets}
        std::string Serialize() const;
        /// Reads what Serialize writes; Default(true) for a short or unreadable text.
        static TS_HandProfile Deserialize(std::string text);
    };
}
