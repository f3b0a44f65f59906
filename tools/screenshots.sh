#!/usr/bin/env bash
# Takes the screenshots in docs/ from the installed program, each on an Xvfb screen of its own size
# and dpi, in a Wine prefix of their own (build/shots-prefix) so the run prefix's settings stay as
# they are. Builds first when needed.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup-packages.sh
. tools/env.sh
export OSTREL_WINEPREFIX="$BUILD_DIR/shots-prefix"
export WINEPREFIX="$OSTREL_WINEPREFIX"
program='C:\Program Files\Quor\Ostrel\Ostrel.exe'
power_page=/CLD:7C4D2E9A-1B3F-4A5C-8D6E-0F1A2B3C4D5E
display_page=/CLD:3F2B6C1E-8D4A-4E7B-9C21-5A6D7E8F9012
mkdir -p docs

xvfb_pid=
stop_display() {
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; fi
  xvfb_pid=
}
trap 'wineserver -k 2>/dev/null || true; stop_display' EXIT

start_display() {  # width height
  local n=120
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 "$1x$2x24" -nolisten tcp >/dev/null 2>&1 </dev/null &
  xvfb_pid=$!
  export DISPLAY=":$n"
  for _ in $(seq 1 100); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.05; done
}

set_dpi() {
  "$OSTREL_WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1 </dev/null
  "$OSTREL_WINE" reg add 'HKCC\Software\Fonts' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1 </dev/null
  "$OSTREL_WINE" reg add 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' \
    /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1 </dev/null
}

# shoot file width height dpi [arguments]: the program opened on a fresh desktop of that size.
shoot() {
  local file=$1 width=$2 height=$3 dpi=$4
  shift 4
  start_display "$width" "$height"
  ostrel_wine_boot
  set_dpi "$dpi"
  # The dpi is read when Wine's processes start.
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  ostrel_wine_boot
  # The window opens where it was last time unless the stored position is cleared.
  rm -f "$WINEPREFIX"/drive_c/users/*/AppData/Roaming/Quor\ Corporation/Ostrel/CurrentSettingProfileData.xml
  "$OSTREL_WINE" explorer "/desktop=Ostrel,${width}x${height}" "$program" "$@" >/dev/null 2>&1 </dev/null &
  sleep 10
  import -window root "docs/$file"
  # The screenshots are committed: a 256-colour palette keeps them small and looks the same for a UI.
  convert "docs/$file" -strip -colors 256 "PNG8:docs/$file"
  "$OSTREL_WINE" explorer "/desktop=Ostrel,${width}x${height}" "$program" /halt >/dev/null 2>&1 </dev/null || true
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  stop_display
  echo "docs/$file"
}

start_display 1024 768
ostrel_wine_boot
ostrel_configure_build
"$OSTREL_WINE" "$BUILD_DIR/OstrelSetup.exe" /S >/dev/null 2>&1 </dev/null
wineserver -k 2>/dev/null || true
stop_display

shoot settings-96dpi.png 1100 760 96 "$display_page"
shoot settings-144dpi.png 1500 1100 144 "$power_page"
shoot settings-compact-576.png 1024 576 96 "$power_page"
shoot system-information.png 1100 760 96
shoot status-window.png 900 760 96 /PMX
# The power page with its charge limit fixed by an administrator's machine policy.
policy_key='HKLM\SOFTWARE\Policies\Quor Corporation\Ostrel\7C4D2E9A-1B3F-4A5C-8D6E-0F1A2B3C4D5E'
"$OSTREL_WINE" reg add "$policy_key" /v 3 /t REG_DWORD /d 70 /f >/dev/null 2>&1 </dev/null
shoot settings-locked-policy.png 1100 760 96 "$power_page"
"$OSTREL_WINE" reg delete "$policy_key" /f >/dev/null 2>&1 </dev/null || true
wineserver -k 2>/dev/null || true
set_dpi 96 || true
