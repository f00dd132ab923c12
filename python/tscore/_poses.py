"""Hand poses at a steady rate, as an iterator."""

from __future__ import annotations

import math
import time
from collections.abc import Iterator
from typing import Optional, Tuple

from . import _tscore

# How often the iterator asks whether the service still runs: a service that died without
# removing its segments leaves its last texts readable, and they must not pass for live data
# once its time stamp is 10 s old.
_SERVICE_CHECK_PERIOD = 1.0


def _positive(name: str, value: Optional[float], allow_none: bool, allow_zero: bool) -> Optional[float]:
    if value is None and allow_none:
        return None
    if isinstance(value, bool) or not isinstance(value, (int, float)):
        raise TypeError(f"{name} must be a number of seconds or hertz, not {type(value).__name__}")
    if not math.isfinite(value) or value < 0 or (value == 0 and not allow_zero):
        raise ValueError(f"{name} must be a finite number {'>=' if allow_zero else '>'} 0, got {value}")
    return float(value)


class _ReadingClock:
    """When each reading was first seen. A reading is new when the glove's sensor text differs
    from the one read before; every pose of a reading carries the time that text was first read.
    The one place that tells readings apart, so that it can move to a reader that knows more."""

    def __init__(self) -> None:
        self._text: Optional[bytes] = None
        self._time = math.nan

    def stamp(self, text: bytes) -> Tuple[float, bool]:
        if text == self._text:
            return self._time, False
        self._text = text
        self._time = time.time()
        return self._time, True


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

    Each pose carries its reading's time stamp: pose.reading_time, seconds since 1970 (as
    time.time()) when this reading was first seen, and pose.is_new, False when the glove sent
    nothing new since the pose before (a stream faster than the glove repeats its readings);
    pose.orientation is the reading's orientation.

    A tick without a complete reading yields nothing. The iterator ends after `seconds` (None:
    never); when the glove's record says it is disconnected, or the service stopped (its
    segments are gone, or its time stamp is 10 s old: checked once a second), whatever the
    timeout; and when no complete reading has come for `timeout` seconds (None: wait for one). A
    consumer slower than the rate gets the latest pose at its own pace; missed ticks are
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
    next_check = start
    clock = _ReadingClock()
    tick = start
    while end is None or time.monotonic() < end:
        now = time.monotonic()
        if now >= next_check:
            if not _tscore.service_running():
                return
            next_check = now + _SERVICE_CHECK_PERIOD
        text, connected, pose = glove._frame(profile, model)
        if not connected:
            return
        if text is not None:
            stamp = clock.stamp(text)  # incomplete readings count too: the next one is new
        if pose is not None:
            pose._stamp(*stamp)
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
