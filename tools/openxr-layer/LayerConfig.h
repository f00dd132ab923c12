#pragma once

// Settings of the hand-tracking layer. Gloves measure the hand's orientation but not where it
// is, so the wrist is placed at a fixed offset in a reference space of the session.
//
// Read once per instance from a file of "key = value" lines ('#' starts a comment): the file
// named by TSCORE_XR_CONFIG, else $XDG_CONFIG_HOME/tscore/openxr-layer.conf (by default
// ~/.config/tscore/openxr-layer.conf) when it exists. An environment variable TSCORE_XR_<KEY>
// (key in upper case) overrides the file's value. Keys:
//   space         local | stage | view            reference space of the offsets (local)
//   right_offset  X Y Z                           right wrist in that space, metres (0.15 -0.3 -0.4)
//   left_offset   X Y Z                           left wrist (-0.15 -0.3 -0.4)
//   yaw           DEGREES                         turns the gloves' heading about the space's +Y (0)
//   right_profile FILE                            profile written by `tscore calibrate` (uncalibrated)
//   left_profile  FILE
// A value that cannot be read is reported on stderr and leaves the default in place. The file
// and the profiles must be regular files: a device or a pipe may never end.

#include <openxr/openxr.h>

#include <functional>
#include <string>

#include <TSCore/Hand/HandProfile.h>
#include <TSCore/Kinematics/Vect3D.h>

namespace TSCoreXR
{
    struct LayerConfig
    {
        XrReferenceSpaceType space = XR_REFERENCE_SPACE_TYPE_LOCAL;
        TSCore::Kinematics::Vect3D rightOffset{0.15f, -0.3f, -0.4f};
        TSCore::Kinematics::Vect3D leftOffset{-0.15f, -0.3f, -0.4f};
        float yawDegrees = 0.0f;
        TSCore::HandProfile rightProfile = TSCore::HandProfile::Default(true);
        TSCore::HandProfile leftProfile = TSCore::HandProfile::Default(false);

        /// Reads the file and the environment as described above. getenv is replaceable for tests.
        static LayerConfig Load(const std::function<const char*(const char*)>& getenv);

        /// Applies one "key = value" setting; false (and a message in error) when it is unknown
        /// or unreadable.
        bool Set(const std::string& key, const std::string& value, std::string& error);
    };
}
