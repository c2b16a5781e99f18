#!/usr/bin/env bash
# Runs a Windows program under Wine for CTest. Wine's helper processes
# (services, explorer) outlive the program and inherit its output handles;
# writing to a file keeps them off CTest's pipe, which would otherwise stay
# open until they end.
out=$(mktemp)
wine "$@" >"$out" 2>&1 </dev/null
rc=$?
cat "$out"
rm -f "$out"
exit $rc
