"""Ctrl-C during glove.poses(): a real SIGINT to a Python process iterating live poses."""

from __future__ import annotations

import os
import signal
import subprocess
import sys
import textwrap

SCRIPT = textwrap.dedent(
    """
    import sys, tscore
    glove = None
    while glove is None:
        glove = tscore.glove()
    count = 0
    try:
        for pose in glove.poses(rate=60, seconds=None, timeout=None):
            count += 1
            if count == 3:
                print("iterating", flush=True)
    except KeyboardInterrupt:
        if sys.argv[1] == "catch":
            print("stopped after", count, "poses", flush=True)
            glove.stop_haptics()  # the library is still usable
            sys.exit(0)
        raise
    """
)


def run_until_sigint(how: str):
    process = subprocess.Popen(
        [sys.executable, "-c", SCRIPT, how], stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=os.environ
    )
    assert process.stdout is not None
    assert process.stdout.readline() == b"iterating\n"
    process.send_signal(signal.SIGINT)
    out, err = process.communicate(timeout=5)
    return process.returncode, out.decode(), err.decode()


def test_ctrl_c_stops_the_pose_iterator_cleanly(sim):
    sim("--tessara", "right")
    code, out, err = run_until_sigint("catch")
    assert code == 0 and out.startswith("stopped after"), (code, out, err)
    # Uncaught, it ends the process the way Ctrl-C ends any Python program.
    code, out, err = run_until_sigint("raise")
    assert code == -signal.SIGINT and err.rstrip().endswith("KeyboardInterrupt"), (code, err)
    assert "terminate called" not in err and "Fatal" not in err
