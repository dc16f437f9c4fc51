#!/usr/bin/env bash
# Builds the Debian package and checks what it installs: the desktop entry
# (desktop-file-validate), the AppStream metainfo (appstreamcli), the MIME type of songs
# (update-mime-database) and the package itself (lintian, no errors). Prints the package's
# path last. Not part of CI: it is a build of its own.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
build=build/package

# Debian's hardening flags, as a Debian package build uses them; the build type adds -O2 -g.
CXXFLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS | sed 's/-O2//; s/-g //')"
LDFLAGS="$(dpkg-buildflags --get LDFLAGS)"
export CXXFLAGS LDFLAGS
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBW_BUILD_TESTS=OFF -DBW_WERROR=OFF \
  -DCMAKE_INSTALL_PREFIX=/usr
cmake --build "$build" -j2
rm -f "$build"/beatwright_*.deb
(cd "$build" && cpack -G DEB)
deb=$(ls "$build"/beatwright_*.deb)

echo "== the package"
dpkg-deb --field "$deb" Package Version Architecture Depends Recommends Installed-Size

tree="$build/deb-tree"
rm -rf "$tree"
dpkg-deb -x "$deb" "$tree"
echo "== its files"
(cd "$tree" && find . -type f | sort)

echo "== desktop-file-validate"
desktop-file-validate "$tree/usr/share/applications/org.example.beatwright.desktop"
echo "ok"

echo "== appstreamcli validate"
appstreamcli validate --no-net "$tree/usr/share/metainfo/org.example.beatwright.metainfo.xml"
appstreamcli validate-tree --no-net "$tree"

echo "== MIME type of .bwp songs"
share=$(mktemp -d)
trap 'rm -rf "$share"' EXIT
mime=$share/mime
mkdir -p "$mime/packages"
cp "$tree/usr/share/mime/packages/beatwright.xml" "$mime/packages/"
XDG_DATA_DIRS=$share update-mime-database "$mime"
grep -x 'application/x-beatwright-song:\*\.bwp' "$mime/globs"
grep -q 'application/x-beatwright-song' "$mime/magic"
grep -x 'MimeType=application/x-beatwright-song;' \
  "$tree/usr/share/applications/org.example.beatwright.desktop"

echo "== lintian"
lintian --fail-on error --display-level '>=warning' "$deb"
echo "lintian: no errors"

echo "Package: $PWD/$deb"
