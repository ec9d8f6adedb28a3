# Sourced by the transcripts. The README's commands run from build/ and write the audit file to
# bin/../log, so each transcript gets its own copy of that tree: build/bin with the two programs,
# an empty build/log, and docs/examples beside it. The simulators are stopped and /tmp/lab is
# removed when the transcript ends, passed or not.
if [ -z "$ZR415_BUILD" ] || [ ! -x "$ZR415_BUILD/bin/zr415ctl" ]; then
    echo "ZR415_BUILD must name a build folder with bin/zr415ctl and bin/zr415-sim"
    exit 1
fi
# Someone else's lab (a reader trying the README, another run) is never touched.
if [ -e /tmp/lab ]; then
    echo "/tmp/lab exists already: stop its simulators and remove it first"
    exit 1
fi
mkdir -p build/bin build/log docs
cp "$ZR415_BUILD/bin/zr415ctl" "$ZR415_BUILD/bin/zr415-sim" build/bin/
cp -r "${ZR415_SOURCE:-$TESTDIR/../..}/docs/examples" docs/
cd build || exit 1

lab_stop() {
    local pid
    for pid in $(jobs -p); do
        # A simulator started through a shell function runs under a subshell of its own.
        pkill -TERM -P "$pid" 2>/dev/null
        kill -TERM "$pid" 2>/dev/null
    done
    wait 2>/dev/null
    rm -rf /tmp/lab
}
trap lab_stop EXIT

# The simulators make their links a moment after they start; a reader typing is slower.
lab_wait() {
    local tries path missing
    for tries in $(seq 100); do
        missing=
        for path in "$@"; do
            [ -e "$path" ] || missing="$missing $path"
        done
        [ -z "$missing" ] && return 0
        sleep 0.1
    done
    echo "no simulator at:$missing"
    return 1
}
