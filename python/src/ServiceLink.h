#pragma once

// The module's one ServiceReader: discovery (glove(), devices(), haptic_gloves()), the
// service's state, and the frame-rate reads of every device object (hand_pose(),
// imu_rotation(), sensor_text(), poses()). Each call locks the library mutex for its whole
// use of the reader, so that threads take turns with it as they do with the library.

#include "Bindings.h"
#include "DeviceRefs.h"

#include <cstdint>

namespace tscore_py
{
    /// The pose of the glove's latest complete reading, through the reader or (perCall) the
    /// glove's own GetHandPose; None when there is none.
    py::object HandPoseOf(GloveRef& g, TSCore::HandProfile* profile, HandModelObject* model, bool perCall);
    py::object IMURotationOf(GloveRef& g, bool perCall);
    py::object SensorTextOf(DeviceRef& d, bool perCall);

    /// One tick of glove.poses(): (state, sequence, pose). State 0: live, with the pose of the
    /// latest reading (None when it is not complete), its reading time, orientation, and is_new
    /// when its sequence is not lastSequence; 1: stale, no pose; 2: the stream ends.
    py::tuple StreamFrame(GloveRef& g, const TSCore::HandProfile* profile, const HandModelObject* model,
                          std::uint64_t lastSequence);

    void BindServiceLink(py::module_& m);
}
