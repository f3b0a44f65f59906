# Sourced by the other scripts: the build folder and a private Wine prefix inside it.
# Usage: . tools/env.sh   (BUILD_DIR may be set beforehand)
export OSTREL_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export BUILD_DIR="${BUILD_DIR:-$OSTREL_ROOT/build}"
# OSTREL_WINEPREFIX gives a script a prefix of its own beside the usual one.
export WINEPREFIX="${OSTREL_WINEPREFIX:-$BUILD_DIR/wineprefix}"
export WINEDEBUG=-all
# No .NET or Gecko installers: they would download and stall the first boot.
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
# Debian keeps the 64-bit loader out of PATH; calling it directly skips the wine32 warning.
if [ -x /usr/lib/wine/wine64 ]; then export OSTREL_WINE=/usr/lib/wine/wine64; else export OSTREL_WINE=wine; fi
export PATH="$PATH:/usr/lib/wine"

ostrel_wine_boot() {
  mkdir -p "$BUILD_DIR"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Creating the Wine prefix in $WINEPREFIX ..."
    wineboot -i >/dev/null 2>&1 </dev/null || true
    wineserver -w 2>/dev/null || true
  fi
  ostrel_font_replacements
  # A persistent server makes every later wine process start in milliseconds.
  wineserver -p >/dev/null 2>&1 </dev/null || true
  # Starts Wine's background services now, detached from any caller's output.
  "$OSTREL_WINE" cmd /c exit >/dev/null 2>&1 </dev/null || true
}

# The faces the Chinese, Japanese and Korean modules ask for are Windows fonts; Wine gets them from the
# Noto CJK fonts (tools/setup-packages.sh), so their windows show glyphs and not boxes.
ostrel_font_replacements() {
  local marker="$WINEPREFIX/.ostrel-fonts"
  [ -f "$marker" ] && return 0
  local key='HKCU\Software\Wine\Fonts\Replacements'
  local face
  for face in "Meiryo UI=Noto Sans CJK JP" "Malgun Gothic=Noto Sans CJK KR" \
              "Microsoft YaHei UI=Noto Sans CJK SC" "Microsoft JhengHei UI=Noto Sans CJK TC"; do
    "$OSTREL_WINE" reg add "$key" /v "${face%%=*}" /t REG_SZ /d "${face#*=}" /f >/dev/null 2>&1 </dev/null || return 0
  done
  touch "$marker"
}

ostrel_configure_build() {
  cmake -S "$OSTREL_ROOT" -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_TOOLCHAIN_FILE="$OSTREL_ROOT/cmake/toolchain-mingw64.cmake" >/dev/null
  cmake --build "$BUILD_DIR" -j"$(nproc)"
}

# Starts Xvfb when there is no usable display, so GUI tests and the program have one.
ostrel_ensure_display() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return 0; fi
  local n=97
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  OSTREL_XVFB_PID=$!
  export DISPLAY=":$n"
  for _ in $(seq 1 100); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.05; done
}

ostrel_stop_display() {
  if [ -n "${OSTREL_XVFB_PID:-}" ]; then kill "$OSTREL_XVFB_PID" 2>/dev/null || true; fi
}
