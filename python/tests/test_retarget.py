"""tscore.Retargeter: the library's own solutions for the same poses, and what it says about bad input."""

from __future__ import annotations

import os
import pickle
import subprocess
import types
from pathlib import Path

import numpy as np
import pytest

import tscore
from conftest import glove_of
from tscore import _retarget

ROOT = Path(os.environ.get("TSCORE_SOURCE_DIR", Path(__file__).resolve().parents[2]))
DATA = ROOT / "retarget" / "tests" / "data"
SOLVE = os.environ.get("TSCORE_RETARGET_SOLVE", "")


BUILT = hasattr(tscore._tscore, "Retargeter")


def library_solutions(config: Path, poses):  # type: ignore[no-untyped-def]
    """The joint names and, per (time, stored pose), the positions the C++ library solves."""
    if not os.access(SOLVE, os.X_OK):
        pytest.skip("TSCORE_RETARGET_SOLVE does not name the solver helper; run the tests through ctest")
    lines = "".join(f"{t!r} {text}\n" for t, text in poses)
    done = subprocess.run([SOLVE, str(config)], input=lines, capture_output=True, text=True, check=True)
    names, *rows = done.stdout.splitlines()
    return tuple(names.split()), [None if row == "refused" else [float(v) for v in row.split()] for row in rows]


# A right robot hand driven by a right glove, and by a left one (mirrored onto it).
@pytest.mark.parametrize("config, glove", [("five_digit_hand.yaml", ("tessara", "right")),
                                           ("three_finger_hand.yaml", ("kelvo", "left"))])
def test_python_solves_live_poses_exactly_as_the_library(sim, config, glove):
    if not BUILT:
        pytest.skip("this tscore was built without libTSCoreRetarget")
    kind, side = glove
    sim(f"--{kind}", side, "--motion", "wave", "--period", "1")
    stream = glove_of(kind).poses(rate=200, seconds=1.0)
    poses = [(p.reading_time, p.to_storage()) for p in stream]
    poses.append((poses[-1][0] + 0.005, "{R}{{{0;0.5;0}}}{}{}"))  # lacks every finger: refused by both
    poses.append((poses[-1][0] + 0.005, poses[0][1]))

    robot = tscore.Retargeter(DATA / config)
    assert robot.is_right and robot.config_path == str(DATA / config)
    solved = []
    for t, text in poses:
        pose = tscore.HandPose.from_storage(text)
        try:
            names, q = robot.solve(pose, t)
        except ValueError as error:
            assert "lacks a point" in str(error)
            solved.append(None)
            continue
        assert names is robot.joint_names and q.dtype == np.float64
        solved.append(q)
    library_names, library = library_solutions(DATA / config, poses)
    assert library_names == robot.joint_names and len(library) == len(solved) > 10
    for ours, theirs in zip(solved, library):
        assert (ours is None and theirs is None) or ours.tolist() == theirs
    kept = np.array([q for q in solved if q is not None])
    lower, upper = robot.limits
    assert (kept >= lower).all() and (kept <= upper).all() and np.ptp(kept, axis=0).max() > 0.2  # it moved


def test_what_a_retargeter_tells_and_refuses(tmp_path):
    # A build without the library says what to install.
    stand_in = _retarget.retargeter(types.ModuleType("built_without"))
    with pytest.raises(ImportError, match="libTSCoreRetarget.*liburdfdom-dev"):
        stand_in(DATA / "five_digit_hand.yaml")
    if not BUILT:
        assert tscore.Retargeter is stand_in
        pytest.skip("this tscore was built without libTSCoreRetarget")

    robot = tscore.Retargeter(str(DATA / "five_digit_hand.yaml"))
    rest = robot.solution()
    assert len(robot.joint_names) == len(rest) == len(robot.joints) == 20 and robot.solver == "dls"
    mimic = [j for j in robot.joints if j["mimics"] is not None]
    assert mimic and all(j["solve_lower"] >= j["lower"] and j["solve_upper"] <= j["upper"] for j in robot.joints)
    assert robot.joints[0]["digit"] is tscore.Finger.THUMB and robot.mapping[0]["link"] == "thumb_tip"
    names, parents = robot.links
    assert parents[0] == -1 and (parents[1:] < np.arange(1, len(names))).all()
    assert robot.link_positions().shape == (len(names), 3)
    target = robot.matched_positions()[1]
    assert target.shape == (len(robot.mapping), 3) and np.isnan(target).all()  # nothing asked yet

    _, q = robot.solve(tscore.HandPose.idle(True))
    robot_tips, target = robot.matched_positions()
    assert np.isfinite(target).all() and robot.last_stats["converged"] and q.tolist() == robot.solution().tolist()
    # A refused solve changes nothing; reset() goes back to the rest pose.
    for bad in (lambda: robot.solve(tscore.HandPose.idle(True), float("nan")),
                lambda: robot.solve(tscore.HandPose.from_storage("{R}{{{0;0.5;0}}}{}{}"))):
        with pytest.raises(ValueError):
            bad()
    assert robot.solution().tolist() == q.tolist()
    robot.reset()
    assert robot.solution().tolist() == rest.tolist()
    with pytest.raises(TypeError, match="cannot pickle"):
        pickle.dumps(robot)

    # The library's message, naming the file, the line and the element.
    text = (DATA / "five_digit_hand.yaml").read_text().replace("digits:", "digts:")
    (tmp_path / "hand.yaml").write_text(text.replace("five_digit_hand.urdf", str(DATA / "five_digit_hand.urdf")))
    with pytest.raises(ValueError, match=r"hand.yaml:\d+: digts: unknown field"):
        tscore.Retargeter(tmp_path / "hand.yaml")
    (tmp_path / "hand.yaml").write_text(text.replace("digts:", "digits:"))
    with pytest.raises(ValueError, match=r"hand.yaml:\d+: urdf: cannot read '.*five_digit_hand.urdf'"):
        tscore.Retargeter(tmp_path / "hand.yaml")
    with pytest.raises(FileNotFoundError, match="missing.yaml: cannot read"):
        tscore.Retargeter(tmp_path / "missing.yaml")
