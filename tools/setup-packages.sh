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

if [ ${#need[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO=sudo
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${need[@]}"
fi
