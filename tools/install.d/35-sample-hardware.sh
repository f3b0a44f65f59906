#!/usr/bin/env bash
# The sample plug-ins' stand-in hardware, so their pages and statuses show values from the start:
# the charger plugged in (a device file) and the keyboard backlight on (a registry value). Change
# them by hand to watch the status window follow, e.g.
#   echo 0 > "build/wineprefix/drive_c/ProgramData/Quor Corporation/Ostrel/SampleDevices/charger"
set -euo pipefail
devices="$WINEPREFIX/drive_c/ProgramData/Quor Corporation/Ostrel/SampleDevices"
mkdir -p "$devices"
[ -e "$devices/charger" ] || printf '1' > "$devices/charger"
"$OSTREL_WINE" reg add 'HKCU\Software\Quor Corporation\Ostrel\SampleHardware\Keyboard' /v Backlight \
  /t REG_DWORD /d 1 /f >/dev/null 2>&1 </dev/null
