#!/usr/bin/env bash
# Installs what TSCore needs to build, test, fuzz and benchmark on a Debian machine.
# Runs as root or through sudo; does nothing when everything is already there. Chromium runs
# headless in the tests of `tscore view`; iproute2 links the namespaces of the soak and the
# bridge's network tests.
set -euo pipefail

packages=(
  g++ clang-14 libclang-rt-14-dev cmake ninja-build pkgconf
  libboost-dev libgtest-dev libgmock-dev libbenchmark-dev
  libcli11-dev nlohmann-json3-dev librsvg2-bin valgrind
  libopenxr-dev libopenxr-loader1
  pybind11-dev python3-dev python3-numpy python3-pytest python3-matplotlib mypy
  python3-venv python3-pip python3-setuptools python3-wheel
  cyclonedds-dev cyclonedds-tools util-linux iproute2
  chromium libpng-dev
  liburdfdom-dev liborocos-kdl-dev libnlopt-cxx-dev libyaml-cpp-dev libeigen3-dev
  mono-mcs mono-runtime libnunit-cil-dev nunit-console
  openxr-layer-corevalidation
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "setup: installing ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  SUDO=""
elif command -v sudo >/dev/null 2>&1; then
  SUDO="sudo"
else
  echo "setup: need root or sudo to install: ${missing[*]}" >&2
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive
if ! $SUDO apt-get install -y --no-install-recommends "${missing[@]}"; then
  $SUDO apt-get update
  $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
