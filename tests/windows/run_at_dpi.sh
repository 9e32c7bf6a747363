#!/usr/bin/env bash
# Runs a Windows program with the test prefix's screen dpi set to DPI, then puts 96 back.
# Usage: run_at_dpi.sh DPI PROGRAM [ARGS...]
set -u
dpi=$1
shift
source "$(dirname "$0")/../../scripts/wine-env.sh"
quorrin_start_wine || exit 1
set_dpi() {
    "$QUORRIN_WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f \
        >/dev/null 2>&1
}
set_dpi "$dpi"
"$QUORRIN_WINE" "$@"
status=$?
set_dpi 96
exit $status
