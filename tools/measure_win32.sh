#!/usr/bin/env bash
# Measures the Windows program under Wine on a virtual X display of its own: the size of plix.exe,
# the start-up time to the first painted window (beside a trivial program started the same way,
# which is Wine's own cost), the paint of a full board, and the peak memory of plix.exe after a
# whole computer game. Usage: tools/measure_win32.sh [build dir, default build/measure-win64]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${1:-build/measure-win64}
runs=${PLIX_MEASURE_RUNS:-5}

if [ -z "${PLIX_MEASURE_INNER:-}" ]; then
    cmake --preset win64 -B "$build" >/dev/null
    cmake --build "$build" -j2 --target plix win32_storm_test trivial_window play_computer_game \
        >/dev/null
    exec xvfb-run -a -s "-screen 0 1280x1024x24" env PLIX_MEASURE_INNER=1 "$0" "$build"
fi

# A prefix of this script's own, kept warm for the whole run and shut down at the end.
export PLIX_WINEPREFIX=$root/$build/measure-wineprefix
"$root/tests/wine/wine.sh" start
trap '"$root/tests/wine/wine.sh" stop' EXIT
wine=("$root/tests/wine/wine.sh" exec)

now() { date +%s%N; }

# Launches $1 and waits until a window titled $2 shows: the milliseconds in $elapsed_ms, the
# running process's pid in $started_pid.
time_to_window() {
    local exe=$1 title=$2 start
    start=$(now)
    "${wine[@]}" "$exe" >/dev/null 2>&1 &
    started_pid=$!
    until xdotool search --onlyvisible --name "^$title\$" >/dev/null 2>&1; do
        sleep 0.005
    done
    elapsed_ms=$((($(now) - start) / 1000000))
}

# VmHWM and VmRSS of a process, in KiB.
memory_of() {
    awk '/^VmHWM|^VmRSS/ {printf "%s %s KiB  ", $1, $2}' "/proc/$1/status"
}

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR + 1) / 2)]}'; }

stop() {
    kill "$1" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
}

echo "== plix.exe"
stat -c "size: %s bytes" "$build/plix.exe"
if x86_64-w64-mingw32-objdump -h "$build/plix.exe" | grep -q '\.debug\|symtab'; then
    echo "symbols: present"
else
    echo "symbols: stripped"
fi

echo "== start-up to the first painted window, $runs runs each (median, ms)"
for exe in trivial plix; do
    times=()
    for _ in $(seq "$runs"); do
        if [ $exe = plix ]; then
            time_to_window "$build/plix.exe" REVERSI
        else
            time_to_window "$build/tools/trivial_window.exe" TRIVIAL
        fi
        times+=("$elapsed_ms")
        if [ $exe = trivial ]; then
            echo "trivial running: $(memory_of "$started_pid")" >"$build/tools/trivial-memory.txt"
        else
            echo "plix idle: $(memory_of "$started_pid")" >"$build/tools/plix-idle-memory.txt"
        fi
        stop "$started_pid"
    done
    echo "$exe: $(printf '%s\n' "${times[@]}" | median) ms (runs: ${times[*]})"
done

echo "== paint of a full 64-disc board at the default size"
(cd "$build" && "${wine[@]}" tests/win32/win32_storm_test.exe --gtest_filter='*PaintOfAFullBoard*' \
    2>&1 | grep -a 'paint of a full board')

echo "== peak memory (the wine process of each program, from /proc)"
cat "$build/tools/trivial-memory.txt" "$build/tools/plix-idle-memory.txt"
release=$root/$build/tools/release-result-box
rm -f "$release"
time_to_window "$build/plix.exe" REVERSI
plix_pid=$started_pid
"${wine[@]}" "$build/tools/play_computer_game.exe" 3 "$release" >"$build/tools/play.log" 2>&1 &
player=$!
until grep -q result "$build/tools/play.log" 2>/dev/null; do
    if ! kill -0 "$player" 2>/dev/null; then
        echo "the game driver failed: $(cat "$build/tools/play.log")"
        exit 1
    fi
    sleep 0.2
done
echo "plix after a level-3 game, result box open: $(memory_of "$plix_pid")"
touch "$release"
wait "$player"
wait "$plix_pid" && echo "plix.exe ended through Exit with code 0"
