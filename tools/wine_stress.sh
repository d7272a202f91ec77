#!/usr/bin/env bash
# Starts many short Wine programs against one prefix through tests/wine/wine.sh, one after another and
# several side by side, and counts every start that did not run to the program's own exit code
# with nothing said on the way ("wine client error ..." is what a server going away looks like).
#
#   tools/wine_stress.sh [--count N] [--run-count R] [--jobs J] [--seconds S] [--fresh]
#
# Without --fresh the prefix is PLIX_WINEPREFIX, whose server the caller started (the ctest
# fixture), and the programs run with "exec". With --fresh a new prefix is made and "run", which
# starts and stops its own servers (a few seconds a start), is tried as well, R times a phase
# (default N / 4). Each phase ends after its count of starts or S seconds.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
wine_sh=$root/tests/wine/wine.sh

count=200
run_count=
jobs=4
seconds=600
fresh=0
while [ $# -gt 0 ]; do
    case $1 in
    --count) count=$2 && shift 2 ;;
    --run-count) run_count=$2 && shift 2 ;;
    --jobs) jobs=$2 && shift 2 ;;
    --seconds) seconds=$2 && shift 2 ;;
    --fresh) fresh=1 && shift ;;
    *) echo "usage: $0 [--count N] [--run-count R] [--jobs J] [--seconds S] [--fresh]" >&2 && exit 2 ;;
    esac
done

# A prefix that this machine cannot run is a skip (status 77, with wine.sh's reason).
"$wine_sh" check || exit

work=$(mktemp -d "${TMPDIR:-/tmp}/plix-wine-stress.XXXXXX")
cleanup() {
    if [ "$fresh" -eq 1 ]; then
        "$wine_sh" stop || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
if [ "$fresh" -eq 1 ]; then
    export PLIX_WINEPREFIX=$work/prefix
    started=$SECONDS
    "$wine_sh" prepare
    echo "wine_stress: a fresh prefix in $((SECONDS - started)) s"
fi
[ -n "${PLIX_WINEPREFIX:-}" ] || {
    echo "wine_stress: PLIX_WINEPREFIX names no prefix (or pass --fresh)" >&2
    exit 2
}

# One worker: starts its share of the programs one after another; a line per failure.
worker() {
    local mode=$1 share=$2 deadline=$3 log=$4 i output status
    : >"$log.ok"
    for ((i = 0; i < share && SECONDS < deadline; i++)); do
        status=0
        # Into a file: the background programs that a "run" on a fresh server boots share its
        # output until the last run ends, and a pipe would wait for them.
        "$wine_sh" "$mode" cmd /c exit 7 >"$log.out" 2>&1 || status=$?
        output=$(cat "$log.out")
        if [ "$status" -eq 7 ] && [ -z "$output" ]; then
            echo >>"$log.ok"
        else
            printf 'status %d: %s\n' "$status" "$output" >>"$log.failed"
        fi
    done
}

total_passed=0
total_failed=0
phase() {
    local mode=$1 width=$2 label=$3 count=$4 started=$SECONDS deadline k passed failed
    deadline=$((SECONDS + seconds))
    rm -f "$work"/log.*
    for ((k = 0; k < width; k++)); do
        worker "$mode" $(((count + k) / width)) "$deadline" "$work/log.$k" &
    done
    wait
    passed=$(cat "$work"/log.*.ok | wc -l)
    cat "$work"/log.*.failed >"$work/failures" 2>/dev/null || true
    failed=$(wc -l <"$work/failures")
    echo "wine_stress: $label: $passed started and ended, $failed failed, in $((SECONDS - started)) s"
    sort "$work/failures" | uniq -c | head -n 5
    total_passed=$((total_passed + passed))
    total_failed=$((total_failed + failed))
}

if [ "$fresh" -eq 1 ]; then
    "$wine_sh" start
fi
phase exec 1 "exec, one after another" "$count"
phase exec "$jobs" "exec, $jobs side by side" "$count"
if [ "$fresh" -eq 1 ]; then
    # "run" stops the server when the last run ends, so its starts meet servers coming and going.
    "$wine_sh" stop
    phase run 1 "run, one after another" "${run_count:-$((count / 4))}"
    phase run "$jobs" "run, $jobs side by side" "${run_count:-$((count / 4))}"
fi
echo "wine_stress: $total_passed passed, $total_failed failed"
[ "$total_failed" -eq 0 ] && [ "$total_passed" -gt 0 ]
