#!/usr/bin/env bash
# Builds the Debian package build-deb/varnok_<version>_<arch>.deb with debhelper from the
# files git knows (committed or not), in a build of its own with Debian's compiler flags,
# then checks it with lintian, desktop-file-validate and appstreamcli and prints its size.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh debhelper dpkg-dev fakeroot help2man lintian desktop-file-utils appstream

version=$(sed -n 's/^project(varnok VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
packaged=$(dpkg-parsechangelog -S Version)
if [ "$version" != "$packaged" ]; then
  echo "package.sh: debian/changelog is at $packaged, the program at $version: add a changelog entry" >&2
  exit 1
fi

out=build-deb
source_dir="$out/varnok-$version"
rm -rf "$out"
mkdir -p "$source_dir"
git ls-files -z --cached --others --exclude-standard |
  tar --null --files-from=- --ignore-failed-read -cf - | tar -xf - -C "$source_dir"
(cd "$source_dir" && dpkg-buildpackage --build=binary --no-sign -J"$(nproc)")

deb="$out/varnok_${version}_$(dpkg --print-architecture).deb"
echo "== lintian"
lintian --display-info "$deb"
echo "== desktop-file-validate, appstreamcli validate (without the network)"
dpkg-deb -x "$deb" "$out/root"
desktop-file-validate "$out/root/usr/share/applications/varnok.desktop"
appstreamcli validate --no-net "$out/root/usr/share/metainfo/com.varnok.browser.metainfo.xml"
echo "== $deb: $(stat -c %s "$deb") bytes, installed $(dpkg-deb -f "$deb" Installed-Size) KiB"
dpkg-deb -f "$deb" Depends
