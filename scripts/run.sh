#!/usr/bin/env bash
# Builds the program and starts it under Wine. Uses $DISPLAY when one is set,
# otherwise starts a virtual display of its own (take screenshots with
# "import -window root" on that display).
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
export BUILD_DIR="$(realpath -m "${BUILD_DIR:-$ROOT/build}")"
"$ROOT/scripts/setup.sh"
"$ROOT/scripts/build.sh" --target VelmotrexConfig
. "$ROOT/scripts/wine-env.sh"
if [ -z "${DISPLAY:-}" ]; then
  start_xvfb
  echo "Virtual display $DISPLAY"
  trap 'stop_wineserver; stop_xvfb' EXIT
fi
ensure_prefix
cd "$BUILD_DIR/bin"
wine VelmotrexConfig.exe
