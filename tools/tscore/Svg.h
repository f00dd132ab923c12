#pragma once

// A hand pose as an SVG picture: a view from above (x-y) and one from the side (x-z) of the
// joint positions, bones as lines, joints as dots, one colour per finger, the side labelled.

#include <string>

#include <TSCore/Hand/HandPose.h>

namespace TSCoreCli
{
    /// The whole document, from the XML declaration to the closing </svg> and a newline.
    /// caption names where the pose came from; it is escaped for XML.
    std::string RenderPoseSvg(const TSCore::HandPose& pose, const std::string& caption);
}
