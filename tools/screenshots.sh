#!/usr/bin/env bash
# Pictures of the window's four tabs and of the receiver view in its own window (the fifth),
# in Chinese and in English, for the README: the real window
# (offscreen) connected to zr415-sim streaming an RTK fix, its sky and heading, GGA at 0.2 s.
# Usage: tools/screenshots.sh [build dir, default build]; writes docs/tabs-zh-1.png …
# docs/tabs-en-5.png.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cmake --build "$build" -j2 --target zr415-screenshots zr415-sim >/dev/null
work=$(mktemp -d)
sim=
trap '[[ -n "$sim" ]] && kill "$sim" 2>/dev/null; rm -rf "$work"' EXIT
mkdir -p docs
for language in zh_CN en; do
    "$build/bin/zr415-sim" --link "$work/ttyUSB0" --serial ZR415-0041 --fix rtk-fixed \
        --rates GGA=0.2,RMC=1,GSA=1,GSV=1,GST=1,HDT=0.5,ZDA=1 >/dev/null &
    sim=$!
    for _ in $(seq 50); do [[ -e "$work/ttyUSB0" ]] && break; sleep 0.1; done
    QT_QPA_PLATFORM=offscreen TMPDIR=$work LANGUAGE=$language ZR415_EXTRA_PORTS=$work/ttyUSB0 \
        "$build/bin/zr415-screenshots" "docs/tabs-${language%_CN}" 8
    kill "$sim"
    wait "$sim" 2>/dev/null || true
    sim=
    rm -f "$work/ttyUSB0"
done
