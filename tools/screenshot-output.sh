#!/usr/bin/env bash
# Pictures the output tab 输出监视 for the README: the window against the simulated receiver, GGA
# at 0.2 s, GSV set but kept off by the receiver, as the output test drives it (offscreen).
# Usage: tools/screenshot-output.sh [build dir, default build]; writes docs/output-tab.png.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cmake --build "$build" -j2 --target tst_output >/dev/null
mkdir -p "$build/tests/tmp/tst_output" docs
QT_QPA_PLATFORM=offscreen TMPDIR=$PWD/$build/tests/tmp/tst_output ZR415_EXTRA_PORTS= LANGUAGE=zh_CN \
    "$build/tests/tst_output" tabShowsSetRatesAsTheyArrive >/dev/null 2>&1
cp "$build/zr415-output.png" docs/output-tab.png
echo "docs/output-tab.png"
