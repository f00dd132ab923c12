#!/usr/bin/python3
"""One hand-pose read from Python against the same read from C++, in the same run.

    /usr/bin/python3 bench/python_pose_read.py [BUILD_DIR] [--reads N] [--rounds R]

Starts tesslink-sim from BUILD_DIR (default build/bench), then alternates rounds of four reads
of the same glove's hand pose: in tscore_pose_read_timer, C++'s per-call
HapticGlove::GetHandPose (which opens the service's segment, copies the text and closes it on
every read: the floor of the per-call path) and a kept ServiceReader (Update, then
GetHandPose); in this process, glove.hand_pose(profile) through the module's reader and
glove.hand_pose(profile, per_call=True). Every read is timed on its own (the clock's own cost,
some 0.05 us, included); each figure is the median over the rounds of the rounds' median and
99th percentile, so that a round disturbed by the machine's other work does not decide it.
What Python adds to the reader is the binding: the GIL released and taken back, the library
lock, the pose's arrays and the new HandPose object. Run it inside a private /dev/shm, as
scripts/bench.sh does.
"""

import argparse
import statistics
import subprocess
import sys
import time
from pathlib import Path


def python_round(read, reads: int):  # type: ignore[no-untyped-def]
    """(median, p99, mean) in ns of reads calls, each timed on its own."""
    clock = time.perf_counter_ns
    ns = []
    for _ in range(reads):
        start = clock()
        read()
        ns.append(clock() - start)
    ns.sort()
    return ns[len(ns) // 2], ns[int(0.99 * (len(ns) - 1))], sum(ns) / len(ns)


def cxx_rounds(timer: Path, mode: str, reads: int):  # type: ignore[no-untyped-def]
    out = subprocess.run([str(timer), str(reads), "1", mode], capture_output=True, text=True, check=True)
    return [tuple(float(v) for v in line.split()[1:]) for line in out.stdout.splitlines() if line.startswith("round")]


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("build", nargs="?", default="build/bench", help="the CMake build folder")
    parser.add_argument("--reads", type=int, default=5000, help="reads per round (default 5000)")
    parser.add_argument("--rounds", type=int, default=15, help="rounds per read (default 15)")
    parser.add_argument("--kind", choices=["tessara", "kelvo"], default="tessara")
    parser.add_argument("--verbose", action="store_true", help="print every round")
    args = parser.parse_args()

    build = Path(args.build).resolve()
    sys.path.insert(0, str(build / "python"))
    import tscore  # noqa: E402  (the package of that build)

    timer = build / "bench" / "tscore_pose_read_timer"
    sim_path = build / "tools" / "tesslink-sim" / "tesslink-sim"
    for path in (timer, sim_path):
        if not path.exists():
            sys.exit(f"{path} is missing: build the bench preset first (scripts/bench.sh does)")

    sim = subprocess.Popen([str(sim_path), f"--{args.kind}", "right", "--motion", "wave"],
                           stdout=subprocess.PIPE, stdin=subprocess.DEVNULL)
    rows = {name: [] for name in ("cxx_call", "cxx_reader", "py_reader", "py_call")}
    try:
        assert sim.stdout is not None and sim.stdout.readline().strip() == b"ready"
        glove = None
        while glove is None:
            glove = tscore.glove()
        profile = tscore.HandProfile.default(glove.is_right)
        reader = lambda: glove.hand_pose(profile)  # noqa: E731
        per_call = lambda: glove.hand_pose(profile, per_call=True)  # noqa: E731
        for read in (reader, per_call):
            for _ in range(args.reads // 10):
                if read() is None:
                    sys.exit("no complete reading from the simulator")
        for _ in range(args.rounds):
            rows["cxx_call"] += cxx_rounds(timer, "per-call", args.reads)
            rows["cxx_reader"] += cxx_rounds(timer, "reader", args.reads)
            rows["py_reader"].append(python_round(reader, args.reads))
            rows["py_call"].append(python_round(per_call, args.reads))
    finally:
        sim.terminate()
        sim.wait()

    figures = {name: [statistics.median(r[i] for r in rounds) / 1000 for i in (0, 1)] for name, rounds in rows.items()}
    if args.verbose:
        for name, rounds in rows.items():
            print(name, "rounds (median, p99, mean ns):", [tuple(round(v) for v in r) for r in rounds])
    labels = {
        "cxx_call": "C++    HapticGlove::GetHandPose (per call: the floor)",
        "cxx_reader": "C++    ServiceReader Update + GetHandPose",
        "py_reader": "Python glove.hand_pose(profile) (the reader)",
        "py_call": "Python glove.hand_pose(profile, per_call=True)",
    }
    print(f"hand-pose read ({args.kind}), {args.rounds} rounds of {args.reads} reads each, every read timed")
    print(f"  {'':52s} {'median':>8s} {'p99':>8s}  (us)")
    for name, label in labels.items():
        median, p99 = figures[name]
        print(f"  {label:52s} {median:8.2f} {p99:8.2f}")
    floor = figures["cxx_call"][0]
    print(f"  Python reader / C++ per-call floor, median  {figures['py_reader'][0] / floor:8.3f}")
    print(f"  Python reader / C++ reader, median          {figures['py_reader'][0] / figures['cxx_reader'][0]:8.2f}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
