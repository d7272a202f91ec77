#!/usr/bin/env bash
# The path of a machine that cannot run 32-bit x86 programs (forced with PLIX_NO_I386=1): every
# tests/wine/wine.sh command on a 32-bit prefix exits with the skip status and says why, ctest reports
# such a test as skipped, and the test command counts it as skipped, never as passed.
# Usage: skip_test.sh SOURCE_DIR
set -uo pipefail
source_dir=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

export PLIX_WINEARCH=win32 PLIX_NO_I386=1 PLIX_WINEPREFIX=$work/prefix
for command in prepare start stop run exec; do
    status=0
    out=$("$source_dir/tests/wine/wine.sh" $command cmd /c exit 0 2>&1) || status=$?
    [ $status -eq 77 ] && grep -q "skipped: .*cannot run 32-bit x86 programs" <<<"$out" ||
        fail "wine.sh $command: status $status, said: $out"
done
[ ! -e "$work/prefix" ] || fail "a skipped command made the prefix"
"$source_dir/tests/wine/wine.sh" runs-i386 >/dev/null && fail "runs-i386 answers yes under PLIX_NO_I386=1"

# One test of each outcome, as ctest prints them.
mkdir "$work/project"
cat >"$work/project/CMakeLists.txt" <<CMAKE
cmake_minimum_required(VERSION 3.25)
project(skips NONE)
enable_testing()
add_test(NAME passes COMMAND true)
add_test(NAME fails COMMAND false)
add_test(NAME needs_i386 COMMAND $source_dir/tests/wine/wine.sh exec cmd /c exit 0)
set_tests_properties(needs_i386 PROPERTIES SKIP_RETURN_CODE 77)
CMAKE
cmake -S "$work/project" -B "$work/build" >/dev/null
(cd "$work/build" && ctest --output-junit junit.xml >"$work/ctest.log" 2>&1)
results=$source_dir/cmake/ctest_results.py
total=$(python3 "$results" total "$work/build/junit.xml")
[ "$total" = "total: 1 passed, 1 failed, 1 skipped" ] ||
    fail "counted as \"$total\", not 1 passed, 1 failed, 1 skipped: $(cat "$work/ctest.log")"
reasons=$(python3 "$results" stage "$work/build/junit.xml")
grep -qx "skipped needs_i386: this machine is taken as one that cannot run 32-bit x86 programs (PLIX_NO_I386=1)" \
    <<<"$reasons" || fail "the skip's reason reads: $reasons"
python3 "$results" total "$work/build/junit.xml" "$work/no-such-stage.xml" >/dev/null &&
    fail "a stage without results is not counted as a failure"

[ $failures -eq 0 ] && echo "the skip path: all passed"
exit $((failures > 0))
