#pragma once

#include <string>

#include <TSCore/Devices/HapticGlove.h>
#include <TSCore/Hand/HandPose.h>
#include <TSCore/Hand/HandProfile.h>

namespace TSCoreBridge
{
    /// The hand pose of a sensor text that the caller has read already, computed as the
    /// glove's own GetHandPose computes it from the text it reads (on the default hand model of
    /// the glove's side). False, with the idle hand, when the reading is incomplete or the
    /// device is of no known glove family.
    bool HandPoseFromText(TSCore::HapticGlove& glove, const std::string& text, const TSCore::HandProfile& profile,
                          TSCore::HandPose& out);
}
