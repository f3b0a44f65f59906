#!/usr/bin/env bash
# Sample applications registered through the settings service: registration files in the product
# data folder.
set -euo pipefail
data="$WINEPREFIX/drive_c/ProgramData/Quor Corporation/Ostrel"
mkdir -p "$data"
cp "$OSTREL_ROOT/samples/registered-apps/"*.xml "$data/"
