#!/usr/bin/env bash
# The five-minute tour: installs what is missing, builds, starts the simulated connection
# service with a right exoskeleton glove and a left Kelvo glove, and drives them with tscore.
# DEMO_SECONDS (default 5) sets how long each live view runs. DEMO_BUILD_DIR uses an
# existing build directory instead of configuring and building the release preset.
# The simulator is stopped and its shared memory removed however the script ends.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${DEMO_SECONDS:-5}"
build="${DEMO_BUILD_DIR:-}"

if [ -z "$build" ]; then
  ./scripts/setup.sh
  cmake --preset release
  cmake --build --preset release
  build=build/release
fi
sim="$build/tools/tesslink-sim/tesslink-sim"
tscore="$build/tools/tscore/tscore"

sim_pid=""
sim_log="$(mktemp -t tesslink-sim.XXXXXX)"

cleanup() {
  local rc=$?
  trap - EXIT INT TERM
  if [ -n "$sim_pid" ]; then
    # SIGTERM lets the simulator remove the segments it owns; give it a few seconds. A killed
    # one leaves them behind, and the next simulator replaces them.
    kill -TERM "$sim_pid" 2>/dev/null || true
    for _ in $(seq 50); do
      kill -0 "$sim_pid" 2>/dev/null || break
      sleep 0.1
    done
    kill -KILL "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
  rm -f "$sim_log"
  exit "$rc"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

step() { printf '\n\033[1m== %s\033[0m\n' "$*"; }

step "tesslink-sim --tessara right --kelvo left --motion wave"
"$sim" --tessara right --kelvo left --motion wave >"$sim_log" 2>&1 </dev/null &
sim_pid=$!
for _ in $(seq 100); do
  grep -qx ready "$sim_log" && break
  # It refuses to start while another service runs; its log says which one.
  kill -0 "$sim_pid" 2>/dev/null || { cat "$sim_log" >&2; echo "demo: tesslink-sim did not start" >&2; sim_pid=""; exit 1; }
  sleep 0.1
done
grep -qx ready "$sim_log" || { echo "demo: tesslink-sim did not get ready" >&2; exit 1; }
echo "simulator running (pid $sim_pid)"

step "tscore list"
"$tscore" list

step "tscore watch --device 0 --seconds $seconds   (the exoskeleton glove)"
"$tscore" watch --device 0 --seconds "$seconds"

step "tscore watch --device 1 --seconds $seconds   (the Kelvo glove)"
"$tscore" watch --device 1 --seconds "$seconds"

step "tscore haptics --device 0 --buzz 0,80,80,0,0 --for 0.5"
"$tscore" haptics --device 0 --buzz 0,80,80,0,0 --for 0.5
# The simulator prints each command it decodes; show the first vibration it received.
for _ in $(seq 20); do
  grep -q '^haptics device0 .*buzz=0,80,80,0,0' "$sim_log" && break
  sleep 0.1
done
echo "simulator received:"
grep -m1 '^haptics device0 .*buzz=0,80,80,0,0' "$sim_log" || { echo "demo: the simulator saw no vibration command" >&2; exit 1; }

step "tscore render --device 0 --svg demo-hand.svg"
"$tscore" render --device 0 --svg demo-hand.svg

step "done"
echo "Open demo-hand.svg to see the hand; 'tscore --help' lists everything else."
