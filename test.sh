#!/usr/bin/env bash
# Builds the project and runs every test. Usage: ./test.sh [--sanitize]
set -euo pipefail
cd "$(dirname "$0")"
source tools/packages.sh

build_dir=build
cmake_options=(-DCMAKE_BUILD_TYPE=Release)
if [[ "${1:-}" == "--sanitize" ]]; then
    build_dir=build-sanitize
    cmake_options=(-DCMAKE_BUILD_TYPE=Debug -DZR415_SANITIZE=ON)
fi

tools/ensure-packages.sh "${build_packages[@]}"
cmake -S . -B "$build_dir" "${cmake_options[@]}" >/dev/null
cmake --build "$build_dir" -j "$(nproc)"
# GUI tests run on the offscreen platform: no display needed.
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build_dir" --output-on-failure -j "$(nproc)"
