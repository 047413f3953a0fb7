#!/bin/sh
# Makes the Debian package linquo_<version>_<arch>.deb in the top folder from the release
# build in build/ (built here as far as needed, never twice).
#   package.sh [OUTPUT-DIR]
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
out=$(cd "${1:-$top}" && pwd)
for tool in dpkg-deb dpkg-shlibdeps; do
    command -v "$tool" >/dev/null 2>&1 || {
        echo "package: $tool is missing (scripts/install-deps.sh installs it)" >&2
        exit 1
    }
done

# Only what the package holds: the two programs, the files beside them, the icons.
"$top/scripts/build.sh" release Linquo Sender linquo_program_files linquo_icon_pngs

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$top/build/CMakeCache.txt")
arch=$(dpkg --print-architecture)
[ -n "$version" ] || { echo "package: no project version in build/CMakeCache.txt" >&2; exit 1; }

stage=$(mktemp -d "${TMPDIR:-/tmp}/linquo-package.XXXXXX")
trap 'rm -rf "$stage"' EXIT INT TERM
# Laid out as a source tree's debian/PACKAGE folder, where dpkg-shlibdeps expects binaries.
root=$stage/src/debian/linquo
DESTDIR=$root cmake --install "$top/build" --prefix /usr --strip >/dev/null

# Debian wants the copyright notice in the documentation folder.
mkdir -p "$root/usr/share/doc/linquo"
cat >"$root/usr/share/doc/linquo/copyright" <<COPYRIGHT
Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: Linquo

Files: *
Copyright: the Linquo developers
License: LicenseRef-proprietary
COPYRIGHT

size=$(du -sk "$root" | cut -f1)
mkdir -p "$root/DEBIAN"

# Library dependencies from the binaries; dpkg-shlibdeps reads them from a source tree's
# debian/ folder, so it gets a minimal one of its own.
mkdir -p "$stage/src/debian"
printf 'Source: linquo\n\nPackage: linquo\nArchitecture: any\n' >"$stage/src/debian/control"
shlibs=$(cd "$stage/src" && dpkg-shlibdeps -O debian/linquo/usr/lib/linquo/Linquo \
    debian/linquo/usr/lib/linquo/Sender | sed -n 's/^shlibs:Depends=//p')
[ -n "$shlibs" ] || { echo "package: dpkg-shlibdeps found no dependencies" >&2; exit 1; }

# Loaded at run time, so no binary names them: the Chinese font, the SVG icon engine and
# image plugins, and Qt's Chinese button texts.
depends="$shlibs, fonts-wqy-microhei, qt6-translations-l10n"
case "$shlibs" in *libqt6svg6*) ;; *) depends="$depends, libqt6svg6" ;; esac
cat >"$root/DEBIAN/control" <<CONTROL
Package: linquo
Version: $version
Architecture: $arch
Maintainer: Linquo developers <linquo@example.org>
Installed-Size: $size
Depends: $depends
Recommends: pipewire-bin | pulseaudio-utils | alsa-utils
Section: net
Priority: optional
Description: serverless chat for the local network
 Linquo lists the users online and the open chat rooms of one local
 network, and opens one-to-one conversations and chat rooms. There is no
 server: every computer runs the same program and announces its user to the
 local network when it starts.
 .
 Each user keeps their own nickname and sex in ~/.config/linquo/Setup.ini.
CONTROL

deb=$out/linquo_${version}_${arch}.deb
# Files owned by root whoever builds, so that the package installs the same everywhere.
dpkg-deb --root-owner-group --build "$root" "$deb" >/dev/null
echo "$deb"
