#!/usr/bin/python3
"""Draws OpenXR hand joints written by `tscore pose --openxr`: each joint as a dot with its
axes (X red, Y green, Z blue), bones as lines, seen from above and from the side. One column
per file.

usage: /usr/bin/python3 scripts/openxr_picture.py OUT.png TITLE=FILE.json [TITLE=FILE.json ...]
"""
import json
import sys

try:
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt
except ImportError:
    sys.exit("openxr_picture: needs matplotlib (sudo apt-get install python3-matplotlib) "
             "and Debian's /usr/bin/python3")

DIGITS = [("thumb", [1, 2, 3, 4, 5], "tab:red"), ("index", [1, 6, 7, 8, 9, 10], "tab:orange"),
          ("middle", [1, 11, 12, 13, 14, 15], "tab:green"), ("ring", [1, 16, 17, 18, 19, 20], "tab:blue"),
          ("little", [1, 21, 22, 23, 24, 25], "tab:purple")]
AXIS = 0.01  # metres drawn per axis


def rotate(q, v):
    """v turned by the unit quaternion q = (x, y, z, w)."""
    x, y, z, w = q
    tx = 2 * (y * v[2] - z * v[1])
    ty = 2 * (z * v[0] - x * v[2])
    tz = 2 * (x * v[1] - y * v[0])
    return (v[0] + w * tx + y * tz - z * ty, v[1] + w * ty + z * tx - x * tz, v[2] + w * tz + x * ty - y * tx)


# The two views: which OpenXR coordinate goes across and which up.
VIEWS = [("from above (back of the hand)", 0, 2, 1, -1, "X (m)", "-Z (m)"),
         ("from the side (+X)", 2, 1, -1, 1, "-Z (m)", "Y (m)")]


def draw(ax, title, hand, view):
    name, across, up, sign_across, sign_up, xlabel, ylabel = view

    def flat(p):
        return (sign_across * p[across], sign_up * p[up])

    joints = hand["joints"]
    pos = [flat(j["position"]) for j in joints]
    for digit, chain, colour in DIGITS:
        ax.plot(*zip(*[pos[i] for i in chain]), color=colour, linewidth=2.5, alpha=0.6, label=digit)
    for joint, p in zip(joints, pos):
        for axis, colour in (((1, 0, 0), "red"), ((0, 1, 0), "green"), ((0, 0, 1), "blue")):
            d = flat(rotate(joint["orientation"], axis))
            ax.plot([p[0], p[0] + AXIS * d[0]], [p[1], p[1] + AXIS * d[1]], color=colour, linewidth=1)
    ax.scatter(*zip(*pos), color="black", s=6, zorder=3)
    ax.scatter(*pos[0], color="black", marker="s", s=25, zorder=3)
    ax.set_title(f"{title}{'' if hand['isActive'] else ' (inactive)'}\n{name}", fontsize=10)
    ax.set_xlabel(xlabel)
    ax.set_ylabel(ylabel)
    ax.set_aspect("equal")
    ax.grid(True, linewidth=0.3)


def main(argv):
    if len(argv) < 3 or any("=" not in a for a in argv[2:]):
        sys.exit(__doc__.strip())
    panels = [a.split("=", 1) for a in argv[2:]]
    fig, axes = plt.subplots(2, len(panels), figsize=(4 * len(panels), 7), squeeze=False,
                             gridspec_kw={"height_ratios": [3, 1.2]})
    for i, (title, path) in enumerate(panels):
        try:
            with open(path) as f:
                hand = json.load(f)
        except (OSError, ValueError) as e:
            sys.exit(f"openxr_picture: cannot read {path}: {e}")
        for row, view in enumerate(VIEWS):
            draw(axes[row][i], title, hand, view)
    axes[0][0].legend(loc="lower left", fontsize=7)
    fig.suptitle("OpenXR hand joints relative to the wrist (at 0, 0); joint axes X red, Y green, Z blue; "
                 "palm square")
    fig.tight_layout()
    fig.savefig(argv[1], dpi=110)
    print(f"Wrote {argv[1]}")


if __name__ == "__main__":
    main(sys.argv)
