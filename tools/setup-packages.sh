#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need. Safe to run again: it only calls apt
# when a tool is missing.
set -euo pipefail

need=()
command -v x86_64-w64-mingw32-g++-posix >/dev/null || need+=(g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev)
command -v x86_64-w64-mingw32-windres >/dev/null || need+=(mingw-w64-tools)
command -v wine >/dev/null || need+=(wine wine64)
[ -x /usr/lib/wine/widl ] || need+=(wine64-tools)
[ -f /usr/include/wine/wine/windows/oaidl.idl ] || need+=(libwine-dev)
command -v Xvfb >/dev/null || need+=(xvfb xauth)
command -v xdpyinfo >/dev/null || need+=(x11-utils)
command -v import >/dev/null || need+=(imagemagick)
command -v makensis >/dev/null || need+=(nsis)
command -v cmake >/dev/null || need+=(cmake)
[ -f /usr/src/googletest/CMakeLists.txt ] || need+=(googletest)
# The Chinese, Japanese and Korean windows need glyphs Wine finds through fontconfig; DejaVu covers the
# Latin and Cyrillic ones.
[ -d /usr/share/fonts/opentype/noto ] || need+=(fonts-noto-cjk)
[ -d /usr/share/fonts/truetype/dejavu ] || need+=(fonts-dejavu-core)
command -v locale-gen >/dev/null || need+=(locales)
# The pseudo-language's resource files are written at build time by a Python script.
command -v python3 >/dev/null || need+=(python3)

if [ ${#need[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO=sudo
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${need[@]}"
fi

# Wine takes its user-interface language from LANG only when the C library knows that locale, so
# every language the program ships is generated here.
languages=(de_DE es_ES fr_FR it_IT ja_JP ko_KR nl_NL ru_RU zh_CN zh_TW en_US)
missing=()
for l in "${languages[@]}"; do
  locale -a 2>/dev/null | grep -qi "^$l\.utf-\?8$" || missing+=("$l")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO=sudo
  for l in "${missing[@]}"; do
    grep -q "^$l.UTF-8 UTF-8" /etc/locale.gen 2>/dev/null || echo "$l.UTF-8 UTF-8" | $SUDO tee -a /etc/locale.gen >/dev/null
  done
  $SUDO locale-gen >/dev/null
fi
