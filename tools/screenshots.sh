#!/usr/bin/env bash
# Takes the screenshots in docs/ from the installed program, each on an Xvfb screen of its own size
# and dpi, in a Wine prefix of their own (build/shots-prefix) so the run prefix's settings stay as
# they are. Builds first when needed. Names of shots as arguments take only those again:
#   bash tools/screenshots.sh [search.png ...]
set -euo pipefail
only=" ${*:-${OSTREL_SHOTS:-}} "
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

# The user's high-contrast mode with a dark scheme, where the profile keeps them (Wine reads the
# colours at start and refuses SPI_SETHIGHCONTRAST; the program reads the stored flags as well).
set_high_contrast() {  # on|off
  local key='HKCU\Control Panel\Colors' flags=126
  if [ "$1" = on ]; then
    flags=127
    for pair in "Window=0 0 0" "WindowText=255 255 0" "Hilight=0 128 255" "HilightText=255 255 255" \
                "ButtonFace=0 0 0" "ButtonText=255 255 255" "GrayText=0 255 0" "WindowFrame=255 255 255"; do
      "$OSTREL_WINE" reg add "$key" /v "${pair%%=*}" /t REG_SZ /d "${pair#*=}" /f >/dev/null 2>&1 </dev/null
    done
  else
    "$OSTREL_WINE" reg delete "$key" /f >/dev/null 2>&1 </dev/null || true
  fi
  "$OSTREL_WINE" reg add 'HKCU\Control Panel\Accessibility\HighContrast' /v Flags /t REG_SZ /d "$flags" /f \
    >/dev/null 2>&1 </dev/null
  # Windows drops visual styles in high contrast (themed controls ignore the system colours); Wine
  # keeps its theme unless told.
  local themes='HKCU\Software\Microsoft\Windows\CurrentVersion\ThemeManager'
  if [ "$1" = on ]; then
    "$OSTREL_WINE" reg add "$themes" /v ThemeActive /t REG_SZ /d 0 /f >/dev/null 2>&1 </dev/null
  else
    "$OSTREL_WINE" reg delete "$themes" /v ThemeActive /f >/dev/null 2>&1 </dev/null || true
  fi
}

# shoot file width height dpi [arguments]: the program opened on a fresh desktop of that size, in the
# user-interface language of SHOT_LANG (a C library locale such as de_DE.UTF-8; English when unset).
# before_shot, when set, names a command run just before the program starts.
shoot() {
  local file=$1 width=$2 height=$3 dpi=$4
  shift 4
  if [ "$only" != "  " ] && [[ $only != *" $file "* ]]; then return 0; fi
  start_display "$width" "$height"
  ostrel_wine_boot
  set_dpi "$dpi"
  set_high_contrast "$([[ $file == *high-contrast* ]] && echo on || echo off)"
  # The dpi is read when Wine's processes start.
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  ostrel_wine_boot
  # The window opens where it was last time unless the stored position is cleared.
  rm -f "$WINEPREFIX"/drive_c/users/*/AppData/Roaming/Quor\ Corporation/Ostrel/CurrentSettingProfileData.xml
  if [ -n "${before_shot:-}" ]; then "$before_shot"; fi
  LANG=${SHOT_LANG:-C.UTF-8} LC_ALL=${SHOT_LANG:-C.UTF-8} \
    "$OSTREL_WINE" explorer "/desktop=Ostrel,${width}x${height}" "$program" "$@" >/dev/null 2>&1 </dev/null &
  sleep 10
  # SHOT_SEARCH: typed into the search box once the window is up (Enter opens the best result).
  if [ -n "${SHOT_SEARCH:-}" ]; then
    "$OSTREL_WINE" explorer "/desktop=Ostrel,${width}x${height}" "$BUILD_DIR/type_search.exe" "$SHOT_SEARCH" \
      >/dev/null 2>&1 </dev/null || true
    sleep 4
  fi
  import -window root "docs/$file"
  # The screenshots are committed: a 256-colour palette keeps them small and looks the same for a UI.
  convert "docs/$file" -strip -colors 256 "PNG8:docs/$file"
  "$OSTREL_WINE" explorer "/desktop=Ostrel,${width}x${height}" "$program" /halt >/dev/null 2>&1 </dev/null || true
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  stop_display
  echo "docs/$file"
}

# The power page with two values other than their defaults, and the window's marks switched on.
mark_changed_settings() {
  local cli='C:\Program Files\Quor\Ostrel\settory.exe' power=7C4D2E9A-1B3F-4A5C-8D6E-0F1A2B3C4D5E
  "$OSTREL_WINE" "$cli" set B9813D78-2059-47a1-BD75-F15BE02A7325 2 1 --inproc >/dev/null 2>&1 </dev/null
  "$OSTREL_WINE" "$cli" set "$power" 3 90 --inproc >/dev/null 2>&1 </dev/null
  "$OSTREL_WINE" "$cli" set "$power" 2 3 --inproc >/dev/null 2>&1 </dev/null
}

start_display 1024 768
ostrel_wine_boot
ostrel_configure_build
"$OSTREL_WINE" "$BUILD_DIR/OstrelSetup.exe" /S >/dev/null 2>&1 </dev/null
wineserver -k 2>/dev/null || true
stop_display
x86_64-w64-mingw32-gcc -O2 -municode -mwindows -o "$BUILD_DIR/type_search.exe" tools/type_search.c

shoot settings-96dpi.png 1100 760 96 "$display_page"
shoot settings-144dpi.png 1500 1100 144 "$power_page"
shoot settings-compact-576.png 1024 576 96 "$power_page"
shoot system-information.png 1100 760 96
shoot status-window.png 900 760 96 /PMX
before_shot=mark_changed_settings shoot settings-changed-marked.png 1100 760 96 "$power_page"
# The changed values stay out of the other pictures of the next run.
rm -f "$WINEPREFIX/drive_c/ProgramData/Quor Corporation/Ostrel/CurrentSettingProfileData.xml"
SHOT_SEARCH=charge shoot search.png 1100 760 96
SHOT_LANG=de_DE.UTF-8 shoot settings-de-DE.png 1100 760 96 "$display_page"
SHOT_LANG=ja_JP.UTF-8 shoot settings-ja-JP.png 1100 760 96 "$display_page"
shoot settings-high-contrast.png 1100 760 96 "$display_page"
# The power page with its charge limit fixed by an administrator's machine policy.
policy_key='HKLM\SOFTWARE\Policies\Quor Corporation\Ostrel\7C4D2E9A-1B3F-4A5C-8D6E-0F1A2B3C4D5E'
"$OSTREL_WINE" reg add "$policy_key" /v 3 /t REG_DWORD /d 70 /f >/dev/null 2>&1 </dev/null
shoot settings-locked-policy.png 1100 760 96 "$power_page"
"$OSTREL_WINE" reg delete "$policy_key" /f >/dev/null 2>&1 </dev/null || true
wineserver -k 2>/dev/null || true
set_dpi 96 || true
