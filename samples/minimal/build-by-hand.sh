#!/usr/bin/env bash
# Builds the minimal plug-in with MinGW-w64 alone, from the plug-in kit (public headers and import
# library), as docs/plugin-guide.md shows it. Usage: build-by-hand.sh <kit folder> <output folder>
set -euo pipefail
kit="$1"
out="$2"
here="$(cd "$(dirname "$0")" && pwd)"
mkdir -p "$out"
x86_64-w64-mingw32-windres -I "$here" "$here/minimal_plugin.rc" -O coff -o "$out/minimal_plugin.res.o"
x86_64-w64-mingw32-g++-posix -std=c++17 -O2 -Wall -DUNICODE -D_UNICODE -shared \
  -I "$kit/include" "$here/minimal_plugin.cpp" "$out/minimal_plugin.res.o" \
  "$kit/lib/libPlugwerk.dll.a" -static -o "$out/MinimalPlugin.dll"
# The factory must be exported under its plain name.
x86_64-w64-mingw32-objdump -p "$out/MinimalPlugin.dll" > "$out/headers.txt"
grep -q '\] global_newClassDesc$' "$out/headers.txt"
echo "built $out/MinimalPlugin.dll"
