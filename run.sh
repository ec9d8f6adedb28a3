#!/usr/bin/env bash
# Builds the tool and starts it. Without a display it runs on a virtual one (Xvfb), saves a
# screenshot of the window and keeps running until Ctrl-C.
set -euo pipefail
cd "$(dirname "$0")"
source tools/packages.sh

tools/ensure-packages.sh "${build_packages[@]}"
[[ -n "${DISPLAY:-}" ]] || tools/ensure-packages.sh "${desktop_packages[@]}"
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$(nproc)" --target zr415

children=()
cleanup() { for pid in "${children[@]}"; do kill "$pid" 2>/dev/null || true; done; }
trap cleanup EXIT
trap 'exit 130' INT TERM

if [[ -z "${DISPLAY:-}" ]]; then
    display=:$((90 + RANDOM % 100))
    echo "No display found: running on the virtual display $display (Xvfb)."
    Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    children+=($!)
    export DISPLAY=$display
    sleep 1
    build/bin/zr415 &
    tool=$!
    children+=("$tool")
    sleep 3
    screenshot=$PWD/build/zr415-screenshot.png
    if import -window root png:- 2>/dev/null | convert png:- -trim +repage "$screenshot"; then
        echo "Screenshot of the window: $screenshot"
    fi
    echo "The tool is running. Press Ctrl-C to stop it."
    wait "$tool"
else
    build/bin/zr415
fi
