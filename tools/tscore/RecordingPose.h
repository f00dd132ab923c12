#pragma once

// The hand pose of a glove in a recording, computed from its recorded record and sensor text
// through the library's public parsers and solvers, without a service.

#include <optional>
#include <string>

#include <TSCore/Hand/HandPose.h>
#include <TSCore/Hand/HandProfile.h>
#include <TSCore/Kinematics/Quat.h>

#include "RecordingFile.h"

namespace TSCoreCli
{
    struct RecordedPose
    {
        TSCore::HandPose pose;
        std::string caption; ///< "Tessara QX7.2-R0001 (right, device0) at 2.500 s of FILE"
        bool imu = false;
        TSCore::Kinematics::Quat orientation;
    };

    /// The pose of the recording's first glove (or glove `device`, counted as `tscore list`
    /// counts them) at its last text at or before `at` seconds, the last one when `at` is
    /// empty. The profile given, or the default one of the glove's side. False with a message
    /// that says what is missing.
    bool PoseFromRecording(const TSCoreLink::RecordingFile& recording, const std::string& name,
                           std::optional<double> at, int device, const std::optional<TSCore::HandProfile>& profile,
                           RecordedPose& out, std::string& error);
}
