#!/usr/bin/env python3
"""Records a glove's hand poses into a .npz data set; Ctrl-C keeps them.

    .venv/bin/python examples/python/record_poses.py --out poses.npz \\
        [--seconds 10] [--rate 90] [--profile my-right.profile]

The file holds, per pose: t (N,) seconds since the start; reading_time (N,)
seconds since 1970 when its reading was first seen; is_new (N,) False where
the glove sent nothing new since the pose before (a rate above the glove's
repeats readings); angles (N, 5, 3, 3) radians; positions (N, 5, 4, 3) mm;
rotations (N, 5, 4, 4) and orientation (N, 4) as x, y, z, w; flexion (N, 5);
and is_right. Each reading once:
    data = numpy.load("poses.npz"); data["flexion"][data["is_new"]]
"""

import argparse
import sys
import time

import numpy as np

import tscore

ARRAYS = {"angles": (5, 3, 3), "positions": (5, 4, 3),
          "rotations": (5, 4, 4), "flexion": (5,), "orientation": (4,)}


def arguments() -> argparse.Namespace:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", required=True, help="the .npz file to write")
    parser.add_argument("--seconds", type=float, default=10.0,
                        help="how long to record (default 10)")
    parser.add_argument("--rate", type=float, default=90.0,
                        help="poses per second (default 90)")
    parser.add_argument("--profile", help="a profile file saved by "
                        "HandProfile.save or tscore calibrate")
    return parser.parse_args()


def record(glove, profile, args) -> tuple:
    times, poses = [], []
    start = time.monotonic()
    try:
        for pose in glove.poses(rate=args.rate, seconds=args.seconds,
                                profile=profile):
            times.append(time.monotonic() - start)
            poses.append(pose)
    except KeyboardInterrupt:
        print("interrupted; keeping what was recorded", file=sys.stderr)
    return times, poses


def main() -> int:
    args = arguments()
    glove = tscore.glove()
    if glove is None:
        print("No glove connected; start the connection service or "
              "tesslink-sim.", file=sys.stderr)
        return 1
    try:
        profile = (tscore.HandProfile.load(args.profile) if args.profile
                   else tscore.HandProfile.default(glove.is_right))
    except (OSError, ValueError) as error:
        print(f"record_poses: {error}", file=sys.stderr)
        return 2

    times, poses = record(glove, profile, args)
    arrays = {name: np.stack([getattr(p, name) for p in poses]) if poses
              else np.zeros((0, *shape), np.float32)
              for name, shape in ARRAYS.items()}
    np.savez_compressed(
        args.out,
        t=np.array(times, dtype=np.float64),
        reading_time=np.array([p.reading_time for p in poses], np.float64),
        is_new=np.array([p.is_new for p in poses], dtype=bool),
        is_right=np.array(glove.is_right),
        **arrays,
    )
    print(f"Recorded {len(poses)} poses of {glove} to {args.out}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
