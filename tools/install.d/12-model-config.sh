#!/usr/bin/env bash
# The model configuration of the sample laptop: which features its machine id has.
set -euo pipefail
config="$WINEPREFIX/drive_c/ProgramData/Quor Corporation/Ostrel/Config"
mkdir -p "$config"
cp "$OSTREL_ROOT/samples/model-config/"ModelConfig*.xml "$config/"
