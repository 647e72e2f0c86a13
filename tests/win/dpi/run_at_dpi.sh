#!/bin/bash
# Runs a test program of this build at a screen scale of its own: in a copy of the build's
# Wine prefix whose LogPixels says <dpi>, with the stand-ins registered there, under a server
# of its own (Wine takes the DPI when its server starts). The copy goes when the run ends;
# what the program writes into the work folder (its pictures) stays.
#   run_at_dpi.sh <dpi> <wine-run> <build's prefix> <work folder> <test program> [DLLs to register...]
set -euo pipefail
dpi=$1 wine_run=$2 template=$3 work=$4 program=$5
shift 5
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }

mkdir -p "$work"
export GLEANER_WINEPREFIX="$work/prefix"
cleanup() {
  "$wine_run" --server -k 2>/dev/null || true
  rm -rf "$GLEANER_WINEPREFIX"
}
trap cleanup EXIT
rm -rf "$GLEANER_WINEPREFIX"
cp -a "$template" "$GLEANER_WINEPREFIX"
for key in 'HKCU\Control Panel\Desktop' 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts'; do
  "$wine_run" reg add "$key" /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null
done
for dll in "$@"; do "$wine_run" regsvr32 /s "$(winpath "$dll")"; done
# Until the server has gone, the settings may not be in the prefix's files, nor in effect.
"$wine_run" --server -w
cd "$work"
GLEANER_TEST_DPI=$dpi "$wine_run" "$program"
