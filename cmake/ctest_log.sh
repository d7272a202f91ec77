# Reading ctest's output, for scripts/test.sh (sourced). ctest names its skipped tests but shows
# none of their output, and counts them among those that passed.

# skipped_tests LOG: the names of the tests that LOG lists as skipped, one a line.
skipped_tests() {
    sed -nE 's/^[[:space:]]+[0-9]+ - ([^ ]+) \(Skipped\)$/\1/p' "$1"
}

# report_skips LOG LAST_TEST_LOG: a line for each skipped test with its reason, the line of its
# output that says "skipped: ..." (as tests/wine/wine.sh and the end-to-end tests word it).
report_skips() {
    local test reason
    while read -r test; do
        reason=$(awk -v test="$test" '/^[0-9]+\/[0-9]+ Test: / { current = $3 }
            current == test && /skipped: / { sub(/.*skipped: /, ""); sub(/ *!+$/, ""); print; exit }' \
            "$2" 2>/dev/null)
        echo "skipped $test: ${reason:-no reason given}"
    done < <(skipped_tests "$1")
}

# count_tests LOG...: adds the logs' results up into "passed failed skipped"; status 1 when a log
# has no ctest summary (its stage did not get as far as its tests).
count_tests() {
    local passed=0 failed=0 skipped=0 status=0 log line total bad skips
    for log in "$@"; do
        line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -n 1 || true)
        if [ -z "$line" ]; then
            status=1
            continue
        fi
        total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$line")
        bad=$(sed -E 's/.* ([0-9]+) tests failed.*/\1/' <<<"$line")
        skips=$(skipped_tests "$log" | wc -l)
        passed=$((passed + total - bad - skips))
        failed=$((failed + bad))
        skipped=$((skipped + skips))
    done
    echo "$passed $failed $skipped"
    return "$status"
}
