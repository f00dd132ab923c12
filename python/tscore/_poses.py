"""Hand poses at a steady rate, as an iterator."""

from __future__ import annotations

import math
import time
from collections.abc import Iterator
from typing import Optional

from . import _tscore

# How often the iterator asks whether the service still runs: a service that died without
# removing its segments leaves its last texts readable, and they must not pass for live data.
_SERVICE_CHECK_PERIOD = 1.0


def _positive(name: str, value: Optional[float], allow_none: bool, allow_zero: bool) -> Optional[float]:
    if value is None and allow_none:
        return None
    if isinstance(value, bool) or not isinstance(value, (int, float)):
        raise TypeError(f"{name} must be a number of seconds or hertz, not {type(value).__name__}")
    if not math.isfinite(value) or value < 0 or (value == 0 and not allow_zero):
        raise ValueError(f"{name} must be a finite number {'>=' if allow_zero else '>'} 0, got {value}")
    return float(value)


def poses(
    self: _tscore.Glove,
    rate: float = 90.0,
    seconds: Optional[float] = None,
    timeout: Optional[float] = 1.0,
    profile: Optional[_tscore.HandProfile] = None,
    model: Optional[_tscore.HandModel] = None,
) -> Iterator[_tscore.HandPose]:
    """Hand poses at a steady rate: one Glove.hand_pose(profile, model) per tick of 1/rate
    seconds, measured from the start so that the rate does not drift (HapticGlove::GetHandPose).

    A tick without a complete reading yields nothing. The iterator ends after `seconds` (None:
    never), or when no complete reading has come for `timeout` seconds (None: wait forever),
    which is what happens when the service stops or the glove goes away. A consumer slower than
    the rate gets the latest pose at its own pace; missed ticks are skipped, not caught up.

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
    alive = True
    tick = start
    while end is None or time.monotonic() < end:
        now = time.monotonic()
        if now >= next_check:
            alive = _tscore.service_running()
            next_check = now + _SERVICE_CHECK_PERIOD
        pose = glove.hand_pose(profile, model) if alive else None
        if pose is not None:
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
