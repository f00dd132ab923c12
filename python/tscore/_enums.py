"""The library's enumerations as IntEnums (every call that takes one also takes its int), and the
service's state by name."""

from __future__ import annotations

import enum
from typing import Union


class Finger(enum.IntEnum):
    """The five digits, thumb first; every per-finger array is indexed by it. TSCore::Finger."""

    THUMB = 0
    INDEX = 1
    MIDDLE = 2
    RING = 3
    PINKY = 4


class DeviceType(enum.IntEnum):
    """Kind of a device. TSCore::DeviceType."""

    UNKNOWN = -2
    BETA_DEVICE = -1
    TESSARA = 0
    KELVO = 2


class ConnectionType(enum.IntEnum):
    """How the service reaches a device. TSCore::TSDevice::ConnectionType."""

    UNKNOWN = -1
    SERIAL = 0
    BLUETOOTH = 1
    USB = 2
    WIRELESS = 3


class DebugLevel(enum.IntEnum):
    """Logging threshold: a line is printed when its level is at most this.
    TSCore::Diagnostics::DebugLevel."""

    OFF = 0
    ERRORS = 1
    WARNINGS = 2
    VERBOSE = 3


class ThumperEffect(enum.IntEnum):
    """Effect codes of the exoskeleton glove's thumper (firmware 4.7 and later).
    TSCore::Haptics::TS_ThumperCmd."""

    TAP = 1
    DOUBLE_TAP = 2
    KNOCK = 3
    PULSE = 4
    LONG_PULSE = 5
    RUMBLE = 6
    NONE = 126


class ServiceState(str, enum.Enum):
    """The connection service by the age of its time stamp, which it writes every second: the
    one rule of every tool. Compares equal to its name. TSCore::ServiceReader::ServiceState."""

    RUNNING = "running"  #: stamp less than 3 s old
    STALE = "stale"  #: segments there, stamp 3 s old or more (not updating)
    STOPPED = "stopped"  #: segments gone, no readable stamp, or stamp 10 s old or more


def member(name: str, value: int) -> Union[enum.IntEnum, int]:
    """The member of enum `name` with this value; the plain int when there is none."""
    try:
        return globals()[name](value)  # type: ignore[no-any-return]
    except ValueError:
        return value
