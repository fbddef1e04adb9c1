#!/usr/bin/env bash
# Builds the Debian package build/pontra_<version>_amd64.deb (or in $BUILD_DIR)
# and checks it with lintian. Extra arguments go to CMake, as for build.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh "$@"
# CPack reads the program's libraries with file and dpkg-shlibdeps.
bash scripts/deps.sh dpkg-dev file lintian
build_dir=${BUILD_DIR:-build}
# Every time in the package is the last commit's, so that the same build
# gives the same file; without git, the changelog's.
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null || stat -c %Y packaging/changelog)
fi
export SOURCE_DATE_EPOCH
rm -f "$build_dir"/pontra_*.deb
(cd "$build_dir" && cpack -G DEB >/dev/null)
deb=$(echo "$build_dir"/pontra_*.deb)
lintian --fail-on error,warning --info "$deb"
echo "Built $deb"
