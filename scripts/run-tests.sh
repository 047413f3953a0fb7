#!/bin/sh
# Runs inside the network sandbox: the whole suite, the sanitizer suite, the fuzzers,
# then one closing line that counts them all.
set -u
top=$(cd "$(dirname "$0")/.." && pwd)
fuzz_seconds=${LINQUO_FUZZ_SECONDS:-5}
log=$(mktemp -d)
passed=0
failed=0
skipped=0

# Adds the counts of a ctest log's summary line ("N tests failed out of M").
count_ctest() {
    line=$(grep -E 'tests failed out of [0-9]+' "$1" | tail -n 1)
    if [ -z "$line" ]; then
        failed=$((failed + 1))
        return
    fi
    f=$(echo "$line" | sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/')
    t=$(echo "$line" | sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\2/')
    s=$(grep -cE '^[[:space:]]+[0-9]+ - .*\(Skipped\)' "$1")
    passed=$((passed + t - f - s))
    failed=$((failed + f))
    skipped=$((skipped + s))
}

echo "== test suite"
ctest --test-dir "$top/build" --output-on-failure -LE '^system$' 2>&1 | tee "$log/release.txt"
count_ctest "$log/release.txt"

# The simulated-LAN tests drive real windows with real input events on a virtual
# display. They run once: a failure is a fault to find, in the program or in the harness.
echo "== system tests on a simulated LAN"
ctest --test-dir "$top/build" --output-on-failure -L '^system$' 2>&1 | tee "$log/system.txt"
count_ctest "$log/system.txt"

echo "== test suite under AddressSanitizer + UndefinedBehaviorSanitizer"
ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir "$top/build-asan" --output-on-failure -LE system 2>&1 | tee "$log/asan.txt"
count_ctest "$log/asan.txt"

echo "== fuzzers, ${fuzz_seconds}s each"
for f in "$top"/build-fuzz/fuzz/fuzz_*; do
    [ -x "$f" ] || continue
    name=$(basename "$f")
    corpus=$(mktemp -d)
    # Seed inputs, where a target has them, start the short run from the deeper states.
    seeds="$top/tests/fuzz/seeds/${name#fuzz_}"
    [ -d "$seeds" ] || seeds=
    if "$f" -max_total_time="$fuzz_seconds" "$corpus" ${seeds:+"$seeds"} >"$log/$name.txt" 2>&1; then
        echo "$name: ok"
        passed=$((passed + 1))
    else
        echo "$name: FAILED"
        tail -n 40 "$log/$name.txt"
        failed=$((failed + 1))
    fi
    rm -rf "$corpus"
done
rm -rf "$log"

echo "total: $passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ]
