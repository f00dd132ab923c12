"""TSCore for Python: find the haptic gloves a connection service publishes, read hand poses as
numpy arrays, calibrate profiles, send haptics, and compute poses offline from recorded texts
(read_recording reads a `tscore record` file).

    import tscore
    glove = tscore.glove()
    if glove is not None:
        for pose in glove.poses(rate=30, seconds=2):
            print(pose.reading_time, pose.is_new, pose.flexion)

Discovery and the frame-rate reads (hand_pose, imu_rotation, sensor_text, poses) go through one
ServiceReader the module keeps mapped; per_call=True reads as the library's own per-call path.
Calls that read shared memory or compute a pose release the GIL. Neither the library nor the
reader is thread-safe, so the module lets one call into them at a time (one lock); threads still
overlap their own Python work with each other's library calls. A call that can fail returns None;
bad arguments raise TypeError or ValueError. Log lines (set_debug_level) go to sys.stdout.
tscore.Retargeter drives a URDF robot hand from hand poses (when libTSCoreRetarget was built).
"""

from __future__ import annotations

from typing import TYPE_CHECKING

from . import _tscore
from ._enums import ConnectionType, DebugLevel, DeviceType, Finger, ServiceState, ThumperEffect
from ._poses import poses as _poses
from ._recording import RecordedDevice, read_recording
from ._retarget import retargeter as _retargeter
from ._tscore import (
    OPENXR_JOINT_NAMES,
    BetaDevice,
    Device,
    Glove,
    HandModel,
    HandPose,
    HandProfile,
    Kelvo,
    KelvoGloveInfo,
    KelvoSensorData,
    Tessara,
    TSGloveInfo,
    TSGlovePose,
    TSSensorData,
    devices,
    dispose,
    glove,
    haptic_gloves,
    kelvo,
    kelvos,
    reinitialize,
    service_running,
    service_stamp_age,
    service_state,
    set_debug_level,
    tessara,
    tessaras,
    to_euler,
    version,
)

Glove.poses = _poses  # type: ignore[assignment]
if TYPE_CHECKING:
    from ._tscore import Retargeter
else:
    Retargeter = _retargeter(_tscore)


def debug_level() -> DebugLevel:
    """The logging threshold. Reads Debugger::debugLevel."""
    return DebugLevel(_tscore.debug_level())


__all__ = [
    "OPENXR_JOINT_NAMES",
    "BetaDevice",
    "ConnectionType",
    "DebugLevel",
    "Device",
    "DeviceType",
    "Finger",
    "Glove",
    "HandModel",
    "HandPose",
    "HandProfile",
    "Kelvo",
    "KelvoGloveInfo",
    "KelvoSensorData",
    "RecordedDevice",
    "Retargeter",
    "ServiceState",
    "Tessara",
    "ThumperEffect",
    "TSGloveInfo",
    "TSGlovePose",
    "TSSensorData",
    "debug_level",
    "devices",
    "dispose",
    "glove",
    "haptic_gloves",
    "kelvo",
    "kelvos",
    "read_recording",
    "reinitialize",
    "service_running",
    "service_stamp_age",
    "service_state",
    "set_debug_level",
    "tessara",
    "tessaras",
    "to_euler",
    "version",
]
