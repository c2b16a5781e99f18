#!/usr/bin/env bash
# Lists every include that reaches from a folder into a folder above it.
# The floors, lowest first; folders on one floor may not use each other.
set -euo pipefail
cd "$(dirname "$0")/.."
declare -A floor=([wcl]=0 [base]=1 [record]=2 [comm]=3 [layout]=4 [pages]=5 [config]=6 [diag]=6 [app]=7)
bad=0
for dir in "${!floor[@]}"; do
  while IFS=: read -r file _ inc; do
    target=$(sed -E 's#.*"([a-z]+)/.*#\1#' <<<"$inc")
    [[ -z "${floor[$target]+x}" ]] && continue
    if [[ "$target" != "$dir" && ${floor[$target]} -ge ${floor[$dir]} ]]; then
      echo "$file includes $target/ ($inc)"; bad=1
    fi
  done < <(grep -rnE '^#include "[a-z]+/' "$dir" || true)
done
exit $bad
