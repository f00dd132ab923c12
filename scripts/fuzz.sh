#!/usr/bin/env bash
# Builds the libFuzzer targets (preset "fuzz": clang, ASan and UBSan), replays each target's
# saved regression inputs, then fuzzes it for SECONDS on a scratch copy of its seed corpus,
# so the corpus in the repository never grows. Targets run TSCORE_FUZZ_JOBS at a time (2 by
# default, one per core of the CI machine). Exits non-zero when any target fails.
# Usage: scripts/fuzz.sh [SECONDS]   (default 30 per target)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-30}"
if ! [[ "$seconds" =~ ^[0-9]+$ ]] || [ "$seconds" -lt 1 ]; then
  echo "usage: $0 [SECONDS]" >&2
  exit 2
fi

./scripts/setup.sh
# TSCORE_FUZZ_BUILD_DIR builds elsewhere than the preset's build/fuzz (a second checkout's
# or a helper's own directory) with the same settings.
build="${TSCORE_FUZZ_BUILD_DIR:-}"
if [ -z "$build" ]; then
  build=build/fuzz
  cmake --preset fuzz
  cmake --build --preset fuzz --target fuzz_all
else
  cmake --preset fuzz -B "$build"
  cmake --build "$build" --target fuzz_all
fi

bin="$build/fuzz"
# Failing inputs are kept here after the run, for minimising and saving under fuzz/regressions/.
artifacts="$build/artifacts"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:strict_string_checks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"

jobs="${TSCORE_FUZZ_JOBS:-2}"
if ! [[ "$jobs" =~ ^[0-9]+$ ]] || [ "$jobs" -lt 1 ]; then
  echo "fuzz: TSCORE_FUZZ_JOBS must be a positive number" >&2
  exit 2
fi

shopt -s nullglob

# One target: its regressions, then SECONDS of fuzzing. Says what happened in $work/result
# (first line "ok" or "failed") and in $work/report, printed once every target is done.
fuzz_one() {
  local exe="$1" name work status runs
  name="$(basename "$exe")"
  work="$scratch/$name"
  mkdir -p "$work/corpus"
  echo failed >"$work/result"

  local regressions=(fuzz/regressions/"$name"/*)
  if [ ${#regressions[@]} -gt 0 ]; then
    if ! "$exe" "${regressions[@]}" </dev/null >"$work/regressions.log" 2>&1; then
      { echo "fuzz: $name: a regression input fails again"; tail -n 40 "$work/regressions.log"; } >"$work/report"
      return
    fi
  fi

  if [ -d "fuzz/corpus/$name" ]; then
    cp -R "fuzz/corpus/$name/." "$work/corpus/"
  fi
  status=0
  "$exe" -max_total_time="$seconds" -timeout=10 -max_len=8192 -print_final_stats=1 -dict=fuzz/tscore.dict \
    -artifact_prefix="$work/" "$work/corpus" </dev/null >"$work/fuzz.log" 2>&1 || status=$?
  runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/fuzz.log" | tail -n 1)"
  local found=( "$work"/crash-* "$work"/leak-* "$work"/timeout-* "$work"/oom-* "$work"/slow-unit-* )
  if [ "$status" -ne 0 ]; then
    {
      echo "fuzz: $name: ${runs:-?} runs, FAILED (exit $status)"
      tail -n 60 "$work/fuzz.log"
      if [ ${#found[@]} -gt 0 ]; then
        mkdir -p "$artifacts/$name"
        cp "${found[@]}" "$artifacts/$name/"
        echo "fuzz: $name: failing input kept in $artifacts/$name/"
      fi
    } >"$work/report"
    return
  fi
  echo ok >"$work/result"
  echo "fuzz: $name: ${runs:-?} runs, ${seconds}s, regressions ${#regressions[@]}, no crash" >"$work/report"
}

names=()
for exe in "$bin"/fuzz_*; do
  [ -f "$exe" ] && [ -x "$exe" ] || continue
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do
    wait -n || true
  done
  names+=("$(basename "$exe")")
  fuzz_one "$exe" &
done
wait

failed=()
for name in "${names[@]}"; do
  if [ "$(head -n 1 "$scratch/$name/result")" = ok ]; then
    cat "$scratch/$name/report"
  else
    cat "$scratch/$name/report" >&2 2>/dev/null || echo "fuzz: $name: stopped without a report" >&2
    failed+=("$name")
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: failed: ${failed[*]}" >&2
  exit 1
fi
echo "fuzz: every target ran clean"
