#!/bin/sh
# Configures and builds one flavour of the tree.
#   build.sh            release build with tests and benchmarks into build/
#   build.sh release T  only the targets T... of the release build
#   build.sh asan       tests under AddressSanitizer + UBSan into build-asan/
#   build.sh fuzz       libFuzzer targets (clang) into build-fuzz/
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
flavour=${1:-release}
[ "$#" -gt 0 ] && shift
targets=""
for t in "$@"; do targets="$targets --target $t"; done
jobs=$(nproc 2>/dev/null || echo 2)
case "$flavour" in
release)
    cmake -S "$top" -B "$top/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    # shellcheck disable=SC2086
    cmake --build "$top/build" -j "$jobs" $targets
    ;;
asan)
    cmake -S "$top" -B "$top/build-asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
        -DLINQUO_SANITIZE=ON -DLINQUO_BENCH=OFF >/dev/null
    cmake --build "$top/build-asan" -j "$jobs"
    ;;
fuzz)
    CC=clang CXX=clang++ cmake -S "$top" -B "$top/build-fuzz" -G Ninja \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLINQUO_FUZZ=ON >/dev/null
    cmake --build "$top/build-fuzz" -j "$jobs"
    ;;
*)
    echo "usage: build.sh [release|asan|fuzz]" >&2
    exit 2
    ;;
esac
