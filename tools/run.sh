#!/usr/bin/env bash
# Installs what is missing, builds, installs into the private Wine prefix and starts Ostrel.exe.
# With a usable $DISPLAY the program opens there; otherwise it runs under Xvfb and a screenshot is
# saved to build/shot.png.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup-packages.sh
. tools/env.sh
ostrel_wine_boot
ostrel_configure_build
# What a person runs is what the setup program installs.
"$OSTREL_WINE" "$BUILD_DIR/OstrelSetup.exe" /S >/dev/null 2>&1 </dev/null

program='C:\Program Files\Quor\Ostrel\Ostrel.exe'
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  "$OSTREL_WINE" "$program" "$@" >/dev/null 2>&1 </dev/null &
  echo "Ostrel.exe is running on $DISPLAY (stop it with: . tools/env.sh; wine64 \"$program\" /halt)."
  exit 0
fi

ostrel_ensure_display
# A Wine virtual desktop draws window frames, which bare Xvfb does not.
"$OSTREL_WINE" explorer /desktop=Ostrel,1280x960 "$program" "$@" >/dev/null 2>&1 </dev/null &
sleep 6
import -window root "$BUILD_DIR/shot.png"
echo "Ostrel.exe is running under Xvfb on $DISPLAY; screenshot: $BUILD_DIR/shot.png"
echo "Stop it with: . tools/env.sh; DISPLAY=$DISPLAY $OSTREL_WINE \"$program\" /halt"
