#!/usr/bin/env bash
# Builds the benchmarks and the setup program, installs the program into a Wine prefix of its own
# (build/bench-prefix, made fresh each run so the cold start is a first start and earlier runs leave
# nothing behind), runs every benchmark there and prints, last, the ratio of each cost to its floor.
# It asserts nothing. The whole output is also kept in build/bench-output.txt.
#   bash bench/run.sh
set -uo pipefail
cd "$(dirname "$0")/.."
bash tools/setup-packages.sh
[ -f /root/ccenv.sh ] && . /root/ccenv.sh
. tools/env.sh
export OSTREL_WINEPREFIX="$BUILD_DIR/bench-prefix"
export WINEPREFIX="$OSTREL_WINEPREFIX"
# No desktop menu entries on the build machine for the shortcuts the setup program creates.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
output="$BUILD_DIR/bench-output.txt"

cleanup() {
  wineserver -k >/dev/null 2>&1 </dev/null || true
  wineserver -w >/dev/null 2>&1 </dev/null || true
  ostrel_stop_display
}
trap cleanup EXIT

cmake -S "$OSTREL_ROOT" -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_TOOLCHAIN_FILE="$OSTREL_ROOT/cmake/toolchain-mingw64.cmake" >/dev/null || exit 1
cmake --build "$BUILD_DIR" -j"$(nproc)" \
      --target ostrel_setup window_bench floor_dialog settory_bench settory_notify_bench >/dev/null || exit 1

ostrel_ensure_display
rm -rf "$WINEPREFIX"
ostrel_wine_boot >/dev/null
# What a person runs is what the setup program installs.
"$OSTREL_WINE" "$BUILD_DIR/OstrelSetup.exe" /S >/dev/null 2>&1 </dev/null

# Each benchmark has a bound of its own so the whole run stays well under a quarter of an hour.
run() {  # seconds program arguments...
  local limit=$1
  shift
  echo "== $*"
  (cd "$BUILD_DIR/bin" && timeout "$limit" "$OSTREL_WINE" "$@" </dev/null 2>/dev/null) | tr -d '\r'
  [ "${PIPESTATUS[0]}" = 124 ] && echo "(stopped after $limit s)"
  echo
}
{
  run 240 settory_bench.exe
  run 240 settory_notify_bench.exe
  run 600 window_bench.exe --runs 7 --rounds 8
  run 180 window_bench.exe --memory 500
} | tee "$output"

# The series and the ratios, from the lines that begin with "BENCH <name> <value> <unit>".
awk '
  $1 == "BENCH" { v[$2] = $3 }
  function has(k) { return (k in v) && v[k] > 0 }
  function fig(k) { return has(k) ? sprintf("%.1f", v[k]) : "n/a" }
  function ratio(a, b) { return (has(a) && has(b)) ? sprintf("%.2f", v[a] / v[b]) : "n/a" }
  END {
    print "Series (settings in the store; times in microseconds)"
    for (i = 1; i <= 3; i++) {
      n = (i == 1 ? 100 : i == 2 ? 1000 : 10000)
      printf "  settings %5d: load %s (floor %s)  update %s (floor %s)  GetCurrentValue %s\n", n,
        fig("settory.load." n), fig("settory.load-floor." n), fig("settory.update." n),
        fig("settory.update-floor." n), fig("settory.get-direct." n)
    }
    print "Series (plug-in DLLs installed; start-up in milliseconds)"
    split("3 10 25 50", plugins, " ")
    for (i = 1; i <= 4; i++) {
      n = plugins[i]
      if (!has("window.startup-warm." n) && !has("window.startup-cold." n)) continue
      printf "  plug-ins %2d: warm %s  cold %s  fair floor, warm %s\n", n, fig("window.startup-warm." n),
        fig("window.startup-cold." n), fig("window.floor-fair-warm." n)
    }
    print "Series (plug-ins installed; search box, milliseconds from a keystroke to the painted tree)"
    split("3 50", searched, " ")
    for (i = 1; i <= 2; i++) {
      n = searched[i]
      printf "  plug-ins %2d: median %s  worst %s  reading what is searched, once %s\n", n,
        fig("window.search-keystroke." n), fig("window.search-keystroke-worst." n), fig("window.search-index." n)
    }
    print "Series (listening processes; milliseconds)"
    split("0 1 2 4 8", listeners, " ")
    for (i = 1; i <= 5; i++) {
      n = listeners[i]
      printf "  listening %d: update %s  back to back %s  reload message in the last %s\n", n,
        fig("notify.update." n), fig("notify.update-back-to-back." n), fig("notify.message-last." n)
    }
    printf "  listening 8, bare (only the platform part of listening): update %s  back to back %s  reload message in the last %s\n",
      fig("notify.update-bare.8"), fig("notify.update-back-to-back-bare.8"), fig("notify.message-last-bare.8")
    few = 0
    # The installed plug-ins are the fewest the start-up series has.
    for (k in v) if (k ~ /^window\.startup-warm\./) { n = k; sub(/^window\.startup-warm\./, "", n); n += 0; if (few == 0 || n < few) few = n }
    # The window waits 100 ms on purpose before it shows a page; only what lies beyond is compared.
    if (has("window.page-switch")) v["window.page-switch-beyond-wait"] = v["window.page-switch"] - 100
    print ""
    print "startup-warm: ratio " ratio("window.startup-warm." few, "window.floor-warm")
    print "startup-cold: ratio " ratio("window.startup-cold." few, "window.floor-cold")
    print "startup-50-warm: ratio " ratio("window.startup-warm.50", "window.floor-warm")
    print "startup-warm-fair: ratio " ratio("window.startup-warm." few, "window.floor-fair-warm." few)
    print "startup-50-warm-fair: ratio " ratio("window.startup-warm.50", "window.floor-fair-warm.50")
    print "startup-cold-fair: ratio " ratio("window.startup-cold-again." few, "window.floor-fair-cold." few)
    print "page-switch: ratio " ratio("window.page-switch-beyond-wait", "window.page-switch-floor")
    print "page-switch-fair: ratio " ratio("window.page-switch-beyond-wait", "window.page-switch-floor-fair")
    print "read-inproc: ratio " ratio("settory.get-inproc", "settory.registry-floor")
    print "read-server: ratio " ratio("settory.get-server", "settory.empty-call-server")
    print "update-10000: ratio " ratio("settory.update.10000", "settory.update-floor.10000")
    print "load-10000: ratio " ratio("settory.load.10000", "settory.load-floor.10000")
    print "update-8-listeners: ratio " ratio("notify.update-back-to-back.8", "notify.update-back-to-back.0")
    print "update-8-listeners-fair: ratio " ratio("notify.update-back-to-back.8", "notify.update-back-to-back-bare.8")
    print "memory-start-mb: " fig("memory.start")
    print "memory-after-500-mb: " fig("memory.after-switches.500")
  }' "$output"
