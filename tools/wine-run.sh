#!/usr/bin/env bash
# Runs one Windows program under Wine for ctest. Wine starts its background processes (services, the
# desktop window) from the first program that needs them, and they inherit that program's output: on
# ctest's pipe they would hold it open for ever. The output goes through a file instead.
wine=${OSTREL_WINE:-}
if [ -z "$wine" ]; then
  if [ -x /usr/lib/wine/wine64 ]; then wine=/usr/lib/wine/wine64; else wine=wine; fi
fi
out=$(mktemp)
"$wine" "$@" >"$out" 2>&1 </dev/null
rc=$?
cat "$out"
rm -f "$out"
exit $rc
