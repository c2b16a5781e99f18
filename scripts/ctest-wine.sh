#!/usr/bin/env bash
# Runs CTest on an already built tree (BUILD_DIR, default ./build) under Wine,
# in an Xvfb display of its own that is stopped afterwards. Arguments go to ctest.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
export BUILD_DIR="$(realpath -m "${BUILD_DIR:-$ROOT/build}")"
. "$ROOT/scripts/wine-env.sh"
start_xvfb
trap 'stop_wineserver; stop_xvfb' EXIT
ensure_prefix
start_wineserver
cd "$BUILD_DIR"
ctest --output-on-failure --timeout 180 "$@"
