#!/usr/bin/env python3
"""Draws a hand pose into a PNG with matplotlib, from above and from the side.

    .venv/bin/python examples/python/plot_hand.py --out hand.png
    .venv/bin/python examples/python/plot_hand.py --out hand.png --idle
    .venv/bin/python examples/python/plot_hand.py --out hand.png --from pose.txt

The first draws the first connected glove's pose, the second the hand at rest
(no glove needed), the third a pose stored by HandPose.to_storage or
`tscore pose --storage`.
"""

import argparse
import sys

import matplotlib

matplotlib.use("Agg")  # files only, no display needed
import matplotlib.pyplot as plt  # noqa: E402
import numpy as np  # noqa: E402

import tscore  # noqa: E402

COLOURS = ["tab:red", "tab:orange", "tab:green", "tab:blue", "tab:purple"]
VIEWS = (((0, 1), "from above (x, y)"), ((0, 2), "from the side (x, z)"))


def read_pose(args: argparse.Namespace):
    if args.idle:
        return tscore.HandPose.idle(not args.left)
    if args.source:
        with open(args.source, encoding="utf-8") as f:
            pose = tscore.HandPose.from_storage(f.read())
        if pose is None:
            sys.exit(f"{args.source} does not hold a hand pose")
        return pose
    glove = tscore.glove()
    if glove is None:
        sys.exit("No glove connected; start the connection service or "
                 "tesslink-sim, or use --idle.")
    for pose in glove.poses(seconds=2):
        return pose
    sys.exit(f"{glove} gave no complete reading")


def draw(axes, pose: tscore.HandPose, a: int, b: int, title: str) -> None:
    # Each finger's joints from the hand outwards; the wrist is the origin.
    axes.plot([0], [0], "ks")
    for finger, colour in zip(tscore.Finger, COLOURS):
        chain = np.vstack([np.zeros(3, np.float32), pose.positions[finger]])
        axes.plot(chain[1:, a], chain[1:, b], "-o", color=colour,
                  label=finger.name.title())
        axes.plot(chain[:2, a], chain[:2, b], ":", color="grey")
    axes.set_title(title)
    axes.set_xlabel(f"{'xyz'[a]} (mm)")
    axes.set_ylabel(f"{'xyz'[b]} (mm)")
    axes.set_aspect("equal")
    axes.grid(True, alpha=0.3)


def plot(pose: tscore.HandPose, out: str) -> None:
    figure, panels = plt.subplots(1, 2, figsize=(10, 5))
    for axes, ((a, b), title) in zip(panels, VIEWS):
        draw(axes, pose, a, b, title)
    panels[0].legend(loc="best", fontsize="small")
    flexion = ", ".join(f"{v:.2f}" for v in pose.flexion)
    side = "Right" if pose.is_right else "Left"
    figure.suptitle(f"{side} hand, flexion {flexion}")
    figure.tight_layout()
    figure.savefig(out, dpi=100)


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", required=True, help="the PNG to write")
    parser.add_argument("--idle", action="store_true",
                        help="draw the hand at rest instead of a glove's")
    parser.add_argument("--left", action="store_true",
                        help="with --idle: a left hand")
    parser.add_argument("--from", dest="source",
                        help="draw the pose stored in this file")
    args = parser.parse_args()
    plot(read_pose(args), args.out)
    print(f"Wrote {args.out}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
