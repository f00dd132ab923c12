#!/usr/bin/env bash
# The soak: every way of reaching the gloves at once, for MINUTES (default 30), while the
# connection service is restarted and the publisher killed every minute. Two machines (see
# scripts/machines.sh) joined by a veth link:
#   glove PC:  tesslink-sim with four gloves, tscore-bridge publish --accept-haptics,
#              tscore view --allow-haptics with three headless Chromium tabs, a client that
#              keeps the segments mapped (ServiceReader), Python's glove.poses()
#   remote PC: tscore-bridge mirror, a client on the per-call API, tscore in a shell loop,
#              the OpenXR example over the installed headless runtime and layer
# The clients read poses and send haptics without pause, each to its own glove. Every 10 s a
# table line gives each process's resident memory (MiB) and open descriptors, read from /proc.
# It fails (exit 1), naming the process and what, on:
#   - growth after the first minute: RSS above the first minute's peak by more than 5 % or
#     2 MiB (whichever is larger), or more descriptors than the first minute's peak in three
#     samples in a row (Chromium, whose tree breathes on its own: 25 % and 32 descriptors);
#   - a crash: any exit by a signal the soak did not send, any core dump, any process that
#     should run throughout ending early;
#   - malformed or out-of-order samples counted by the mirror (its only peer is honest);
#   - a lost command: once things settle, the last command of each client must be the
#     last command the simulator printed for its glove (and the OpenXR example's release
#     the last one for the left glove, which only it drives).
# Usage: scripts/soak.sh [MINUTES]   (SOAK_BUILD_DIR: the build to use, default build/release;
# logs stay in <build>/soak/). Needs root; skips, saying why, where namespaces are not allowed.
# Every process it starts runs in one of its machines, with their own /dev/shm and network, so
# it never meets a service or a DDS domain of the host, nor theirs.
set -uo pipefail
cd "$(dirname "$0")/.."
source scripts/machines.sh

minutes=${1:-30}
[[ $minutes =~ ^[1-9][0-9]*$ ]] || { echo "usage: scripts/soak.sh [MINUTES]" >&2; exit 2; }
src=$PWD
build=$(cd "${SOAK_BUILD_DIR:-build/release}" 2>/dev/null && pwd) ||
  { echo "soak: no build in ${SOAK_BUILD_DIR:-build/release}: run cmake --build --preset release first" >&2; exit 1; }
run=$build/soak
sim=$build/tools/tesslink-sim/tesslink-sim
tscore=$build/tools/tscore/tscore
bridge=$build/tools/tscore-bridge/tscore-bridge
client=$build/tests/soak/tscore-soak-client
openxr=$build/tools/openxr-layer/openxr_hands
python=/usr/bin/python3
for program in "$sim" "$tscore" "$bridge" "$client" "$openxr"; do
  [ -x "$program" ] || { echo "soak: $program is not built: run cmake --build --preset release" >&2; exit 1; }
done
why=$(machines_unavailable)
[ -z "$why" ] || { echo "soak: skipped: $why"; exit 0; }
command -v chromium >/dev/null || { echo "soak: skipped: chromium is not installed (scripts/setup.sh)"; exit 0; }
PYTHONPATH=$build/python $python -c 'import tscore' 2>/dev/null ||
  { echo "soak: $build/python holds no importable tscore module: build the release preset" >&2; exit 1; }

rm -rf "$run"
mkdir -p "$run"
cd "$run"
touch exits
ulimit -c unlimited # a crash leaves a core file here (processes run in this directory)

declare -A pid=() expected=() grown=() leaked=() fds_over=() rss_base=() fds_base=() rss_first=() fds_first=() rss_last=() fds_last=() rss_max=() fds_max=()
roles=(sim publish view chromium reader python mirror api openxr)
violations=()
restarts=0 kills=0 incarnation=0 exits_seen=0 cli_bad=0 cores=0

fail() {
  violations+=("$*")
  echo "soak: FAIL $*"
}

cleanup() {
  trap - EXIT
  machines_halt
  wait 2>/dev/null
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# start ROLE MACHINE CMD...: runs CMD on that machine, output appended to ROLE.log (or to
# $out); a watcher records "ROLE PID STATUS" in exits when it ends.
start() {
  local role=$1 machine=$2 log=${out:-$run/$1.log}
  shift 2
  rm -f "$role.pid"
  (
    CYCLONEDDS_URI=file://$run/dds-$machine.xml in_machine "$machine" "$@" >>"$log" 2>&1 </dev/null &
    echo $! >"$role.pid"
    wait $! 2>/dev/null # no job notice: the status goes to exits
    echo "$role $! $?" >>exits
  ) &
  until [ -s "$role.pid" ]; do sleep 0.01; done
  pid[$role]=$(<"$role.pid")
}

# stop ROLE SIGNAL STATUS: sends SIGNAL, expecting STATUS; waits up to 10 s for the end.
stop() {
  local p=${pid[$1]:-}
  [ -n "$p" ] || return 0
  expected[$p]=$3
  kill "-$2" "$p" 2>/dev/null
  for _ in $(seq 100); do kill -0 "$p" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$p" 2>/dev/null && fail "$1 (pid $p) did not stop within 10 s of SIG$2"
  sleep 0.2 # its watcher writes the status
}

wait_for() { # SECONDS WHAT CONDITION...
  local seconds=$1 what=$2
  shift 2
  for _ in $(seq $((seconds * 10))); do "$@" && return 0; sleep 0.1; done
  echo "soak: $what did not happen within $seconds s; logs in $run" >&2
  exit 1
}

start_sim() {
  incarnation=$((incarnation + 1))
  out=$run/sim.$incarnation.log start sim glove "$sim" --tessara right --tessara left --kelvo right --kelvo left
}

# The simulator prints a line for every command it sees; keep a summary of each run only.
summarise_sim() {
  local log=$run/sim.$1.log
  awk -v run="$1" '/^haptics / { n[$2]++; last[$2] = $0; next } { print }
    END { for (d in n) print "run " run ": " n[d] " commands to " d ", last: " last[d] }' "$log" >>sim.log
  [ "$1" = "$incarnation" ] || rm -f "$log"
}

# Every process the soak has started has a line in exits once it ends.
check_exits() {
  local role p status line
  while IFS= read -r line; do
    read -r role p status <<<"$line"
    if [ -n "${expected[$p]:-}" ]; then
      [ "$status" = "${expected[$p]}" ] || fail "$role (pid $p) stopped with status $status, not ${expected[$p]}"
    elif [ "$status" -gt 128 ]; then
      fail "$role (pid $p) crashed: ended by signal $((status - 128)) (log: $run/$role.log)"
    else
      fail "$role (pid $p) ended on its own with status $status (log: $run/$role.log)"
    fi
  done < <(tail -n +$((exits_seen + 1)) exits 2>/dev/null)
  exits_seen=$(wc -l <exits 2>/dev/null || echo 0)
  local bad
  bad=$(grep -c -e '^crash' -e '^unexpected' cli.log 2>/dev/null)
  if [ "${bad:-0}" -gt "$cli_bad" ]; then
    fail "cli: $(grep -e '^crash' -e '^unexpected' cli.log | tail -n +$((cli_bad + 1)) | head -n 3 | paste -sd';')"
    cli_bad=$bad
  fi
  if [ "$cores" = 0 ] && ls core* >/dev/null 2>&1; then
    cores=1
    fail "core dumps in $run: $(ls core* | tr '\n' ' ')"
  fi
}

# The pid and every descendant (Chromium's renderers and helpers).
tree() {
  cat /proc/[0-9]*/stat 2>/dev/null | awk -v root="$1" '{ pid = $1; sub(/^.*\) /, ""); parent[pid] = $2 }
    END { want[root] = 1
          do { grew = 0; for (p in parent) if (!(p in want) && (parent[p] in want)) { want[p] = 1; grew = 1 } } while (grew)
          for (w in want) print w }'
}

# Resident memory in KiB and open descriptors. A process tree (Chromium's renderers and
# helpers) counts its proportional set sizes, so that pages its processes share count once.
# A process's descriptors are the fewest of ten looks 10 ms apart: a leak stays, while the
# per-call API opens and closes a segment's descriptor on every call.
measure() {
  local rss=0 fds=0 p kb field=VmRSS list=$1
  [ "$2" = tree ] && field=Pss list=$(tree "$1")
  for p in $list; do
    kb=$(awk -v f="$field:" '$1 == f { print $2 }' "/proc/$p/status" "/proc/$p/smaps_rollup" 2>/dev/null) || continue
    rss=$((rss + ${kb:-0}))
    fds=$((fds + $(descriptors "$p" "$([ "$2" = tree ] && echo 1 || echo 10)")))
  done
  echo "$rss $fds"
}

descriptors() { # PID LOOKS
  local fewest=1000000 look entries
  for ((look = 0; look < $2; look++)); do
    ((look > 0)) && sleep 0.01
    entries=("/proc/$1/fd/"*)
    [ -e "${entries[0]}" ] || entries=()
    ((${#entries[@]} < fewest)) && fewest=${#entries[@]}
  done
  echo "$fewest"
}

stat_of() { # LOG FIELD: the field of the last statistics line
  grep -o "stats .*" "$1" 2>/dev/null | tail -n 1 | tr ' ' '\n' | awk -F= -v k="$2" '$1 == k { print $2 }'
}

# Bounds, against each process's peak in the first minute: RSS at most 5 % or 2 MiB above it
# (whichever is larger), descriptors not above it. Chromium's tree breathes with its garbage
# collector and its renderers open and close descriptors of their own: 25 % and 32 descriptors.
rss_limit() {
  local base=${rss_base[$1]:-0} pct=5 floor=2048
  [ "$1" = chromium ] && pct=25
  echo $((base + (base * pct / 100 > floor ? base * pct / 100 : floor)))
}
fds_limit() { echo $((${fds_base[$1]:-0} + $([ "$1" = chromium ] && echo 32 || echo 0))); }

sample() {
  local t=$1 role m rss fds cells="" warm=$(($1 <= 60))
  for role in "${roles[@]}"; do
    m=$(measure "${pid[$role]}" "$([ "$role" = chromium ] && echo tree)")
    read -r rss fds <<<"$m"
    cells+=$(printf ' %10s' "$(cell "$rss" "$fds")")
    if [ "$rss" = 0 ]; then
      continue # between a restart's stop and start
    elif [ "$warm" = 1 ]; then
      [ "$rss" -gt "${rss_base[$role]:-0}" ] && rss_base[$role]=$rss
      [ "$fds" -gt "${fds_base[$role]:-0}" ] && fds_base[$role]=$fds
    else
      [ -n "${rss_first[$role]:-}" ] || { rss_first[$role]=$rss; fds_first[$role]=$fds; }
      [ "$rss" -gt "${rss_max[$role]:-0}" ] && rss_max[$role]=$rss
      [ "$fds" -gt "${fds_max[$role]:-0}" ] && fds_max[$role]=$fds
      [ "$rss" -gt "$(rss_limit "$role")" ] && [ -z "${grown[$role]:-}" ] && grown[$role]=1 &&
        fail "t=${t}s $role (pid ${pid[$role]}): RSS $(cell "$rss") MiB, above its bound $(cell "$(rss_limit "$role")") MiB"
      # A leaked descriptor stays; one a call holds for a moment (the per-call API opens each
      # segment per read, a reader one while it remaps) is caught by a sample now and then.
      if [ "$fds" -gt "$(fds_limit "$role")" ]; then fds_over[$role]=$((${fds_over[$role]:-0} + 1)); else fds_over[$role]=0; fi
      [ "${fds_over[$role]}" -ge 3 ] && [ -z "${leaked[$role]:-}" ] && leaked[$role]=1 &&
        fail "t=${t}s $role (pid ${pid[$role]}): $fds open descriptors, above its bound $(fds_limit "$role") for 30 s"
    fi
    rss_last[$role]=$rss fds_last[$role]=$fds
  done
  local shm_g shm_r malformed order foreign tabs conns
  shm_g=$(du -sk "/proc/${MACHINE[glove]}/root/dev/shm" | cut -f1)
  shm_r=$(du -sk "/proc/${MACHINE[remote]}/root/dev/shm" | cut -f1)
  malformed=$(stat_of mirror.log malformed) order=$(stat_of mirror.log out-of-order) foreign=$(stat_of mirror.log foreign)
  tabs=$(tab_count)
  # Established connections to the view (its port is 8080 = 0x1F90 on the glove PC).
  conns=$(awk '$2 ~ /:1F90$/ && $4 == "01"' "/proc/${pid[view]}/net/tcp" 2>/dev/null | wc -l)
  printf '%5d%s %6s %6s %4s %4s %4s %4s %4s %3d %3d\n' "$t" "$cells" "$shm_g" "$shm_r" "${malformed:--}" \
    "${order:--}" "${foreign:--}" "$tabs" "$conns" "$restarts" "$kills"
  [ "${malformed:-0}" = 0 ] || fail "t=${t}s mirror: malformed=$malformed samples from an honest publisher"
  [ "${order:-0}" = 0 ] || fail "t=${t}s mirror: out-of-order=$order samples from an honest publisher"
  [ "$tabs" = 3 ] || fail "t=${t}s chromium: $tabs of 3 tabs open"
  [ "$conns" -ge 3 ] || fail "t=${t}s view: $conns connections, fewer than its 3 pages"
  # Loading the pages leaves connections that close by themselves within the first minute.
  [ "$warm" = 1 ] || [ "$conns" -le 6 ] ||
    fail "t=${t}s view: $conns connections for 3 pages (a WebSocket and a page load each at most)"
  check_exits
}

header() {
  printf '%5s' t
  for role in "${roles[@]}"; do printf ' %10s' "$role"; done
  printf ' %6s %6s %4s %4s %4s %4s %4s %3s %3s\n' shm-g shm-r malf ooo frgn tabs conn rst kil
  echo "      (each process: RSS MiB/open descriptors; shm-g/shm-r: KiB in /dev/shm of the glove and remote PC;" \
    "malf/ooo/frgn: the mirror's malformed, out-of-order, foreign samples; conn: connections to the view;" \
    "rst/kil: service restarts, publisher kills)"
}

tab_count() {
  (in_machine glove "$python" -c 'import json, urllib.request as u
print(sum(t["type"] == "page" for t in json.load(u.urlopen("http://127.0.0.1:9222/json/list", timeout=5))))') \
    2>/dev/null || echo 0
}

open_tabs() {
  local url
  url=$(grep -o 'http://[^ ]*' view.log | head -n 1)
  out=$run/chromium.log start chromium glove chromium --headless --no-sandbox --disable-gpu --disable-quic \
    --no-first-run --disable-background-networking --disable-component-update --disable-sync \
    --disable-background-timer-throttling --disable-renderer-backgrounding \
    --disable-backgrounding-occluded-windows --user-data-dir="$run/chromium-profile" \
    --remote-debugging-port=9222 "$url"
  wait_for 30 "chromium's DevTools" grep -q 'DevTools listening' chromium.log
  # Headless Chromium opens one page from its command line; the others through DevTools.
  for _ in 2 3; do
    (in_machine glove "$python" -c 'import sys, urllib.request as u
u.urlopen(u.Request("http://127.0.0.1:9222/json/new?" + sys.argv[1], method="PUT"), timeout=10)' "$url") ||
      { echo "soak: cannot open a tab in chromium" >&2; exit 1; }
  done
}

# The last command each client sent must be the simulator's last for that glove.
check_commands() {
  local log=$run/sim.$incarnation.log line device want got
  for line in "reader.log" "api.log" "cli.log" "openxr:device1 ffb=0,0,0,0,0 buzz=0,0,0,0,0"; do
    if [[ $line == openxr:* ]]; then
      read -r device want <<<"${line#openxr:}"
    else
      read -r _ device want <<<"$(grep '^last ' "$line" | tail -n 1)"
      [ -n "$want" ] || { fail "${line%.log}: printed no last command"; continue; }
    fi
    got=$(grep "^haptics $device " "$log" | tail -n 1)
    if [[ " $got " == *" $want "* ]]; then
      echo "soak: $device: the simulator holds the last command sent ($want)"
    else
      fail "${line%%[.:]*}: lost its last command to $device: sent $want, the simulator's last is '${got:-none}'"
    fi
  done
}

verdict() {
  local role
  echo
  printf '%-9s %16s %16s %16s %16s %16s\n' process "first-min peak" "after warm-up" last "max after" bound
  for role in "${roles[@]}"; do
    printf '%-9s %16s %16s %16s %16s %16s\n' "$role" "$(cell "${rss_base[$role]:-}" "${fds_base[$role]:-}")" \
      "$(cell "${rss_first[$role]:-}" "${fds_first[$role]:-}")" "$(cell "${rss_last[$role]:-}" "${fds_last[$role]:-}")" \
      "$(cell "${rss_max[$role]:-}" "${fds_max[$role]:-}")" "$(cell "$(rss_limit "$role")" "$(fds_limit "$role")")"
  done
}

cell() { [ -z "${1:-}" ] && echo - || awk -v r="$1" -v f="${2:-}" 'BEGIN { printf "%.1f%s", r / 1024, f == "" ? "" : "/" f }'; }

echo "soak: $minutes minute(s); logs in $run"
machine_boot glove
machine_boot remote
machine_link glove 10.77.0.1 remote 10.77.0.2
cyclone_config dds-glove.xml 10.77.0.2
cyclone_config dds-remote.xml 10.77.0.1
# The OpenXR example runs over the installed runtime and layer, as a user's application would.
cmake --install "$build" --prefix "$run/prefix" >install.log || { echo "soak: install failed (install.log)" >&2; exit 1; }
export XR_RUNTIME_JSON=$run/prefix/share/tscore/openxr/tscore_headless_runtime.json
export XR_API_LAYER_PATH=$run/prefix/share/openxr/1/api_layers/explicit.d
export XR_ENABLE_API_LAYERS=XR_APILAYER_TSCORE_hand_tracking

start_sim
wait_for 10 "the simulator's ready" grep -qx ready "sim.$incarnation.log"
start publish glove "$bridge" publish --accept-haptics --verbose
start mirror remote "$bridge" mirror --verbose
wait_for 30 "the remote PC seeing four gloves" sh -c \
  "nsenter -t ${MACHINE[remote]} -m -n '$tscore' list 2>/dev/null | grep -c ' yes ' | grep -qx 4"
start view glove "$tscore" view --allow-haptics --port 8080
wait_for 10 "tscore view serving" grep -q '^Serving' view.log
open_tabs
start reader glove nice -n 19 "$client" reader 2
PYTHONPATH=$build/python start python glove "$python" -u "$src/tests/soak/poses.py"
start api remote nice -n 19 "$client" api 3
start cli remote nice -n 19 "$src/tests/soak/cli-loop.sh" "$tscore" 0
start openxr remote "$openxr" $((minutes * 60 + 5))

header
t0=$(date +%s)
for ((t = 1; t <= minutes * 60; t++)); do
  sleep "$(awk -v end=$((t0 + t)) -v now="$(date +%s.%N)" 'BEGIN { d = end - now; print (d > 0 ? d : 0) }')"
  if ((t % 60 == 20)); then
    stop sim TERM 0
    summarise_sim "$incarnation"
    start_sim
    restarts=$((restarts + 1))
    echo "$(date +%T) t=${t}s service restarted" >>events.log
  fi
  if ((t % 60 == 50)); then
    stop publish KILL 137
    start publish glove "$bridge" publish --accept-haptics --verbose
    kills=$((kills + 1))
    echo "$(date +%T) t=${t}s publisher killed and started again" >>events.log
  fi
  ((t % 10 == 0)) && sample "$t"
done

# Settle: the example releases its grip as it exits; the clients send their last commands.
echo "soak: settling"
for _ in $(seq 200); do kill -0 "${pid[openxr]}" 2>/dev/null || break; sleep 0.1; done
expected[${pid[openxr]}]=0
for role in reader api cli; do stop "$role" TERM 0; done
sleep 2
check_exits
stop sim TERM 0
summarise_sim "$incarnation"
check_commands
stop python TERM 0
stop view TERM 143 # tscore's documented status after SIGTERM
stop chromium TERM 0
stop publish TERM 0
stop mirror TERM 0
check_exits
verdict
echo
echo "clients:"
grep -h '^stats' reader.log api.log python.log | paste -d' ' <(printf '%s\n' reader api python) -
grep '^ends' cli.log | sed 's/^/cli /'
echo "mirror: $(grep '^stats' mirror.log | tail -n 1)"
echo "openxr: $(grep -c 'index tip' openxr.log) tracked and $(grep -c 'not tracked' openxr.log) untracked hand lines"
if [ ${#violations[@]} -gt 0 ]; then
  echo "soak: FAILED with ${#violations[@]} violation(s):"
  printf '  %s\n' "${violations[@]}"
  exit 1
fi
echo "soak: passed: $minutes minute(s), $restarts service restart(s), $kills publisher kill(s), no growth, no crash, nothing lost"
