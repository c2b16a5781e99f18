#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test under Wine.
# Extra arguments go to ctest (for example -R comm).
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
export BUILD_DIR="$(realpath -m "${BUILD_DIR:-$ROOT/build}")"
"$ROOT/scripts/setup.sh"
"$ROOT/scripts/build.sh"
exec "$ROOT/scripts/ctest-wine.sh" "$@"
