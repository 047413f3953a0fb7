#!/bin/sh
# Installs what is missing, builds, and runs every test: the suite, the suite again
# under AddressSanitizer + UBSan, and a short run of each fuzz target. Everything runs
# inside a fresh network namespace with only loopback.
set -eu
top=$(cd "$(dirname "$0")" && pwd)
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh" release
"$top/scripts/build.sh" asan
"$top/scripts/build.sh" fuzz
exec "$top/scripts/netsandbox.sh" "$top/scripts/run-tests.sh"
