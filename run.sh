#!/usr/bin/env bash
# Builds the tool and starts it with a simulated receiver offered in its port list (after any
# real ports). Without a display it runs on a virtual one (Xvfb), saves a screenshot of the
# window and keeps running until Ctrl-C.
set -euo pipefail
cd "$(dirname "$0")"
source tools/packages.sh

tools/ensure-packages.sh "${build_packages[@]}"
[[ -n "${DISPLAY:-}" ]] || tools/ensure-packages.sh "${desktop_packages[@]}"
# The tool needs none of the tests' tools; a tree ./test.sh configured keeps its tests.
options=(-DCMAKE_BUILD_TYPE=Release)
[[ -f build/CMakeCache.txt ]] || options+=(-DZR415_TESTS=OFF)
tools/configure.sh build "${options[@]}"
cmake --build build -j "$(nproc)" --target zr415 zr415-sim

children=()
# Newest first, each gone before the next: the window before the display it is drawn on.
cleanup() {
    local i
    for ((i = ${#children[@]} - 1; i >= 0; i--)); do
        kill "${children[i]}" 2>/dev/null || true
        wait "${children[i]}" 2>/dev/null || true
    done
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# The simulated receiver, reachable under a stable name, with an RTK fix, its sky and heading.
sim_port=$PWD/build/zr415-sim-port
build/bin/zr415-sim --link "$sim_port" --serial ZR415-0001 --fix rtk-fixed \
    --rates GGA=1,RMC=1,GSV=1,GSA=1,GST=1,HDT=1 >/dev/null &
children+=($!)
for _ in $(seq 50); do [[ -e "$sim_port" ]] && break; sleep 0.1; done
export ZR415_EXTRA_PORTS="$sim_port${ZR415_EXTRA_PORTS:+:$ZR415_EXTRA_PORTS}"
echo "Simulated receiver on $sim_port: pick it in the port list (串口号 / Port) and press 连接 (Connect)."

if [[ -z "${DISPLAY:-}" ]]; then
    display=:$((90 + RANDOM % 100))
    echo "No display found: running on the virtual display $display (Xvfb)."
    # In a session of its own: an X server stops on the terminal's Ctrl-C at once, and the
    # window would lose its display before it is stopped.
    setsid Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
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
