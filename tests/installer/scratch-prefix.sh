#!/usr/bin/env bash
# Runs a test program in a Wine prefix of its own, made fresh for the run and removed afterwards, so
# that what the setup program installs (files, the registered settings service, shortcuts, registry
# keys) never reaches the prefix the other tests share.
#   scratch-prefix.sh <scratch folder> <setup program> <test program> [test arguments...]
# The test program finds the setup program through OSTREL_SETUP (a Windows path).
# OSTREL_KEEP_SCRATCH=1 keeps the prefix for a look after a failure.
set -u
scratch=$1 setup=$2
shift 2
if [ ! -f "$setup" ]; then echo "no setup program at $setup (build the ostrel_setup target)"; exit 1; fi

# The project's environment (Wine loader, display helpers), then this run's own prefix.
. "$(cd "$(dirname "$0")/../.." && pwd)/tools/env.sh"
wine=$OSTREL_WINE
# No desktop menu entries on the build machine for the shortcuts the program creates.
export WINEPREFIX="$scratch/wineprefix" WINEDEBUG=${OSTREL_SCRATCH_WINEDEBUG:--all} WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

cleanup() {
  wineserver -k >/dev/null 2>&1 </dev/null || true
  wineserver -w >/dev/null 2>&1 </dev/null || true
  [ "${OSTREL_KEEP_SCRATCH:-0}" = 1 ] || rm -rf "$scratch"
  ostrel_stop_display
}
trap cleanup EXIT
# The installed program is started and its window looked for: a display is needed.
ostrel_ensure_display

rm -rf "$scratch"
mkdir -p "$scratch"
wineboot -i >/dev/null 2>&1 </dev/null
# The services that the first boot started are not usable afterwards (COM's RpcSs fails to start
# and every local-server activation hangs): let them end, and start the server afresh.
wineserver -w >/dev/null 2>&1 </dev/null || true
wineserver -p >/dev/null 2>&1 </dev/null || true
# Wine's background services start detached from the test's output.
"$wine" cmd /c exit >/dev/null 2>&1 </dev/null || true

export OSTREL_SETUP="$(winepath -w "$setup" 2>/dev/null)"
out="$scratch/output.txt"
"$wine" "$@" >"$out" 2>&1 </dev/null
rc=$?
cat "$out"
exit $rc
