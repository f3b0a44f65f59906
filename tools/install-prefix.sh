#!/usr/bin/env bash
# Lays the built program into the private Wine prefix as an installation would:
# program files under "%ProgramFiles%\Quor\Ostrel\" with Version.txt beside them, then the
# Start-menu shortcuts through the program's own /Install switch.
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/env.sh
ostrel_wine_boot

program_dir="$WINEPREFIX/drive_c/Program Files/Quor/Ostrel"
mkdir -p "$program_dir"
cmake --install "$BUILD_DIR" --prefix "$program_dir" >/dev/null
version=$(sed -n 's/^project(Ostrel VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
printf 'Product=Ostrel\r\nVersion=%s\r\n' "$version" > "$program_dir/Version.txt"

# Registration steps of later parts (COM server, plug-ins, sample data) run from here.
for step in tools/install.d/*.sh; do
  [ -e "$step" ] || continue
  PROGRAM_DIR="$program_dir" bash "$step"
done

"$OSTREL_WINE" "$program_dir/Ostrel.exe" /Install || true
echo "Installed into $program_dir"
