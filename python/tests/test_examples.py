"""The examples run against the simulator, as a user would start them."""

from __future__ import annotations

import os
import subprocess
import sys
from pathlib import Path

import numpy as np

EXAMPLES = Path(os.environ.get("TSCORE_SOURCE_DIR", Path(__file__).resolve().parents[2])) / "examples" / "python"


def run(script: str, *args: str) -> str:
    done = subprocess.run([sys.executable, str(EXAMPLES / script), *args], capture_output=True, text=True, timeout=60)
    assert done.returncode == 0, done.stderr
    return done.stdout


def test_examples_print_record_and_plot(sim, tmp_path):
    sim("--kelvo", "left", "--motion", "wave")
    assert "Kelvo" in run("print_hand_pose.py", "--seconds", "0.3")
    run("record_poses.py", "--out", str(tmp_path / "poses.npz"), "--seconds", "0.5", "--rate", "40")
    data = np.load(tmp_path / "poses.npz")
    assert data["angles"].shape[1:] == (5, 3, 3) and len(data["t"]) == len(data["flexion"]) > 5
    assert not data["is_right"]
    run("plot_hand.py", "--out", str(tmp_path / "hand.png"))
    assert (tmp_path / "hand.png").read_bytes().startswith(b"\x89PNG")
