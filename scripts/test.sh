#!/usr/bin/env bash
# Sets everything up, builds the native (sanitized and plain), fuzzing and Windows trees, and
# runs every test: the native ones under AddressSanitizer and UndefinedBehaviorSanitizer (and the
# soak and benchmark smoke in the optimised build), a bounded libFuzzer run per target, and the
# Windows ones of the 64-bit and the 32-bit build, the end-to-end test included, through Wine
# (64-bit and 32-bit) on a virtual X display. Where this machine cannot run 32-bit x86 programs
# (or PLIX_NO_I386=1), the 32-bit build's Wine tests are counted as skipped, each with its reason.
#
# The trees are built one after the other, each with every core; a tree's tests start as soon as
# it is built and run beside the builds and tests that follow. Most of the time of the Windows
# tests and the fuzzers is waiting (Wine's start-ups, the game's 500 ms ticks, the fuzzers'
# clocks), so they go first and leave the cores to the builds and the native tests.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh

log_dir=build/test-logs
mkdir -p "$log_dir"
testers=()

# Whatever becomes of the run (a failure, Ctrl-C), no test and no Wine program of the project's
# outlives it: the stages' tests, the build trees' servers, and those of end-to-end runs that were
# killed before their own cleanup.
stop_wine() {
    local pid prefix owner
    for pid in "${testers[@]}"; do
        # Only a group whose leader is still this script's child: an ended one's number may be
        # another's by now.
        if [ "$(awk '/^PPid:/ { print $2 }' "/proc/$pid/status" 2>/dev/null)" = $$ ]; then
            kill -TERM -- "-$pid" 2>/dev/null || true
        fi
    done
    for prefix in build/*/wineprefix; do
        PLIX_WINEPREFIX=$prefix tests/wine/wine.sh stop || true
    done
    for prefix in "${TMPDIR:-/tmp}"/plix-e2e-*/prefix; do
        owner=$(cat "$(dirname "$prefix")/owner" 2>/dev/null || echo 0)
        if [ -d "$prefix" ] && ! kill -0 "$owner" 2>/dev/null; then
            PLIX_WINEPREFIX=$prefix tests/wine/wine.sh stop || true
        fi
    done
}
trap stop_wine EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

export CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}
export CTEST_PARALLEL_LEVEL=${CTEST_PARALLEL_LEVEL:-$(nproc)}
started=$SECONDS
status=0

# stage PRESET WHAT [COMMAND...]: configures and builds the preset's tree, then starts its tests
# in the background (through COMMAND, a virtual display say), in a process group of their own that
# stop_wine can end. Each stage writes build/test-logs/PRESET.log and ctest's JUnit file.
stage() {
    local preset=$1 what=$2 log=$log_dir/$1.log stage_started=$SECONDS
    shift 2
    echo "== $preset: $what"
    results+=("build/$preset/junit.xml")
    rm -f "build/$preset/junit.xml"
    if ! { cmake --preset "$preset" && cmake --build --preset "$preset"; } >"$log" 2>&1; then
        echo "== $preset: the build failed ($log):"
        tail -n 40 "$log"
        status=1
        return
    fi
    echo "== $preset: built in $((SECONDS - stage_started)) s, testing"
    setsid "$@" ctest --preset "$preset" >>"$log" 2>&1 &
    testers+=($!)
    stages+=("$preset $! $(date +%s)")
}

# finish PRESET PID STARTED: waits for the stage's tests and reports them: every failed and
# skipped test by name, skips with their reasons, and the output of the failures.
finish() {
    local preset=$1 pid=$2 tests_started=$3 code=0
    wait "$pid" || code=$?
    python3 cmake/ctest_results.py stage "build/$preset/junit.xml" | sed "s/^/== $preset: /" ||
        status=1
    # Its log was last written when its tests ended, which may be well before this wait.
    echo "== $preset: tests took $(($(stat -c %Y "$log_dir/$preset.log") - tests_started)) s"
    if [ "$code" -ne 0 ]; then
        echo "== $preset: ctest failed ($log_dir/$preset.log):"
        grep -A 30 -E '^ *[0-9]+/[0-9]+ Test +#[0-9]+: .*\*\*\*|The following tests FAILED' \
            "$log_dir/$preset.log" | tail -n 80 || true
        status=1
    fi
}

# The stages, one line each, those that wait most first. The Windows stages draw their windows on
# a virtual X display each.
xvfb=(xvfb-run -a -s "-screen 0 1280x1024x24")
stages=() results=()
stage win64 "Windows programs through Wine" "${xvfb[@]}"
stage win32 "the 32-bit Windows programs through 32-bit Wine" "${xvfb[@]}"
# Each fuzzer runs for a fixed time, whatever share of a core it gets; it takes what the others
# leave.
# The browser edition's page is played in headless Chromium, which needs no X display.
stage web "the browser edition, its page in headless Chromium"
stage fuzz "rules and computer player under libFuzzer, about a minute each (clang)" nice -n 19
stage native "optimised build (benchmarks, headless driver)"
stage native-asan "portable code under the sanitizers"

# In the order they started.
for entry in "${stages[@]}"; do
    finish $entry
done

echo "== all tests took $((SECONDS - started)) s"
python3 cmake/ctest_results.py total "${results[@]}" ||
    status=1
exit "$status"
