#!/usr/bin/env bash
# Builds the Debian package dist/vantor_<version>_amd64.deb from the files git tracks, with
# Debian's own tools (debian/, dpkg-buildpackage), and checks it: lintian (no error), the
# desktop entry (desktop-file-validate) and the AppStream metadata (appstreamcli).
# Usage: scripts/package.sh               (as root on Debian 12; installs what it needs)
# The build runs in build-package/; nothing outside the repository is written but the
# Debian packages scripts/setup.sh installs.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh --package

# One version everywhere: CMake's project version is the program's --version.
version=$(sed -n 's/^project(Vantor VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
if [ "$(dpkg-parsechangelog -S Version)" != "$version" ]; then
  echo "debian/changelog is at $(dpkg-parsechangelog -S Version), CMakeLists.txt at $version" >&2
  exit 1
fi
if ! grep -q "<release version=\"$version\"" packaging/org.vantor.Vantor.metainfo.xml; then
  echo "packaging/org.vantor.Vantor.metainfo.xml has no <release> for $version" >&2
  exit 1
fi

# A clean tree: the tracked files only, so no build folder or stray file gets in.
work=build-package
source="$work/vantor-$version"
rm -rf "$work"
mkdir -p "$source"
git ls-files -z | tar --null -T - -cf - | tar -xf - -C "$source"

export DEB_BUILD_OPTIONS="parallel=$(nproc) noddebs"
# debhelper gives the build a HOME of its own; ccache's cache stays the developer's.
if command -v ccache >/dev/null; then
  CCACHE_DIR=$(ccache -k cache_dir)
  export CCACHE_DIR
fi
if ! (cd "$source" && dpkg-buildpackage -b -uc -us) >"$work/build.log" 2>&1; then
  tail -40 "$work/build.log" >&2
  echo "The package build failed; its whole log is $work/build.log" >&2
  exit 1
fi

deb="$work/vantor_${version}_amd64.deb"
lintian --fail-on error --info "$work/vantor_${version}_amd64.changes"

# The installed desktop files, checked as they are in the package.
dpkg-deb -x "$deb" "$work/contents"
desktop-file-validate "$work/contents/usr/share/applications/org.vantor.Vantor.desktop"
appstreamcli validate --no-net "$work/contents/usr/share/metainfo/org.vantor.Vantor.metainfo.xml"

mkdir -p dist
cp "$deb" dist/
echo "Built dist/vantor_${version}_amd64.deb"
