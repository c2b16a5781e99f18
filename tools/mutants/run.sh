#!/usr/bin/env bash
# Applies deliberate breaks to the program one at a time, builds only the test
# binary that should catch each, runs it under Wine and restores the file.
# Tells, per break, which tests failed: a break no test catches is a gap.
#   tools/mutants/run.sh [-s SOURCE_DIR] [-o RESULTS_FILE] [ID...]
# SOURCE_DIR defaults to this tree; BUILD_DIR to SOURCE_DIR/build (already
# configured and built). With no ids every break of breaks.txt is tried.
set -euo pipefail
HERE="$(cd "$(dirname "$0")" && pwd)"
SRC="$(cd "$HERE/../.." && pwd)"
OUT=""
while getopts "s:o:" opt; do
  case $opt in
    s) SRC="$(realpath "$OPTARG")" ;;
    o) OUT="$(realpath -m "$OPTARG")" ;;
    *) exit 2 ;;
  esac
done
shift $((OPTIND - 1))
export BUILD_DIR="$(realpath -m "${BUILD_DIR:-$SRC/build}")"
. "$SRC/scripts/wine-env.sh"
start_xvfb
trap 'stop_wineserver; stop_xvfb' EXIT
ensure_prefix
start_wineserver
python3 "$HERE/run.py" "$SRC" "$BUILD_DIR" "$HERE/breaks.txt" "${OUT:-/dev/stdout}" "$@"
