"""The examples and the README's Python example run against the simulator, as a user runs them."""

from __future__ import annotations

import ast
import os
import re
import subprocess
import sys
from pathlib import Path

import numpy as np
import pytest

import tscore

ROOT = Path(os.environ.get("TSCORE_SOURCE_DIR", Path(__file__).resolve().parents[2]))
EXAMPLES = ROOT / "examples" / "python"


def run(script: str, *args: str) -> str:
    done = subprocess.run([sys.executable, str(EXAMPLES / script), *args], capture_output=True, text=True, timeout=60)
    assert done.returncode == 0, done.stderr
    return done.stdout


def test_examples_print_record_and_plot(sim, tmp_path):
    sim("--kelvo", "left", "--motion", "wave")
    assert "Kelvo" in run("print_hand_pose.py", "--seconds", "0.3")
    # Faster than the glove's 60 readings a second: some poses repeat a reading.
    run("record_poses.py", "--out", str(tmp_path / "poses.npz"), "--seconds", "0.5", "--rate", "150")
    data = np.load(tmp_path / "poses.npz")
    n = len(data["t"])
    assert data["angles"].shape[1:] == (5, 3, 3) and len(data["flexion"]) == n > 20
    assert data["orientation"].shape == (n, 4) and np.isfinite(data["orientation"]).all()
    assert data["is_new"].dtype == bool and 0 < data["is_new"].sum() < n
    assert (np.diff(data["reading_time"]) >= 0).all() and data["reading_time"][0] > 1.6e9
    assert not data["is_right"]
    run("plot_hand.py", "--out", str(tmp_path / "hand.png"))
    assert (tmp_path / "hand.png").read_bytes().startswith(b"\x89PNG")
    for script in EXAMPLES.glob("*.py"):
        lines = script.read_text().splitlines()
        assert lines[0] == "#!/usr/bin/env python3", script  # the active environment's Python
        assert max(map(len, lines)) <= 80, script


def readme_example(n: int) -> str:
    """The n-th Python snippet of the README's Python section."""
    python = (ROOT / "README.md").read_text().split("\n## Python\n", 1)[1].split("\n## ", 1)[0]
    return re.findall(r"```python\n(.*?)```", python, re.S)[n]


def run_example(code: str, path: Path, cwd: Path) -> str:
    path.write_text(code)
    done = subprocess.run([sys.executable, str(path)], cwd=cwd, capture_output=True, text=True, timeout=30)
    assert done.returncode == 0, done.stderr
    return done.stdout


@pytest.mark.parametrize("glove", [("--tessara", "right"), ("--kelvo", "left")])
def test_the_readme_examples_run_on_both_gloves(sim, tmp_path, glove):
    s = sim(*glove)
    out = run_example(readme_example(0), tmp_path / "hello.py", tmp_path)
    assert len(out.splitlines()) > 30 and "True" in out and "False" in out  # 90 Hz for 2 s, on a busy machine
    # The vibration reached the glove before it was stopped.
    s.wait_for(lambda line: line.startswith("haptics device0") and "buzz=80,80" in line)
    s.wait_for(lambda line: line.startswith("haptics device0") and re.search(r"buzz=0,0\b", line))
    if not hasattr(tscore._tscore, "Retargeter"):
        pytest.skip("this tscore was built without libTSCoreRetarget")
    # The robot hand follows a right glove, and a left one mirrored; run from the repository's root.
    joints = ast.literal_eval(run_example(readme_example(1), tmp_path / "robot.py", ROOT))
    assert list(joints)[0] == "thumb_spread" and len(joints) == 20 and len(set(joints.values())) > 5
