"""Hand poses at a steady rate, as an iterator."""

from __future__ import annotations

import copy
import math
import time
from collections.abc import Iterator
from typing import Optional

from . import _tscore

# The states of one tick, as Glove._frame gives them; any other ends the stream.
_LIVE, _STALE = 0, 1


def _positive(name: str, value: Optional[float], allow_none: bool, allow_zero: bool) -> Optional[float]:
    if value is None and allow_none:
        return None
    if isinstance(value, bool) or not isinstance(value, (int, float)):
        raise TypeError(f"{name} must be a number of seconds or hertz, not {type(value).__name__}")
    if not math.isfinite(value) or value < 0 or (value == 0 and not allow_zero):
        raise ValueError(f"{name} must be a finite number {'>=' if allow_zero else '>'} 0, got {value}")
    return float(value)


def _repeated(pose: Optional[_tscore.HandPose]) -> Optional[_tscore.HandPose]:
    """The pose again, as a new object that is not new: what a stale service still stands for."""
    if pose is None:
        return None
    again = copy.copy(pose)
    again._stamp(pose.reading_time, False)
    return again


def poses(
    self: _tscore.Glove,
    rate: float = 90.0,
    seconds: Optional[float] = None,
    timeout: Optional[float] = 1.0,
    profile: Optional[_tscore.HandProfile] = None,
    model: Optional[_tscore.HandModel] = None,
) -> Iterator[_tscore.HandPose]:
    """Hand poses at a steady rate: one pose of the glove's latest reading per tick of 1/rate
    seconds, measured from the start so that the rate does not drift, computed as
    Glove.hand_pose(profile, model) computes it (a complete reading widens the calibration range).
    Every tick reads through the module's reader, which checks the service every 100 ms.

    Each pose carries its reading's time stamp: pose.reading_time, seconds since 1970 (as
    time.time()) when this process first read this reading, and pose.is_new, False when the
    glove sent nothing new since the stream's pose before (a stream faster than the glove
    repeats its readings); pose.orientation is the reading's orientation.

    The service's state follows the one rule: while it is stale (its time stamp 3 s old or more,
    under 10 s) the stream repeats its last pose with is_new False, whatever the segments hold.
    The iterator ends after `seconds` (None: never); when the glove is disconnected (its record
    says so) or gone from the service's list, or the service stopped (its segments are gone, or
    its time stamp is 10 s old) or restarted (with the same glove or others: tscore.glove()
    finds the glove the new service announces), whatever the timeout; and when no complete reading has come for
    `timeout` seconds (None: wait for one). A tick without a complete reading yields nothing.
    A consumer slower than the rate gets the latest pose at its own pace; missed ticks are
    skipped, not caught up.

    The GIL is released while it waits and while it reads. Ctrl-C raises KeyboardInterrupt from
    the loop as anywhere in Python; catch it around the loop to keep what was gathered.
    """
    period = 1.0 / _positive("rate", rate, False, False)  # type: ignore[operator]
    duration = _positive("seconds", seconds, True, True)
    patience = _positive("timeout", timeout, True, False)
    if profile is not None and not isinstance(profile, _tscore.HandProfile):
        raise TypeError(f"profile must be a HandProfile, not {type(profile).__name__}")
    if model is not None and not isinstance(model, _tscore.HandModel):
        raise TypeError(f"model must be a HandModel, not {type(model).__name__}")
    return _stream(self, period, duration, patience, profile, model)


def _stream(
    glove: _tscore.Glove,
    period: float,
    duration: Optional[float],
    patience: Optional[float],
    profile: Optional[_tscore.HandProfile],
    model: Optional[_tscore.HandModel],
) -> Iterator[_tscore.HandPose]:
    start = time.monotonic()
    end = None if duration is None else start + duration
    last_reading = start
    cursor = _tscore._StreamCursor()
    last: Optional[_tscore.HandPose] = None
    tick = start
    while end is None or time.monotonic() < end:
        now = time.monotonic()
        state, pose = glove._frame(profile, model, cursor)
        if state == _STALE:
            pose = _repeated(last)
        elif state != _LIVE:
            return
        if pose is not None:
            last = pose
            last_reading = now
            yield pose
        elif patience is not None and now - last_reading >= patience:
            return
        tick += period
        now = time.monotonic()
        if tick < now:
            tick = now
        wait = tick - now if end is None else min(tick, end) - now
        if wait > 0:
            time.sleep(wait)
