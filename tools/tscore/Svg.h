#pragma once

// A hand pose as an SVG picture: a view from above (x-y) and an oblique one from the side
// (x-z, raised a little so that the fingers of an open hand do not fall on one line) of the
// joint positions, bones as lines, joints as dots, one colour per finger, the side, the
// orientation and a scale bar.

#include <optional>
#include <string>

#include <TSCore/Hand/HandPose.h>
#include <TSCore/Kinematics/Quat.h>

namespace TSCoreCli
{
    struct SvgOptions
    {
        std::string caption; ///< where the pose came from; escaped for XML
        std::optional<TSCore::Kinematics::Quat> orientation;
        /// Scale to the pose; otherwise every picture shares one scale (a pose too large for it
        /// is fitted all the same, and the picture says so).
        bool fit = false;
    };

    /// The whole document, from the XML declaration to the closing </svg> and a newline.
    std::string RenderPoseSvg(const TSCore::HandPose& pose, const SvgOptions& options);
}
