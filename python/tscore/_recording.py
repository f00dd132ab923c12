"""Recordings made by `tscore record`, read into numpy arrays per device.

The file is JSON lines: a header {"format":"tscore-recording","version":1}, one
{"kind":"device","key":K,"record":R} per device, then {"kind":"data","t":S,"key":K,"text":T}
whenever a device's sensor text changed, S seconds after the start. It is read by the same
rules as `tesslink-sim --replay` reads it.
"""

from __future__ import annotations

import json
import math
import os
import re
import warnings
from typing import Any, Dict, List, Optional, Tuple, Union

import numpy as np
import numpy.typing as npt

from . import _tscore
from ._enums import DeviceType, member

_FORMAT = "tscore-recording"


class RecordedDevice:
    """One device of a recording: its record, and per reading (in time order) the time, the
    sensor text and the pose the live glove computes from that text. Pose arrays are float32,
    NaN in the rows of a text that is not a complete reading and for devices that are no glove.
    """

    key: str  #: "device0": the device's name in the recording
    record: str  #: the device's record text as recorded
    device_type: Union[DeviceType, int]
    device_id: Optional[str]  #: None for a device that is no glove
    is_right: Optional[bool]  #: None for a device that is no glove
    t: npt.NDArray[np.float64]  #: (N,) seconds since the start of the recording
    texts: List[str]  #: N sensor texts
    complete: npt.NDArray[np.bool_]  #: (N,) the text was a complete reading
    angles: npt.NDArray[np.float32]  #: (N, 5, 3, 3) radians, as HandPose.angles
    positions: npt.NDArray[np.float32]  #: (N, 5, 4, 3) mm
    rotations: npt.NDArray[np.float32]  #: (N, 5, 4, 4) x, y, z, w
    flexion: npt.NDArray[np.float32]  #: (N, 5)
    orientation: npt.NDArray[np.float32]  #: (N, 4) x, y, z, w; NaN where the text had none

    def __len__(self) -> int:
        return len(self.texts)

    def pose(self, i: int) -> Optional[_tscore.HandPose]:
        """Reading i as a HandPose (for to_openxr and storage); None when it is not complete."""
        if not self.complete[i] or self.is_right is None:
            return None
        return _tscore.HandPose(self.is_right, self.angles[i], self.positions[i], self.rotations[i])

    def __repr__(self) -> str:
        what = self.device_id if self.device_id is not None else "not a glove"
        return f"<RecordedDevice {self.key} {what}: {len(self)} readings>"


class _Reader:
    """One line after another; each kind of line has its own rules."""

    def __init__(self) -> None:
        self.header = False
        self.records: Dict[str, str] = {}
        self.frames: List[Tuple[float, str, str]] = []

    def line(self, line: Dict[str, Any]) -> str:
        if not self.header:
            self.header = True
            if line.get("format") != _FORMAT:
                return "not a tscore recording (missing format header)"
            version = line.get("version")
            return "" if type(version) is int and version == 1 else "unsupported recording version"
        kind, key = line.get("kind"), line.get("key")
        if not isinstance(kind, str) or not isinstance(key, str):
            return 'line without "kind" and "key"'
        if kind == "device":
            return self.device(line, key)
        if kind == "data":
            return self.data(line, key)
        return f'unknown line kind "{kind}"'

    def device(self, line: Dict[str, Any], key: str) -> str:
        record = line.get("record")
        if not isinstance(record, str):
            return 'device line without "record" text'
        if key in self.records:
            return f"device {key} recorded twice"
        self.records[key] = record
        return ""

    def data(self, line: Dict[str, Any], key: str) -> str:
        t, text = line.get("t"), line.get("text")
        if not isinstance(t, (int, float)) or isinstance(t, bool) or not isinstance(text, str):
            return 'data line without number "t" and "text"'
        if not math.isfinite(t) or t < 0:
            return "data line with a negative or invalid time"
        if key not in self.records:
            return f"data for {key}, which has no device line"
        self.frames.append((float(t), key, text))
        return ""


def _not_json(constant: str) -> Any:
    raise ValueError(constant)  # NaN and Infinity are not JSON


def _parse(text: str, name: str) -> _Reader:
    reader = _Reader()
    lines = text.split("\n")
    while lines and not lines[-1].strip(" \t\r"):
        lines.pop()
    for number, raw in enumerate(lines, 1):
        if not raw.strip(" \t\r"):
            continue
        where = f"{name}:{number}: "
        try:
            line = json.loads(raw, parse_constant=_not_json)
        except ValueError:
            if number == len(lines) and reader.header:
                warnings.warn(where + "the last line is damaged (the recording was cut off); it is left out",
                              stacklevel=3)
                break
            line = None
        problem = reader.line(line) if isinstance(line, dict) else "not a JSON object"
        if problem:
            raise ValueError(where + problem)
    if not reader.header:
        raise ValueError(f"{name}: empty recording")
    reader.frames.sort(key=lambda frame: frame[0])  # stable: repairs small reorderings only
    return reader


def _device(key: str, record: str, times: List[float], texts: List[str], profile: Optional[_tscore.HandProfile],
            model: Optional[_tscore.HandModel]) -> RecordedDevice:
    # A record is state@rate@type@{constants}@address@connection; the library parses the glove.
    fields = record.split("@")
    kind = int(DeviceType.UNKNOWN)
    if len(fields) >= 6 and re.fullmatch(r"-?[0-9]{1,9}", fields[2]):
        kind = int(fields[2])
    solved = _tscore._recorded_poses(record, texts, profile, model)
    device = RecordedDevice()
    device.key, device.record, device.texts = key, record, texts
    device.device_type = member("DeviceType", kind)
    device.t = np.array(times, dtype=np.float64)
    device.device_id = None if solved is None else solved["device_id"]
    device.is_right = None if solved is None else solved["is_right"]
    n = len(texts)
    for name, shape in (("angles", (5, 3, 3)), ("positions", (5, 4, 3)), ("rotations", (5, 4, 4)),
                        ("flexion", (5,)), ("orientation", (4,))):
        setattr(device, name, solved[name] if solved is not None else np.full((n, *shape), np.nan, np.float32))
    device.complete = solved["complete"] if solved is not None else np.zeros(n, dtype=bool)
    return device


def read_recording(
    path: Union[str, "os.PathLike[str]"],
    profile: Optional[_tscore.HandProfile] = None,
    model: Optional[_tscore.HandModel] = None,
) -> Dict[str, RecordedDevice]:
    """The devices of a `tscore record` file by key ("device0", ...), in recorded order, each
    with its readings in time order and the poses the live glove gives for them: through
    profile (default: the uncalibrated profile of each glove's side) on model (default: the
    default hand of that side). OSError when the file cannot be read; ValueError naming the
    line when it is not a recording; a damaged last line (a recording cut off) is left out
    with a warning, as a replay leaves it out.
    """
    if profile is not None and not isinstance(profile, _tscore.HandProfile):
        raise TypeError(f"profile must be a HandProfile, not {type(profile).__name__}")
    if model is not None and not isinstance(model, _tscore.HandModel):
        raise TypeError(f"model must be a HandModel, not {type(model).__name__}")
    with open(path, "rb") as file:
        text = file.read().decode("utf-8", "replace")
    reader = _parse(text, os.fspath(path))
    devices = {}
    for key, record in reader.records.items():
        frames = [frame for frame in reader.frames if frame[1] == key]
        devices[key] = _device(key, record, [f[0] for f in frames], [f[2] for f in frames], profile, model)
    return devices
