#!/usr/bin/env bash
# Sets everything up, builds the native (sanitized and plain), fuzzing and Windows trees, and
# runs every test: the native ones under AddressSanitizer and UndefinedBehaviorSanitizer (and the
# soak and benchmark smoke in the optimised build), a bounded libFuzzer run per target, and the
# Windows ones of the 64-bit and the 32-bit build, the end-to-end test included, through Wine
# (64-bit and 32-bit) on a virtual X display. Where this machine cannot run 32-bit x86 programs
# (or PLIX_NO_I386=1), the 32-bit build's Wine tests are counted as skipped, each with its reason.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
. cmake/ctest_log.sh

# Whatever becomes of the run (a failure, Ctrl-C), no Wine program of the project's outlives it:
# the build trees' servers, and those of end-to-end runs that were killed before their own cleanup.
stop_wine() {
    local prefix owner
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

# Each stage is a workflow preset (configure, build, test); the machine's cores for both.
export CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}
export CTEST_PARALLEL_LEVEL=${CTEST_PARALLEL_LEVEL:-$(nproc)}
log_dir=build/test-logs
mkdir -p "$log_dir"
started=$SECONDS

stage() {
    local preset=$1 stage_started=$SECONDS
    shift
    # ctest's own summary line is kept per preset and added up at the end.
    "$@" cmake --workflow --preset "$preset" 2>&1 | tee "$log_dir/$preset.log"
    local code=${PIPESTATUS[0]}
    report_skips "$log_dir/$preset.log" "build/$preset/Testing/Temporary/LastTest.log" |
        sed "s/^/== $preset: /"
    echo "== $preset took $((SECONDS - stage_started)) s"
    return "$code"
}

# The Windows stages draw their windows on a virtual X display.
xvfb=(xvfb-run -a -s "-screen 0 1280x1024x24")
status=0
echo "== native-asan: portable code under the sanitizers"
stage native-asan || status=1
echo "== native: optimised build (benchmarks, headless driver)"
stage native || status=1
echo "== fuzz: rules and computer player under libFuzzer, about a minute each (clang)"
stage fuzz || status=1
echo "== win64: Windows programs through Wine"
stage win64 "${xvfb[@]}" || status=1
echo "== win32: the 32-bit Windows programs through 32-bit Wine"
stage win32 "${xvfb[@]}" || status=1
echo "== web: the browser edition, its page in headless Chromium"
stage web || status=1

counts=$(count_tests "$log_dir"/{native-asan,native,fuzz,win64,win32,web}.log) || status=1
read -r passed failed skipped <<<"$counts"
echo "== all tests took $((SECONDS - started)) s"
if [ "$skipped" -gt 0 ]; then
    echo "total: $passed passed, $failed failed, $skipped skipped"
else
    echo "total: $passed passed, $failed failed"
fi
exit "$status"
