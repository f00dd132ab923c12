#!/usr/bin/env python3
"""Prints the hand pose of the first connected glove ten times a second.

    .venv/bin/python examples/python/print_hand_pose.py [--seconds 3]

(or ./examples/python/print_hand_pose.py with the virtual environment of the
README active). Start the connection service first, or the simulator:
    build/release/tools/tesslink-sim/tesslink-sim --tessara right
"""

import argparse
import sys

import numpy as np

import tscore


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--seconds", type=float, default=3.0,
                        help="how long to print (default 3)")
    args = parser.parse_args()

    glove = tscore.glove()
    if glove is None:
        print("No glove connected; start the connection service or "
              "tesslink-sim.", file=sys.stderr)
        return 1
    side = "right" if glove.is_right else "left"
    print(f"{glove} ({side} hand, {glove.key})")
    profile = tscore.HandProfile.default(glove.is_right)
    try:
        for pose in glove.poses(rate=10, seconds=args.seconds,
                                profile=profile):
            flexion = " ".join(f"{f.name[0]} {v:5.2f}"
                               for f, v in zip(tscore.Finger, pose.flexion))
            tip = pose.positions[tscore.Finger.INDEX, -1]
            tip_text = np.array2string(tip, precision=1)
            print(f"flexion {flexion}   index tip {tip_text} mm")
    except KeyboardInterrupt:
        pass
    last = glove.hand_pose(profile)
    if last is not None:
        print(last.to_string())
    return 0


if __name__ == "__main__":
    sys.exit(main())
