#!/usr/bin/env bash
# Builds the project and runs every test. Usage: ./test.sh [--sanitize]
# The normal run ends with each fuzzer for a short while (FUZZ_SECONDS, default 30) on a clang
# build; --sanitize runs the whole suite on a build with AddressSanitizer and UBSan instead.
set -euo pipefail
cd "$(dirname "$0")"
source tools/packages.sh

build_dir=build
cmake_options=(-DCMAKE_BUILD_TYPE=Release -DZR415_TESTS=ON)
if [[ "${1:-}" == "--sanitize" ]]; then
    build_dir=build-sanitize
    cmake_options=(-DCMAKE_BUILD_TYPE=Debug -DZR415_SANITIZE=ON -DZR415_TESTS=ON)
fi

tools/ensure-packages.sh "${build_packages[@]}" "${test_packages[@]}"
[[ "$build_dir" == build ]] && tools/ensure-packages.sh "${fuzz_packages[@]}"
tools/configure.sh "$build_dir" "${cmake_options[@]}"
cmake --build "$build_dir" -j "$(nproc)"
# GUI tests run on the offscreen platform: no display needed.
export QT_QPA_PLATFORM=offscreen
# A failed test does not keep the fuzzers from running; the run fails at the end.
failed=0
ctest --test-dir "$build_dir" --output-on-failure -j "$(nproc)" || failed=1

if [[ "$build_dir" == build ]]; then
    CC=clang CXX=clang++ tools/configure.sh build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZR415_FUZZ=ON \
        -DZR415_FUZZ_SECONDS="${FUZZ_SECONDS:-30}"
    cmake --build build-fuzz -j "$(nproc)" --target fuzz_reply_path fuzz_ini fuzz_text fuzz_profile fuzz_answer_matching fuzz_status
    ctest --test-dir build-fuzz --output-on-failure -j "$(nproc)"
fi
exit $failed
