#!/usr/bin/env bash
# Builds the benchmarks in release mode and prints every figure beside the floor (one bare
# Boost.Interprocess open, look-up, copy and close) measured in the same run. The end-to-end
# and scaling benchmarks start tesslink-sim themselves. Allocation counts (allocs/op) are per
# steady-state call; the frame table gives the compute-only cost of one GetHandPose frame.
# Usage: scripts/bench.sh [extra Google Benchmark flags, e.g. --benchmark_filter=Compute]
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup.sh
# The benchmarks run their own simulator under the service's global segment names: beside a
# running connection service they would read its gloves and, at the end, remove its segments.
if [ -e /dev/shm/Devices ] || [ -e /dev/shm/Data ] || [ -e /dev/shm/Haptics ]; then
  echo "bench.sh: a connection service's shared memory is present (/dev/shm/Devices, Data or Haptics);" >&2
  echo "stop that service (or tesslink-sim) first, or run in a private /dev/shm:" >&2
  echo "  unshare --mount --propagation private sh -c 'mount -t tmpfs tmpfs /dev/shm && exec scripts/bench.sh'" >&2
  exit 1
fi
cmake --preset bench >/dev/null
# Everything: the simulator, the Python module and the timers are part of the figures.
cmake --build --preset bench

out="build/bench/results.json"
# The simulator's segments are global names: never leave them behind.
trap 'rm -f /dev/shm/Devices /dev/shm/Data /dev/shm/Haptics /dev/shm/TSCoreBenchFloor' EXIT
build/bench/bench/tscore_bench --benchmark_min_time=0.5 --benchmark_out="$out" --benchmark_out_format=json \
  "$@" >/dev/null
build/bench/bench/tscore_bench_table "$out"
# The compute-only frame through the library's own pose path, with its own floor.
frame="build/bench/frame-results.json"
build/bench/bench/tscore_bench_frame --benchmark_min_time=0.5 --benchmark_out="$frame" --benchmark_out_format=json \
  "$@" >/dev/null
build/bench/bench/tscore_bench_table "$frame"
echo "raw results: $out $frame"
# Retargeting: one solve of the test robot hands (p50/p99 and allocations per solve), when
# libTSCoreRetarget was built (its Debian dependencies were there).
if [ -x build/bench/bench/tscore_retarget_bench ]; then
  build/bench/bench/tscore_retarget_bench --benchmark_min_time=0.5
else
  echo "retargeting benchmark skipped: libTSCoreRetarget was not built (scripts/setup.sh installs its dependencies)"
fi
# One hand-pose read from Python against the same read from C++, in one run.
/usr/bin/python3 bench/python_pose_read.py build/bench

# One hand-pose read from C# under Mono against the same read from C++, in one run (the C
# interface against C++ is BM_CApi_* in the table above, its c/cxx counter the ratio).
if [ -f build/bench/csharp/PoseReadBench.exe ] && command -v mono >/dev/null; then
  build/bench/tools/tesslink-sim/tesslink-sim --tessara right --motion wave >/dev/null </dev/null &
  sim=$!
  sleep 0.5
  LD_LIBRARY_PATH=build/bench/c mono build/bench/csharp/PoseReadBench.exe build/bench/bench/tscore_pose_read_timer
  LD_LIBRARY_PATH=build/bench/c mono build/bench/csharp/PoseReadBench.exe --reader build/bench/bench/tscore_reader_read_timer
  kill "$sim"
  wait "$sim" || true
else
  echo "C# pose read skipped: Mono is missing (apt install mono-mcs mono-runtime)"
fi

# The DDS bridge between two mount namespaces (root only): its own figures, no floor.
if [ -x build/bench/bench/tscore_bridge_bench ]; then
  if [ "$(id -u)" -eq 0 ]; then
    build/bench/bench/tscore_bridge_bench
  else
    echo "bridge benchmark skipped: it needs root for a private /dev/shm per machine"
  fi
fi
