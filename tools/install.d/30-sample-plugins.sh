#!/usr/bin/env bash
# The sample plug-ins: their default settings into the service's default-settings folder, their
# stand-in hardware seeded, and each DLL named in the plug-in list the program reads.
set -euo pipefail
data="$WINEPREFIX/drive_c/ProgramData/Quor Corporation/Ostrel"
mkdir -p "$data/Default" "$data/SampleDevices"
cp "$PROGRAM_DIR/Default settings/"DefaultSetting*.xml "$data/Default/"
# The charger accepts charge limits from 60 percent up; below that its option fails and the page
# rolls the apply back.
printf '60' > "$data/SampleDevices/charge-minimum"

key='HKLM\SOFTWARE\Quor Corporation\Ostrel\Plugins'
windir='C:\Program Files\Quor\Ostrel\Plugins'
for dll in MinimalPlugin OstrelDisplayKeyboard OstrelPowerWireless; do
  "$OSTREL_WINE" reg add "$key" /v "$dll" /t REG_SZ /d "$windir\\$dll.dll" /f >/dev/null
done
