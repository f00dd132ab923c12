#!/usr/bin/python3
"""Records the hand poses of a glove into a .npz data set; Ctrl-C ends early and keeps them.

    python3 examples/python/record_poses.py --out poses.npz [--seconds 10] [--rate 90]
        [--profile my-right.profile]

The file holds t (N,) seconds since the start, angles (N, 5, 3, 3) radians, positions
(N, 5, 4, 3) mm, rotations (N, 5, 4, 4) x, y, z, w, flexion (N, 5), and is_right:
    data = numpy.load("poses.npz"); data["flexion"][:, tscore.Finger.INDEX]
"""

import argparse
import sys
import time

import numpy as np

import tscore


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", required=True, help="the .npz file to write")
    parser.add_argument("--seconds", type=float, default=10.0, help="how long to record (default 10)")
    parser.add_argument("--rate", type=float, default=90.0, help="poses per second (default 90)")
    parser.add_argument("--profile", help="a profile file saved by HandProfile.save or tscore calibrate")
    args = parser.parse_args()

    glove = tscore.glove()
    if glove is None:
        print("No glove connected; start the connection service or tesslink-sim.", file=sys.stderr)
        return 1
    try:
        profile = tscore.HandProfile.load(args.profile) if args.profile else tscore.HandProfile.default(glove.is_right)
    except (OSError, ValueError) as error:
        print(f"record_poses: {error}", file=sys.stderr)
        return 2

    times, poses = [], []
    start = time.monotonic()
    try:
        for pose in glove.poses(rate=args.rate, seconds=args.seconds, profile=profile):
            times.append(time.monotonic() - start)
            poses.append(pose)
    except KeyboardInterrupt:
        print("interrupted; keeping what was recorded", file=sys.stderr)

    def stack(name: str, shape: tuple) -> np.ndarray:
        return np.stack([getattr(p, name) for p in poses]) if poses else np.zeros((0, *shape), np.float32)

    np.savez_compressed(
        args.out,
        t=np.array(times, dtype=np.float64),
        angles=stack("angles", (5, 3, 3)),
        positions=stack("positions", (5, 4, 3)),
        rotations=stack("rotations", (5, 4, 4)),
        flexion=stack("flexion", (5,)),
        is_right=np.array(glove.is_right),
    )
    print(f"Recorded {len(poses)} poses of {glove} to {args.out}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
