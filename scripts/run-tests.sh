#!/bin/sh
# Runs inside the network sandbox: the whole suite, the sanitizer suite, the fuzzers.
set -u
top=$(cd "$(dirname "$0")/.." && pwd)
fuzz_seconds=${LINQUO_FUZZ_SECONDS:-5}
failed=0

echo "== test suite"
ctest --test-dir "$top/build" --output-on-failure || failed=1

echo "== test suite under AddressSanitizer + UndefinedBehaviorSanitizer"
ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir "$top/build-asan" --output-on-failure -LE system || failed=1

echo "== fuzzers, ${fuzz_seconds}s each"
for f in "$top"/build-fuzz/fuzz/fuzz_*; do
    [ -x "$f" ] || continue
    name=$(basename "$f")
    corpus=$(mktemp -d)
    if "$f" -max_total_time="$fuzz_seconds" -print_final_stats=0 "$corpus" >"$corpus.log" 2>&1; then
        echo "$name: ok"
    else
        echo "$name: FAILED"; tail -n 40 "$corpus.log"; failed=1
    fi
    rm -rf "$corpus" "$corpus.log"
done

exit $failed
