#!/usr/bin/env bash
# The QorUtils stand-in (installed beside the program by cmake --install): registered where the
# settings service looks for the maker's utility library, with the machine id it reports.
# OSTREL_MACHINE_ID chooses the laptop model; 0 (unknown model) by default.
set -euo pipefail
winpath='C:\Program Files\Quor\Ostrel\QorUtils.dll'
"$OSTREL_WINE" reg add 'HKLM\Software\Quor Corporation\Shared Info\Shared Dlls' /v QorUtils.dll /t REG_SZ \
  /d "$winpath" /f >/dev/null
"$OSTREL_WINE" reg add 'HKLM\Software\Quor Corporation\Shared Info\QorUtils' /v MachineID /t REG_DWORD \
  /d "${OSTREL_MACHINE_ID:-0}" /f >/dev/null
