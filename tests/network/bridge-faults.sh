#!/usr/bin/env bash
# The bridge over a bad network: the glove PC (tesslink-sim, tscore-bridge publish
# --accept-haptics) and the remote PC (tscore-bridge mirror, tscore) are two machines
# (scripts/machines.sh) whose link first loses 10 % of the packets and delays each by
# 50 ms +- 50 ms, so that packets also overtake each other, then is cut twice: by 100 % loss
# and by taking it down. Through tc's netem where the kernel has it, else through impair.py,
# a relay between two tun devices that does the same in user space.
#   - the remote poses stay live while the link is bad;
#   - nothing is applied out of order: a beta device's counter texts as recorded on the
#     remote PC, the commands the simulator prints (each one carries a counter);
#   - a cut releases the glove within 200 ms, and the command that stands on the remote PC
#     reaches the glove again once the link is back.
# Usage: bridge-faults.sh BUILD_DIR SOURCE_DIR. Exits 77 (skipped) without root, namespaces,
# or netem and tun devices both.
set -uo pipefail
build=$1
src=$2
source "$src/scripts/machines.sh"
sim=$build/tools/tesslink-sim/tesslink-sim
tscore=$build/tools/tscore/tscore
bridge=$build/tools/tscore-bridge/tscore-bridge
python=/usr/bin/python3

skip() {
  echo "skipped: $*"
  exit 77
}
why=$(machines_unavailable)
[ -z "$why" ] || skip "$why"
if command -v tc >/dev/null &&
  unshare -n sh -c 'ip link add a type veth peer name b && tc qdisc add dev a root netem delay 1ms' 2>/dev/null; then
  mode=netem
elif [ -c /dev/net/tun ] && [ -x "$python" ]; then
  mode=relay
else
  skip "neither tc's netem (sch_netem) nor tun devices are available"
fi

work=$(mktemp -d -t tscore-bridge-faults.XXXXXX)
cd "$work"
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
cleanup() {
  {
    [ -n "${relay:-}" ] && kill "$relay" && wait "$relay"
    machines_halt
    wait
  } 2>/dev/null # no notices of the processes it kills
  rm -rf "$work"
}
trap cleanup EXIT

machine_boot glove
machine_boot remote
if [ "$mode" = netem ]; then
  machine_link glove 10.77.0.1 remote 10.77.0.2
  impair() { # LOSS_PERCENT DELAY_MS JITTER_MS
    for m in glove remote; do
      nsenter -t "${MACHINE[$m]}" -n tc qdisc replace dev link0 root netem loss "$1%" delay "${2}ms" "${3}ms"
    done
  }
else
  mkfifo control
  "$python" "$src/tests/network/impair.py" tsl-glove tsl-remote <control >relay.log 2>&1 &
  relay=$!
  exec 8>control # held open: the relay runs until the end
  for _ in $(seq 50); do grep -q ready relay.log && break; sleep 0.1; done
  grep -q ready relay.log || { cat relay.log; fail "the relay did not start"; exit 1; }
  for m in glove remote; do
    ip link set "tsl-$m" netns "${MACHINE[$m]}"
    nsenter -t "${MACHINE[$m]}" -n ip link set "tsl-$m" name link0
  done
  machine_address glove 10.77.0.1
  machine_address remote 10.77.0.2
  impair() { echo "$1 $2 $3" >&8; }
fi
echo "link: $mode"
cyclone_config dds-glove.xml 10.77.0.2
cyclone_config dds-remote.xml 10.77.0.1
on() { # MACHINE CMD...: runs CMD there with that machine's DDS configuration
  local m=$1
  shift
  CYCLONEDDS_URI=file://$work/dds-$m.xml in_machine "$m" "$@"
}

# Every line the simulator prints, with the time it printed it.
(on glove "$sim" --tessara right --kelvo left --beta 'seq1:HW1:v1.0' </dev/null 2>&1 |
  while IFS= read -r line; do echo "$EPOCHREALTIME $line"; done >sim.log) &
on glove "$bridge" publish --accept-haptics --verbose >publish.log 2>&1 </dev/null &
publisher=$!
on remote "$bridge" mirror --verbose >mirror.log 2>&1 </dev/null &
mirror=$!
for _ in $(seq 100); do
  [ "$( (on remote "$tscore" list 2>/dev/null) | grep -c ' yes ')" = 2 ] && break
  sleep 0.1
done
(on remote "$tscore" list) || { fail "the remote PC does not see the gloves"; exit 1; }

echo "== 10 % loss, delay 50 ms +- 50 ms"
impair 10 50 50
sleep 1
(on remote "$tscore" watch --device 0 --rate 10 --seconds 15 | cat >watch.log) &
watching=$!
(on remote "$tscore" record --out "$work/recording.jsonl" --seconds 15 >/dev/null) &
recording=$!
declare -A ends=()
end=$((SECONDS + 15))
for ((i = 1; SECONDS < end; i++)); do
  (on remote "$tscore" haptics --device 0 --ffb "$((i / 100 + 1)),$((i % 100)),7,7,7" >/dev/null 2>&1)
  ends[$?]=$((${ends[$?]:-0} + 1))
done
wait "$watching" "$recording"
echo "commands sent: $((i - 1)), exit codes: $(for c in "${!ends[@]}"; do printf '%s:%s ' "$c" "${ends[$c]}"; done)"
[ "${ends[0]:-0}" -gt 0 ] || fail "no command reached the remote PC's service"

frames=$(wc -l <watch.log)
not_live=$(awk '$2 != "live"' watch.log)
echo "remote poses: $frames frames, $(grep -c . <<<"$not_live") not live"
[ "$frames" -ge 100 ] || fail "tscore watch on the remote PC gave only $frames frames in 15 s"
[ -z "$not_live" ] || fail "remote poses not live on a lossy link: $(head -n 3 <<<"$not_live" | paste -sd';')"

# The beta device (device2) counts up: the texts the remote PC saw never go back.
texts=$(grep -o '"key":"device2","text":"beta [0-9]*"' recording.jsonl | grep -o '[0-9]*"$' | tr -d '"')
backwards=$(awk 'NR > 1 && $1 < last { n++ } { last = $1 } END { print n + 0 }' <<<"$texts")
echo "beta texts seen on the remote PC: $(grep -c . <<<"$texts"), $backwards going back"
[ "$(grep -c . <<<"$texts")" -ge 100 ] || fail "the remote PC recorded only $(grep -c . <<<"$texts") beta texts"
[ "$backwards" = 0 ] || fail "$backwards sensor texts applied out of order on the remote PC"

# Commands carry 7,7,7 after their counter (A*100+B as A-1,B); releases are all zero.
counters=$(grep -o 'haptics device0 tessara ffb=[0-9]*,[0-9]*,7,7,7 ' sim.log | grep -o '=[0-9]*,[0-9]*' |
  tr -d '=' | awk -F, '{ print ($1 - 1) * 100 + $2 }')
older=$(awk 'NR > 1 && $1 < last { n++ } { last = $1 } END { print n + 0 }' <<<"$counters")
releases=$(grep -c 'haptics device0 tessara ffb=0,0,0,0,0 ' sim.log)
echo "commands the glove received: $(grep -c . <<<"$counters"), $older older than the one before;" \
  "$releases releases on a lossy link (a mirror unheard for 150 ms)"
[ "$older" = 0 ] || fail "$older commands applied out of order on the glove"

# cut KIND DOWN UP: a standing command, the link cut, the release timed, the link back.
cut() {
  local kind=$1 down=$2 up=$3 before at released
  # Once the link is back the remote PC hears the glove PC's service within a heartbeat or
  # two; on a loaded machine that can take longer than the command below needs.
  for _ in $(seq 100); do (on remote "$tscore" pose --device 0 >/dev/null 2>&1) && break; sleep 0.1; done
  (on remote "$tscore" haptics --device 0 --ffb 0,60,60,0,0 >/dev/null) || fail "$kind: the standing command was refused"
  for _ in $(seq 50); do grep -q 'device0 tessara ffb=0,60,60,0,0 ' sim.log && break; sleep 0.1; done
  sleep 0.5
  before=$(wc -l <sim.log)
  at=$EPOCHREALTIME
  eval "$down"
  sleep 1
  released=$(tail -n +$((before + 1)) sim.log | awk -v at="$at" '/device0 tessara ffb=0,0,0,0,0 buzz=0,0,0,0,0 / {
    printf "%d", ($1 - at) * 1000; exit }')
  echo "$kind: released after ${released:-no release in 1000} ms"
  [ -n "$released" ] && [ "$released" -le 200 ] || fail "$kind: the glove was not released within 200 ms of the cut"
  before=$(wc -l <sim.log)
  eval "$up"
  for _ in $(seq 100); do tail -n +$((before + 1)) sim.log | grep -q 'device0 tessara ffb=0,60,60,0,0 ' && break; sleep 0.1; done
  tail -n +$((before + 1)) sim.log | grep -q 'device0 tessara ffb=0,60,60,0,0 ' ||
    fail "$kind: the standing command did not reach the glove within 10 s of the link coming back"
}
echo "== cuts on a clean link"
impair 0 0 0
sleep 1
cut "100 % loss" "impair 100 0 0" "impair 0 0 0"
cut "link down" "nsenter -t ${MACHINE[glove]} -n ip link set link0 down" \
  "nsenter -t ${MACHINE[glove]} -n ip link set link0 up"
live=no
for _ in $(seq 100); do (on remote "$tscore" pose --device 0 >/dev/null 2>&1) && live=yes && break; sleep 0.1; done
[ "$live" = yes ] || fail "remote poses not live again within 10 s of the cuts"

kill -TERM "$mirror" "$publisher"
wait "$mirror" "$publisher"
echo "mirror: $(grep '^stats' mirror.log)"
echo "publisher: $(grep '^stats' publish.log)"
if [ -n "${relay:-}" ]; then
  kill -TERM "$relay"
  wait "$relay"
  cat relay.log
  relay=""
fi
malformed=$(grep '^stats' mirror.log | grep -o 'malformed=[0-9]*')
[ "$malformed" = malformed=0 ] || fail "the mirror counted $malformed samples of an honest publisher"
[ "$failures" = 0 ] && echo "passed" || echo "$failures failure(s)"
[ "$failures" = 0 ]
