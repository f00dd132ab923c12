"""The functions pickle calls to rebuild a pose, profile or model from its storage text.

Pickle finds a rebuilder by its module and name; the extension's own functions have no name it
can look up, so they live here.
"""

from __future__ import annotations

from typing import Any

from . import _tscore


def pose(text: str, reading_time: float = float("nan"), is_new: bool = False, orientation: Any = None) -> _tscore.HandPose:
    rebuilt = _tscore.HandPose.from_storage(text)
    if rebuilt is None:
        raise ValueError("the pickle does not hold a stored hand pose")
    rebuilt._stamp(reading_time, is_new, orientation)
    return rebuilt


def profile(text: str) -> _tscore.HandProfile:
    rebuilt = _tscore.HandProfile.from_storage(text)
    if rebuilt is None:
        raise ValueError("the pickle does not hold a stored hand profile")
    return rebuilt


def model(text: str) -> _tscore.HandModel:
    rebuilt = _tscore.HandModel.from_storage(text)
    if rebuilt is None:
        raise ValueError("the pickle does not hold a stored hand model")
    return rebuilt
