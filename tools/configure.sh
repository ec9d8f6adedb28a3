#!/usr/bin/env bash
# Configures a build tree from the source folder, quietly: CMake's output is shown when it fails.
# Usage: tools/configure.sh BUILD_DIR [CMake options]
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=$1
shift
mkdir -p "$build_dir"
if ! cmake -S . -B "$build_dir" "$@" >"$build_dir/configure.log" 2>&1; then
    cat "$build_dir/configure.log" >&2
    echo "Configuring $build_dir failed; the output above is kept in $build_dir/configure.log." >&2
    exit 1
fi
