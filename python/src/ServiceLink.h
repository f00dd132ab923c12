#pragma once

// The module's one ServiceReader: discovery (glove(), devices(), haptic_gloves()), the
// service's state, and the frame-rate reads of every device object (hand_pose(),
// imu_rotation(), sensor_text(), poses()). Each call locks the library mutex for its whole
// use of the reader, so that threads take turns with it as they do with the library.

#include "Bindings.h"
#include "DeviceRefs.h"

#include <cstdint>
#include <memory>

namespace tscore_py
{
    /// The pose of the glove's latest complete reading, through the reader or (perCall) the
    /// glove's own GetHandPose; None when there is none.
    py::object HandPoseOf(GloveRef& g, TSCore::HandProfile* profile, HandModelObject* model, bool perCall);
    py::object IMURotationOf(GloveRef& g, bool perCall);
    py::object SensorTextOf(DeviceRef& d, bool perCall);

    /// What one stream of poses keeps between its ticks: the reader's object of the glove when
    /// the stream began, and the sequence of the reading it last yielded as new.
    struct StreamCursor
    {
        std::weak_ptr<TSCore::TSDevice> entry;
        bool started = false;
        std::uint64_t sequence = 0;
    };

    /// One tick of glove.poses(): (state, pose). State 0: live, with the pose of the latest
    /// reading (None when it is not complete), stamped with its reading time and orientation,
    /// is_new when the cursor has not yielded it; 1: stale, no pose; 2: the stream ends (the
    /// glove is gone or disconnected, the service stopped or restarted).
    py::tuple StreamFrame(GloveRef& g, const TSCore::HandProfile* profile, const HandModelObject* model,
                          StreamCursor& cursor);

    void BindServiceLink(py::module_& m);
}
