#!/usr/bin/env bash
# tscore as a user drives it from a shell, for the soak: a pose and a haptic command in turn,
# without pause. Exit codes that say the service or the glove is away (3, 4, 7) are expected
# while the soak restarts things, and so is 8 from haptics: the OpenXR example drives the same
# glove, and a command it overwrote before tscore read it back is reported as not sent. A
# crash (a signal) or another code is printed at once, with the time. On SIGTERM it sends one
# last command, which the soak expects the simulator to hold.
# Usage: cli-loop.sh TSCORE DEVICE_INDEX
tscore=$1
device=$2
stopping=0
trap 'stopping=1' TERM INT
declare -A ends

# run WHAT ARGS...: runs tscore WHAT ARGS and judges how it ended.
run() {
  local what=$1 text rc
  text=$("$tscore" "$@" 2>&1 >/dev/null)
  rc=$?
  ends["$what $rc"]=$((${ends["$what $rc"]:-0} + 1))
  case $what:$rc in
    *:0 | *:3 | *:4 | *:7 | haptics:8) ;;
    *) [ "$rc" -gt 128 ] && echo "crash: $(date +%T) tscore $what ended by signal $((rc - 128))" ||
         echo "unexpected: $(date +%T) tscore $what exited with $rc: $text" ;;
  esac
  return "$rc"
}

i=0
while [ "$stopping" = 0 ]; do
  run pose --device "$device" --json
  level=$((i % 100)) buzz=$((99 - i % 100))
  run haptics --device "$device" --ffb "$level,$level,$level,$level,$level" --buzz "$buzz,$buzz,$buzz,$buzz,$buzz"
  i=$((i + 1))
done
run haptics --device "$device" --ffb 11,22,33,44,55 --buzz 66,77,88,99,1
rc=$?
[ $rc = 0 ] && echo "last device$device ffb=11,22,33,44,55 buzz=66,77,88,99,1"
for key in "${!ends[@]}"; do printf 'ends %s: %s\n' "$key" "${ends[$key]}"; done | sort
