"""The README's install command in a fresh virtual environment, then an import from elsewhere."""

from __future__ import annotations

import os
import subprocess
import sys
from pathlib import Path

import pytest

ROOT = Path(os.environ.get("TSCORE_SOURCE_DIR", Path(__file__).resolve().parents[2]))


def test_install_into_a_fresh_venv_and_import_from_another_folder(tmp_path):
    if subprocess.run([sys.executable, "-c", "import ensurepip"], capture_output=True).returncode != 0:
        pytest.skip("this Python cannot create virtual environments: apt install python3-venv")
    venv = tmp_path / "venv"
    subprocess.run([sys.executable, "-m", "venv", "--system-site-packages", str(venv)], check=True)
    env = dict(os.environ)
    env.pop("PYTHONPATH", None)
    if os.environ.get("TSCORE_INSTALL_BUILD_DIR"):
        env["TSCORE_CMAKE_BUILD_DIR"] = os.environ["TSCORE_INSTALL_BUILD_DIR"]
    install = subprocess.run(
        [str(venv / "bin" / "pip"), "install", "--no-build-isolation", "--no-index", str(ROOT / "python")],
        cwd=ROOT, env=env, capture_output=True, text=True,
    )
    print(install.stdout[-3000:], install.stderr[-3000:])
    assert install.returncode == 0, install.stderr[-3000:]
    assert "Successfully installed tscore" in install.stdout

    elsewhere = tmp_path / "elsewhere"
    elsewhere.mkdir()
    # The retargeting library ships beside the module too, and is found there.
    hand = ROOT / "retarget" / "tests" / "data" / "five_digit_hand.yaml"
    check = subprocess.run(
        [str(venv / "bin" / "python"), "-c",
         "import sys, tscore, numpy; print(tscore.version()); print(tscore.__file__); "
         "print(tscore.HandPose.idle(True).angles.dtype); "
         "print(len(tscore.Retargeter(sys.argv[1]).solve(tscore.HandPose.idle(True))[1]))", str(hand)],
        cwd=elsewhere, env=env, capture_output=True, text=True,
    )
    assert check.returncode == 0, check.stderr
    version, location, dtype, joints = check.stdout.splitlines()
    assert version.startswith("TSCore C++ Library v")
    assert Path(location).is_relative_to(venv) and dtype == "float32" and joints == "20"
    assert sorted(p.name for p in Path(location).parent.glob("lib*.so*")) == ["libTSCore.so.1", "libTSCoreRetarget.so.1"]

    # An example started directly, in the activated environment, uses the environment's Python.
    env["PATH"] = f"{venv / 'bin'}{os.pathsep}{env.get('PATH', '')}"
    example = subprocess.run([str(ROOT / "examples" / "python" / "print_hand_pose.py")], cwd=elsewhere, env=env,
                             capture_output=True, text=True)
    assert example.returncode == 1 and example.stderr.startswith("No glove connected"), example.stderr
