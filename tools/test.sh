#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup-packages.sh
. tools/env.sh
# The display comes first: Wine's desktop process starts with the first boot and needs it.
ostrel_ensure_display
ostrel_wine_boot
ostrel_configure_build
trap 'wineserver -k 2>/dev/null || true; ostrel_stop_display' EXIT
set +e
ctest --test-dir "$BUILD_DIR" --output-on-failure --timeout 600 -j2 "$@"
rc=$?
set -e
exit $rc
