#!/usr/bin/env bash
# Draws the OpenXR joints of an open hand and a fist of both hands, from a simulated right and
# left exoskeleton glove, into openxr-hands.png (or the file given). Uses the tools of
# build/release (or BUILD=dir) and Debian's /usr/bin/python3 with python3-matplotlib.
# Starts its own tesslink-sim: do not run it beside another connection service.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
build="${BUILD:-$here/../build/release}"
out="${1:-openxr-hands.png}"
sim="$build/tools/tesslink-sim/tesslink-sim"
tscore="$build/tools/tscore/tscore"
for tool in "$sim" "$tscore"; do
  [ -x "$tool" ] || { echo "openxr-picture: $tool is missing; build first (cmake --build --preset release)" >&2; exit 1; }
done
work="$(mktemp -d)"
trap 'kill "${pid:-}" 2>/dev/null || true; rm -rf "$work"' EXIT

for motion in open fist; do
  "$sim" --tessara right --tessara left --motion "$motion" > "$work/sim.out" &
  pid=$!
  for _ in $(seq 50); do grep -q ready "$work/sim.out" && break; sleep 0.1; done
  "$tscore" pose --right --openxr > "$work/right-$motion.json"
  "$tscore" pose --left --openxr > "$work/left-$motion.json"
  kill "$pid"; wait "$pid" || true
done

/usr/bin/python3 "$here/openxr_picture.py" "$out" \
  "right hand, open=$work/right-open.json" "left hand, open=$work/left-open.json" \
  "right hand, fist=$work/right-fist.json" "left hand, fist=$work/left-fist.json"
