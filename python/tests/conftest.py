"""Fixtures: the real tesslink-sim as a child process, and a library cache emptied between tests.

Run through ctest (scripts/test.sh), which sets TSCORE_SIM and PYTHONPATH. The simulator's
shared-memory names are global: run the tests inside a private /dev/shm, as the README says.
"""

from __future__ import annotations

import ctypes
import os
import queue
import signal
import subprocess
import threading
import time
from typing import Iterator, List, Optional

import pytest

import tscore

SIM = os.environ.get("TSCORE_SIM", "")
_LIBC = ctypes.CDLL(None, use_errno=True)
_PR_SET_PDEATHSIG = 1


def _die_with_parent() -> None:
    # A simulator must not outlive a test run that crashed or was killed.
    _LIBC.prctl(_PR_SET_PDEATHSIG, signal.SIGTERM)


class Sim:
    """A running tesslink-sim: its output lines and its control channel on stdin."""

    def __init__(self, *args: str) -> None:
        if not SIM or not os.access(SIM, os.X_OK):
            pytest.skip("TSCORE_SIM does not name the tesslink-sim executable; run the tests through ctest")
        self.lines: "queue.Queue[str]" = queue.Queue()
        self.seen: List[str] = []
        self.process = subprocess.Popen(
            [SIM, *args], stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
            preexec_fn=_die_with_parent,
        )
        threading.Thread(target=self._read, daemon=True).start()
        self.wait_for(lambda line: line == "ready")

    def _read(self) -> None:
        assert self.process.stdout is not None
        for raw in self.process.stdout:
            self.lines.put(raw.decode("utf-8", "replace").rstrip("\n"))

    def wait_for(self, match, timeout: float = 10.0) -> str:  # type: ignore[no-untyped-def]
        """The next output line that satisfies match."""
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            try:
                line = self.lines.get(timeout=max(0.0, end - time.monotonic()))
            except queue.Empty:
                break
            self.seen.append(line)
            if match(line):
                return line
        raise AssertionError(f"tesslink-sim printed no matching line; it printed {self.seen}")

    def control(self, command: bytes) -> None:
        """Sends one control command and waits for its "ok"."""
        assert self.process.stdin is not None
        self.process.stdin.write(command + b"\n")
        self.process.stdin.flush()
        reply = self.wait_for(lambda line: line == "ok" or line.startswith("error"))
        assert reply == "ok", reply

    def stop(self) -> None:
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        if self.process.stdin is not None:
            self.process.stdin.close()


@pytest.fixture
def sim() -> Iterator:
    """sim(*args) starts a simulator; every one is stopped after the test, and the library's
    device cache is emptied so that the next test discovers its own devices."""
    started: List[Sim] = []

    def start(*args: str) -> Sim:
        s = Sim(*args)
        started.append(s)
        return s

    yield start
    for s in started:
        s.stop()
    tscore.dispose()
    tscore.reinitialize()
    # A command sent with no service running makes the library create "Haptics" itself.
    if os.path.exists("/dev/shm/Haptics") and not any(s.process.poll() is None for s in started):
        os.remove("/dev/shm/Haptics")


def first(getter, timeout: float = 5.0):  # type: ignore[no-untyped-def]
    """Polls getter until it returns something other than None."""
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        value = getter()
        if value is not None:
            return value
        time.sleep(0.01)
    raise AssertionError(f"{getter} gave None for {timeout} s")


def glove_of(kind: str, right: Optional[bool] = None) -> tscore.Glove:
    """The first glove of that family (and side) the service announces."""
    family = tscore.Tessara if kind == "tessara" else tscore.Kelvo
    return first(lambda: next((g for g in tscore.haptic_gloves()  # type: ignore[no-any-return]
                               if isinstance(g, family) and right in (None, g.is_right)), None))
