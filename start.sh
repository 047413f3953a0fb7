#!/bin/sh
# Installs what is missing, builds, and starts Linquo from its program directory.
set -eu
top=$(cd "$(dirname "$0")" && pwd)
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh" release
exec "$top/build/bin/Linquo"
