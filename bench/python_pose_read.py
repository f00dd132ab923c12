#!/usr/bin/python3
"""One hand-pose read from Python against the same read from C++, in the same run.

    /usr/bin/python3 bench/python_pose_read.py [BUILD_DIR] [--reads N] [--rounds R]

Starts tesslink-sim from BUILD_DIR (default build/bench), then alternates rounds of
glove.hand_pose(profile) in this process with rounds of HapticGlove::GetHandPose in
tscore_pose_read_timer, and prints the best round of each (as timeit does: on a busy machine
the fastest round is the one least disturbed) and their ratio. Each read opens the service's
segment, copies the sensor text and computes the pose, so the ratio shows what the binding
adds: argument conversion, the GIL release, the library lock and the new HandPose object.
Run it inside a private /dev/shm, as scripts/bench.sh does.
"""

import argparse
import subprocess
import sys
import time
from pathlib import Path


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("build", nargs="?", default="build/bench", help="the CMake build folder")
    parser.add_argument("--reads", type=int, default=5000, help="reads per round (default 5000)")
    parser.add_argument("--rounds", type=int, default=15, help="rounds per side (default 15)")
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
    try:
        assert sim.stdout is not None and sim.stdout.readline().strip() == b"ready"
        glove = None
        while glove is None:
            glove = tscore.glove()
        profile = tscore.HandProfile.default(glove.is_right)
        for _ in range(args.reads // 10):
            glove.hand_pose(profile)

        python_ns, cxx_ns = [], []
        for _ in range(args.rounds):
            out = subprocess.run([str(timer), str(args.reads), "1"], capture_output=True, text=True, check=True)
            cxx_ns.append(float(out.stdout.split()[1]))
            read = glove.hand_pose
            start = time.perf_counter_ns()
            for _ in range(args.reads):
                read(profile)
            python_ns.append((time.perf_counter_ns() - start) / args.reads)
    finally:
        sim.terminate()
        sim.wait()

    py, cxx = min(python_ns), min(cxx_ns)
    if args.verbose:
        print("C++ rounds (ns):", [round(v) for v in cxx_ns])
        print("Python rounds (ns):", [round(v) for v in python_ns])
    print(f"hand-pose read ({args.kind}), best of {args.rounds} rounds of {args.reads} reads")
    print(f"  C++    HapticGlove::GetHandPose  {cxx / 1000:8.2f} us")
    print(f"  Python glove.hand_pose(profile)  {py / 1000:8.2f} us")
    print(f"  ratio Python / C++               {py / cxx:8.2f}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
