# Two "machines" on one host, for the soak and the bridge's network tests (sourced, bash).
# A machine is a mount and a network namespace held by a sleeping process: a /dev/shm of its
# own (a fresh tmpfs), so that each side has its own connection service, and a network of its
# own (loopback and one link to the other machine), so that DDS crosses a real interface.
# Programs run inside through nsenter; /proc/<holder>/root/dev/shm shows the machine's segments.
# Needs root.

declare -A MACHINE

# Why machines cannot be made here (empty when they can).
machines_unavailable() {
  [ "$(id -u)" -eq 0 ] || { echo "not root"; return; }
  local tool
  for tool in unshare nsenter ip; do
    command -v "$tool" >/dev/null 2>&1 || { echo "$tool is missing (util-linux, iproute2)"; return; }
  done
  unshare -m -n --propagation private sh -c 'mount -t tmpfs tmpfs /dev/shm' 2>/dev/null ||
    echo "mount and network namespaces with a tmpfs on /dev/shm are not permitted here"
}

# machine_boot NAME: starts the machine; MACHINE[NAME] is its holder's pid.
machine_boot() {
  local ready
  ready="$(mktemp -u)"
  mkfifo "$ready"
  unshare -m -n --propagation private sh -c \
    'mount -t tmpfs tmpfs /dev/shm && ip link set lo up && echo up && exec sleep infinity' >"$ready" &
  MACHINE[$1]=$!
  disown
  read -r _ <"$ready"
  rm -f "$ready"
}

# in_machine NAME CMD...: runs CMD inside, in the current directory (exec, so that the
# caller's $! is CMD's pid).
in_machine() {
  local name=$1
  shift
  exec nsenter -t "${MACHINE[$name]}" -m -n --wd="$PWD" -- "$@"
}

# machine_link A ADDR_A B ADDR_B: a veth pair between two machines, "link0" on both sides.
machine_link() {
  ip link add link0 netns "${MACHINE[$1]}" type veth peer name link0 netns "${MACHINE[$3]}"
  machine_address "$1" "$2"
  machine_address "$3" "$4"
}

# machine_address NAME ADDR: brings up the machine's link0 with ADDR/24.
machine_address() {
  nsenter -t "${MACHINE[$1]}" -n sh -c "ip addr add $2/24 dev link0 && ip link set link0 up"
}

# cyclone_config FILE PEER: DDS over link0 with unicast discovery of PEER.
cyclone_config() {
  cat >"$1" <<EOF
<CycloneDDS xmlns="https://cdds.io/config">
  <Domain Id="any">
    <General>
      <Interfaces><NetworkInterface name="link0"/></Interfaces>
      <AllowMulticast>false</AllowMulticast>
    </General>
    <Discovery>
      <ParticipantIndex>auto</ParticipantIndex>
      <MaxAutoParticipantIndex>40</MaxAutoParticipantIndex>
      <Peers><Peer Address="$2"/></Peers>
    </Discovery>
  </Domain>
</CycloneDDS>
EOF
}

# machines_halt: kills every process inside the machines (all started here), then the holders.
machines_halt() {
  local name holder net proc
  for name in "${!MACHINE[@]}"; do
    holder=${MACHINE[$name]}
    net="$(readlink "/proc/$holder/ns/net" 2>/dev/null)" || continue
    for proc in /proc/[0-9]*; do
      [ "${proc#/proc/}" != "$holder" ] && [ "$(readlink "$proc/ns/net" 2>/dev/null)" = "$net" ] &&
        kill -KILL "${proc#/proc/}" 2>/dev/null
    done
    kill -KILL "$holder" 2>/dev/null
    unset "MACHINE[$name]"
  done
  return 0
}
