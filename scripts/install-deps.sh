#!/bin/sh
# Installs the Debian 12 packages Linquo needs to build, run and test; installs only
# what is missing, so running it again is cheap.
set -eu
PACKAGES="build-essential cmake ninja-build pkg-config python3
qt6-base-dev qt6-svg-dev libqt6svg6 qt6-qpa-plugins qt6-translations-l10n
fonts-wqy-microhei alsa-utils
dbus-daemon libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev
iproute2 util-linux xvfb xdotool x11-utils
dpkg-dev desktop-file-utils appstream"

missing=""
for p in $PACKAGES; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    case "$status" in
        *"install ok installed"*) ;;
        *) missing="$missing $p" ;;
    esac
done
[ -z "$missing" ] && exit 0

echo "Installing:$missing"
if [ "$(id -u)" -eq 0 ]; then
    SUDO=""
elif command -v sudo >/dev/null 2>&1; then
    SUDO="sudo"
else
    echo "install-deps: these packages are missing and I am not root (no sudo):$missing" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
# shellcheck disable=SC2086
$SUDO apt-get install -y -qq --no-install-recommends $missing
