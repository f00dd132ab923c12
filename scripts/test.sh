#!/usr/bin/env bash
# Installs what is missing, builds TSCore with its tools and tests, and runs every test.
# Usage: scripts/test.sh [preset]   (default: release; see CMakePresets.json)
set -euo pipefail
cd "$(dirname "$0")/.."

preset="${1:-release}"
./scripts/setup.sh
cmake --preset "$preset"
cmake --build --preset "$preset"
ctest --preset "$preset"
