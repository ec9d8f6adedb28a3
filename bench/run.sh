#!/usr/bin/env bash
# Builds and runs the benchmarks; each prints its figures against its target.
# Usage: bench/run.sh [flood seconds, default 30]
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/packages.sh
tools/ensure-packages.sh "${build_packages[@]}" "${bench_packages[@]}"
# The benchmarks need none of the tests' tools; a tree ./test.sh configured keeps its tests.
options=(-DCMAKE_BUILD_TYPE=Release -DZR415_BENCH=ON)
[[ -f build/CMakeCache.txt ]] || options+=(-DZR415_TESTS=OFF)
tools/configure.sh build "${options[@]}"
cmake --build build -j "$(nproc)" --target bench_reply_path bench_startup bench_flood bench_provision bench_idle_ports bench_status bench_recording bench_report zr415-sim zr415ctl
export QT_QPA_PLATFORM=offscreen
echo "== reply path"; build/bin/bench_reply_path 2>/dev/null
echo; echo "== start-up"; build/bin/bench_startup 20 2>/dev/null
echo; echo "== flood"; build/bin/bench_flood "${1:-30}" 2>/dev/null
echo; echo "== provision"; build/bin/bench_provision 2>/dev/null
echo; echo "== idle port list"; build/bin/bench_idle_ports 30 2>/dev/null
echo; echo "== receiver status"; build/bin/bench_status 60 2>/dev/null
echo; echo "== recording"; build/bin/bench_recording 10 2>/dev/null
echo; echo "== commissioning report of a day"; build/bin/bench_report 2>/dev/null
