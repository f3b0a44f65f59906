#!/usr/bin/env bash
# The settings service: its schema files in the product data folder, then its COM registration
# (which also names the out-of-process host beside the DLL).
set -euo pipefail
data="$WINEPREFIX/drive_c/ProgramData/Quor Corporation/Ostrel"
mkdir -p "$data/Schema files"
cp "$BUILD_DIR/bin/Schema files/"*.xsd "$data/Schema files/"
"$OSTREL_WINE" regsvr32 /s "$PROGRAM_DIR/Settory.dll"
