#!/usr/bin/env bash
# Pictures a unit's commissioning report page for the README: zr415ctl monitor records zr415-sim
# streaming an RTK fix at 5 Hz, zr415ctl report makes the recording's page, and headless chromium
# draws it. chromium is installed when missing (tools/ensure-packages.sh; it is large, and only
# this script needs it).
# Usage: tools/screenshot-report.sh [build dir, default build] [seconds, default 20];
# writes docs/report-page.png.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
seconds=${2:-20}
source tools/packages.sh
tools/ensure-packages.sh "${screenshot_packages[@]}"
cmake --build "$build" -j2 --target zr415ctl zr415-sim >/dev/null
ctl=$(realpath "$build/bin/zr415ctl")
work=$(mktemp -d)
sim=
trap '[[ -n "$sim" ]] && kill "$sim" 2>/dev/null; rm -rf "$work"' EXIT
mkdir -p docs
"$build/bin/zr415-sim" --link "$work/ttyUSB0" --serial ZR415-0041 --fix rtk-fixed \
    --rates GGA=0.2,RMC=1,GSA=1,GSV=1,GST=1,HDT=0.2,ZDA=1 >/dev/null &
sim=$!
for _ in $(seq 50); do [[ -e "$work/ttyUSB0" ]] && break; sleep 0.1; done
"$ctl" monitor "$work/ttyUSB0" --seconds "$seconds" --record "$work/line.nmea" \
    >/dev/null
kill "$sim"
wait "$sim" 2>/dev/null || true
sim=
# Without line.nmea.jsonl beside it the receiver's time tags time the epochs, evenly: arrival
# jitter would put two epochs in one column of the fix drawing and leave the next one blank.
# The page is titled with the file's name as given, here the unit's serial number.
cp "$work/line.nmea" "$work/ZR415-0041.nmea"
# Thresholds the simulator meets, so the page shows them passed.
(cd "$work" && "$ctl" report --from ZR415-0041.nmea --min-fixed 95 \
    --max-cep95 0.05 --max-heading-sigma 2 --max-first-fix 5 --html report.html)
# chromium writes its profile under HOME; a throwaway one keeps the user's untouched.
HOME=$work chromium --headless --no-sandbox --disable-gpu --hide-scrollbars \
    --window-size=1000,1290 --screenshot="$work/page.png" "file://$work/report.html" 2>/dev/null
# A few colours are enough for a page of text and line drawings, and keep the file small.
convert "$work/page.png" -colors 64 -strip "PNG8:docs/report-page.png"
echo "docs/report-page.png"
