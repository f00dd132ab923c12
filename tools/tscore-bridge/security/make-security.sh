#!/usr/bin/env bash
# Makes what DDS Security needs for one glove PC and one remote PC: a certificate authority,
# an identity (certificate and key) per machine, the signed governance and per-machine signed
# permissions, and a Cyclone DDS configuration per machine that uses them.
#
# Usage: make-security.sh OUTDIR [INTERFACE PEER...]
#   INTERFACE and PEERs go into the configurations as in cyclonedds.example.xml; without them
#   the configurations use loopback, for trying it out on one PC.
# Copy OUTDIR/glove-pc/ to the glove PC and OUTDIR/remote-pc/ to the remote PC, at the same
# path (the configurations name their files by absolute path); the CA's key, OUTDIR/ca.key,
# stays on neither. Then on each: export CYCLONEDDS_URI=file://OUTDIR/<machine>/cyclonedds.xml
set -euo pipefail

if [ $# -lt 1 ]; then
  sed -n '2,11p' "$0" >&2
  exit 2
fi
out="$(mkdir -p "$1" && cd "$1" && pwd)"
here="$(cd "$(dirname "$0")" && pwd)"
interface="${2:-lo}"
shift $(( $# > 1 ? 2 : 1 ))
peers=("$@")
[ ${#peers[@]} -gt 0 ] || peers=(127.0.0.1)
plugins="$(dirname "$(find /usr/lib -name libdds_security_auth.so -print -quit 2>/dev/null)")"
if [ -z "$plugins" ] || [ "$plugins" = "." ]; then
  echo "make-security.sh: the DDS Security plugins of Cyclone DDS are missing (package libddsc0debian)" >&2
  exit 1
fi

openssl req -x509 -newkey rsa:2048 -nodes -keyout "$out/ca.key" -out "$out/ca.pem" -days 3650 \
  -subj "/O=TSCore bridge/CN=TSCore bridge CA" 2>/dev/null
openssl smime -sign -in "$here/governance.xml" -text -out "$out/governance.p7s" \
  -signer "$out/ca.pem" -inkey "$out/ca.key"

# Grants: the glove PC publishes the devices and takes commands; a remote PC the reverse.
glove_publish="tscore_bridge/device tscore_bridge/sensor tscore_bridge/service tscore_bridge/publisher_state rt/*"
glove_subscribe="tscore_bridge/command tscore_bridge/mirror"
remote_publish="tscore_bridge/command tscore_bridge/mirror"
remote_subscribe="tscore_bridge/device tscore_bridge/sensor tscore_bridge/service tscore_bridge/publisher_state rt/*"

topics() {
  for topic in $1; do printf '            <topic>%s</topic>\n' "$topic"; done
}

machine() {
  local name="$1" publish="$2" subscribe="$3" dir="$out/$1"
  mkdir -p "$dir"
  openssl req -newkey rsa:2048 -nodes -keyout "$dir/identity.key" -out "$dir/identity.csr" \
    -subj "/O=TSCore bridge/CN=$name" 2>/dev/null
  openssl x509 -req -in "$dir/identity.csr" -CA "$out/ca.pem" -CAkey "$out/ca.key" -CAcreateserial \
    -days 3650 -out "$dir/identity.pem" 2>/dev/null
  rm "$dir/identity.csr"
  local subject
  subject="$(openssl x509 -noout -subject -nameopt RFC2253 -in "$dir/identity.pem" | sed 's/^subject=//')"
  cat > "$dir/permissions.xml" <<XML
<?xml version="1.0" encoding="utf-8"?>
<dds>
  <permissions>
    <grant name="$name">
      <subject_name>$subject</subject_name>
      <validity><not_before>$(date -u +%Y-%m-%dT00:00:00)</not_before><not_after>2099-12-31T23:59:59</not_after></validity>
      <allow_rule>
        <domains><id_range><min>0</min><max>230</max></id_range></domains>
        <publish>
          <topics>
$(topics "$publish")
          </topics>
          <partitions><partition>*</partition></partitions>
        </publish>
        <subscribe>
          <topics>
$(topics "$subscribe")
          </topics>
          <partitions><partition>*</partition></partitions>
        </subscribe>
      </allow_rule>
      <default>DENY</default>
    </grant>
  </permissions>
</dds>
XML
  openssl smime -sign -in "$dir/permissions.xml" -text -out "$dir/permissions.p7s" \
    -signer "$out/ca.pem" -inkey "$out/ca.key"
  cp "$out/ca.pem" "$out/governance.p7s" "$dir/"
  {
    echo "<CycloneDDS>"
    echo "  <Domain Id=\"any\">"
    echo "    <General>"
    echo "      <Interfaces><NetworkInterface name=\"$interface\"/></Interfaces>"
    echo "      <AllowMulticast>false</AllowMulticast>"
    echo "    </General>"
    echo "    <Discovery>"
    echo "      <ParticipantIndex>auto</ParticipantIndex>"
    echo "      <MaxAutoParticipantIndex>20</MaxAutoParticipantIndex>"
    echo "      <Peers>"
    for peer in "${peers[@]}"; do echo "        <Peer Address=\"$peer\"/>"; done
    echo "      </Peers>"
    echo "    </Discovery>"
    echo "    <Security>"
    echo "      <Authentication>"
    echo "        <Library path=\"$plugins/libdds_security_auth.so\" initFunction=\"init_authentication\" finalizeFunction=\"finalize_authentication\"/>"
    echo "        <IdentityCA>file:$dir/ca.pem</IdentityCA>"
    echo "        <IdentityCertificate>file:$dir/identity.pem</IdentityCertificate>"
    echo "        <PrivateKey>file:$dir/identity.key</PrivateKey>"
    echo "      </Authentication>"
    echo "      <Cryptographic>"
    echo "        <Library path=\"$plugins/libdds_security_crypto.so\" initFunction=\"init_crypto\" finalizeFunction=\"finalize_crypto\"/>"
    echo "      </Cryptographic>"
    echo "      <AccessControl>"
    echo "        <Library path=\"$plugins/libdds_security_ac.so\" initFunction=\"init_access_control\" finalizeFunction=\"finalize_access_control\"/>"
    echo "        <PermissionsCA>file:$dir/ca.pem</PermissionsCA>"
    echo "        <Governance>file:$dir/governance.p7s</Governance>"
    echo "        <Permissions>file:$dir/permissions.p7s</Permissions>"
    echo "      </AccessControl>"
    echo "    </Security>"
    echo "  </Domain>"
    echo "</CycloneDDS>"
  } > "$dir/cyclonedds.xml"
  chmod 600 "$dir/identity.key"
}

machine glove-pc "$glove_publish" "$glove_subscribe"
machine remote-pc "$remote_publish" "$remote_subscribe"
chmod 600 "$out/ca.key"
echo "made $out/glove-pc and $out/remote-pc; install each at the same path on its machine"
