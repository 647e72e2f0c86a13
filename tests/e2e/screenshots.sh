#!/bin/bash
# Screenshots of the main window on the demo profile: at its design size, then resized
# larger. Needs a built tree (scripts/test or scripts/demo); writes into <build>/screenshots.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib.sh"

wine_run="$build/win/wine-run"
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }
trap 'stop_display; rm -rf "${work:-}"' EXIT
# Wine's desktop takes the display of the first program of a server session: start with one.
"$wine_run" --server -k 2>/dev/null || true
start_display
"$wine_run" regsvr32 /s "$(winpath "$build/win/standins/outlook/outlook_standin.dll")"
"$wine_run" regsvr32 /s "$(winpath "$build/win/standins/secman/secman.dll")"
work=$(mktemp -d)
cp "$root/standins/profiles/demo.json" "$work/demo.json"
export OUTLOOK_STANDIN_PROFILE="$(winpath "$work/demo.json")"

"$wine_run" "$build/win/src/gleaner.exe" &
app=$!
window=""
for _ in $(seq 1 150); do
  window=$(xwininfo -root -tree 2>/dev/null | grep '"Gleaner - get rid of Outlook duplicates"' | awk '{print $1}' | head -1 || true)
  [ -n "$window" ] && break
  sleep 0.2
done
[ -n "$window" ] || { echo "The main window did not appear" >&2; xwininfo -root -tree >&2; exit 1; }
sleep 2
mkdir -p "$build/screenshots"
import -window "$window" "$build/screenshots/main-design.png"
"$wine_run" "$build/win/tests/win/app/app_resize_window.exe" 1000 700
sleep 2
import -window "$window" "$build/screenshots/main-resized.png"
echo "Screenshots: $build/screenshots/main-design.png $build/screenshots/main-resized.png"
"$wine_run" --server -k 2>/dev/null || true
wait "$app" 2>/dev/null || true
