#!/usr/bin/env bash
# Cross-builds, once, what the Windows program links: Qt 6 (base, svg, charts), SQLite, libmicrohttpd and
# libmosquitto, from Debian's own source packages, with mingw-w64 (posix threads). Run as root on Debian 12.
#
# Everything lands outside the checkout, in $PONTRA_WINDOWS_CACHE (default /var/cache/pontra-windows):
#   apt/            a private apt configuration with deb-src entries; the machine's sources stay untouched
#   <key>/prefix    the Windows prefix (qt-cmake, DLLs, headers, import libraries, pkg-config files)
#   <key>/src       the fetched sources; <key>/build the build trees; <key>/logs one log per phase
# <key> names the source versions and this recipe's revision, so a new Debian release builds a fresh prefix.
# Each step writes its stamp only when it succeeded: an interrupted run resumes there, a finished one is skipped.
# Prints the prefix as its last line. Builds run with nice -n 19 and two jobs: the machine may be shared.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cache=${PONTRA_WINDOWS_CACHE:-/var/cache/pontra-windows}
jobs=${PONTRA_WINDOWS_JOBS:-2}
recipe=1 # raise when a build recipe below changes, so the prefix is built again
packages=(qt6-base qt6-svg qt6-charts sqlite3 libmicrohttpd mosquitto)
# Built when the mirror serves their sources; without them the program rasterises its artwork at build time
# and draws the day's charts itself.
optional=(qt6-svg qt6-charts)

if [ "$(nice)" -lt 19 ]; then exec nice -n 19 bash "$0" "$@"; fi
[ "$(id -u)" = 0 ] || { echo "windows-deps.sh: run as root (installs packages, writes $cache)" >&2; exit 1; }

mkdir -p "$cache"
exec 9>"$cache/lock"
flock -n 9 || { echo "windows-deps.sh is already running (lock $cache/lock)" >&2; exit 1; }

source "$repo/scripts/phases.sh"

phase "packages"
bash "$repo/scripts/deps.sh" g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 \
  wine wine64 nsis ninja-build cmake pkg-config dpkg-dev make gcc tcl xz-utils ca-certificates \
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-charts-dev libqt6opengl6-dev xvfb imagemagick

phase "apt sources"
# deb-src twins of the Debian entries in use (same mirror and suites); third-party entries carry no sources.
apt_dir=$cache/apt
mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$apt_dir/sources.list.d"
codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
one_line=$({ cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null || true; } |
  awk -v c="$codename" '$1 == "deb" { i = 2; if ($2 ~ /^\[/) { while ($i !~ /\]$/) i++; i++ }
    if ($(i + 1) ~ "^" c) { $1 = "deb-src"; print } }')
deb822=$({ cat /etc/apt/sources.list.d/*.sources 2>/dev/null || true; } | awk -v c="$codename" 'BEGIN { RS = "" }
  { n = split($0, l, "\n"); keep = 0; out = ""
    for (k = 1; k <= n; k++) {
      if (l[k] ~ /^Suites:/ && l[k] ~ (" " c)) keep = 1
      if (l[k] ~ /^Types:/) { if (l[k] !~ / deb( |$)/) { keep = 0; break } l[k] = "Types: deb-src" }
      out = out l[k] "\n" }
    if (keep) printf "%s\n", out }')
[ -n "$one_line$deb822" ] || { echo "No Debian entry for $codename in /etc/apt/sources.list*" >&2; exit 1; }
apt_opts=(-o "Dir::Etc::sourcelist=$apt_dir/sources.list" -o "Dir::Etc::sourceparts=$apt_dir/sources.list.d"
  -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache" -o APT::Sandbox::User=root)
if [ "$one_line" != "$(cat "$apt_dir/sources.list" 2>/dev/null)" ] ||
   [ "$deb822" != "$(cat "$apt_dir/sources.list.d/debian-src.sources" 2>/dev/null)" ] ||
   [ ! -f "$apt_dir/updated" ]; then
  rm -f "$apt_dir/updated"
  printf '%s\n' "$one_line" >"$apt_dir/sources.list"
  printf '%s\n' "$deb822" >"$apt_dir/sources.list.d/debian-src.sources"
  apt-get "${apt_opts[@]}" update -qq
  touch "$apt_dir/updated"
fi

# The key: every source version plus the recipe's revision.
versions=""
for p in "${packages[@]}"; do
  v=$(apt-get "${apt_opts[@]}" source --print-uris "$p" 2>/dev/null | awk -v p="$p" '$2 ~ ("^" p "_.*\\.dsc$") { sub("^" p "_", "", $2); sub(/\.dsc$/, "", $2); print $2 }')
  if [ -n "$v" ]; then
    versions+="$p=$v "
  elif [[ " ${optional[*]} " != *" $p "* ]]; then
    echo "No source package $p in the private apt configuration" >&2
    exit 1
  fi
done
key=$(printf '%s recipe=%s' "$versions" "$recipe" | sha256sum | cut -c1-12)
top=$cache/$key
prefix=$top/prefix
mkdir -p "$top/src" "$top/build" "$top/logs" "$top/stamps" "$prefix"
printf '%s\nrecipe=%s\n' "$versions" "$recipe" | tr ' ' '\n' | grep . >"$top/versions.txt"
echo "Cache: $top"

if [ -f "$top/stamps/all" ]; then
  phase "done"
  echo "$prefix"
  exit 0
fi

fetch() { # fetch <package>: Debian's source, unpacked with its patches into src/<package>
  local p=$1
  [ -f "$top/stamps/fetch-$p" ] && return
  rm -rf "$top/src/$p.tmp" "$top/src/$p"
  mkdir -p "$top/src/$p.tmp"
  if ! (cd "$top/src/$p.tmp" && apt-get "${apt_opts[@]}" source -qq "$p") >"$top/logs/fetch-$p.log" 2>&1; then
    echo "Fetching the source of $p failed:" >&2
    grep '^E:' "$top/logs/fetch-$p.log" >&2 || tail -n 5 "$top/logs/fetch-$p.log" >&2
    return 1
  fi
  mv "$(find "$top/src/$p.tmp" -mindepth 1 -maxdepth 1 -type d | head -n1)" "$top/src/$p"
  rm -rf "$top/src/$p.tmp"
  touch "$top/stamps/fetch-$p"
}

# A toolchain file of the cache's own: qt-cmake refers to it by path for every later build.
toolchain=$top/mingw-w64.cmake
{
  cat "$repo/cmake/mingw-w64.cmake"
  echo 'set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)'
} >"$toolchain.tmp"
cmp -s "$toolchain.tmp" "$toolchain" && rm "$toolchain.tmp" || mv "$toolchain.tmp" "$toolchain"

build_qtbase() {
  [ -f "$top/stamps/qtbase" ] && return
  local src=$top/src/qt6-base b=$top/build/qtbase
  local access=ON
  # Debian's copy drops some Windows-only third-party sources; switch off only what needs them.
  [ -d "$src/src/3rdparty/iaccessible2" ] || ! grep -rqs iaccessible2 "$src/src/plugins/platforms/windows" ||
    access=OFF
  if [ ! -f "$top/stamps/qtbase-configured" ]; then
    rm -rf "$b"
    cmake -S "$src" -B "$b" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_INSTALL_PREFIX="$prefix" -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
      -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DFEATURE_sql=OFF -DFEATURE_dbus=OFF \
      -DFEATURE_accessibility=$access -DFEATURE_tabletevent=OFF -DFEATURE_openssl=OFF -DFEATURE_system_zlib=OFF
    touch "$top/stamps/qtbase-configured"
  fi
  cmake --build "$b" -- -j"$jobs"
  cmake --install "$b"
  touch "$top/stamps/qtbase"
}

build_qt_module() { # build_qt_module <package> <stamp>: a further Qt module against the prefix's Qt
  local p=$1 name=$2 b=$top/build/$2
  [ -f "$top/stamps/$name" ] && return
  if [ ! -f "$top/stamps/$name-configured" ]; then
    rm -rf "$b"
    "$prefix/bin/qt-cmake" -S "$top/src/$p" -B "$b" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_INSTALL_PREFIX="$prefix" -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF
    touch "$top/stamps/$name-configured"
  fi
  cmake --build "$b" -- -j"$jobs"
  cmake --install "$b"
  touch "$top/stamps/$name"
}

build_sqlite() {
  # Its autoconf build would pick the Unix layer: make the amalgamation with host tools, compile it for Windows.
  [ -f "$top/stamps/sqlite" ] && return
  local b=$top/build/sqlite
  rm -rf "$b"
  mkdir -p "$b"
  (cd "$b" && "$top/src/sqlite3/configure" --disable-tcl >/dev/null && make sqlite3.c)
  x86_64-w64-mingw32-gcc-posix -O2 -shared -DSQLITE_THREADSAFE=1 -DSQLITE_API='__declspec(dllexport)' \
    "$b/sqlite3.c" -o "$b/sqlite3.dll" -Wl,--out-implib,"$b/libsqlite3.dll.a"
  mkdir -p "$prefix/bin" "$prefix/lib/pkgconfig" "$prefix/include"
  cp "$b/sqlite3.dll" "$prefix/bin/"
  cp "$b/libsqlite3.dll.a" "$prefix/lib/"
  cp "$b/sqlite3.h" "$b/sqlite3ext.h" "$prefix/include/"
  local v; v=$(sed -n 's/^#define SQLITE_VERSION *"\(.*\)"/\1/p' "$b/sqlite3.h")
  printf 'prefix=%s\nlibdir=${prefix}/lib\nincludedir=${prefix}/include\n\nName: SQLite\nDescription: SQL database engine\nVersion: %s\nLibs: -L${libdir} -lsqlite3\nCflags: -I${includedir}\n' \
    "$prefix" "$v" >"$prefix/lib/pkgconfig/sqlite3.pc"
  touch "$top/stamps/sqlite"
}

build_microhttpd() {
  [ -f "$top/stamps/microhttpd" ] && return
  local b=$top/build/microhttpd
  rm -rf "$b"
  mkdir -p "$b"
  (cd "$b" && "$top/src/libmicrohttpd/configure" --host=x86_64-w64-mingw32 CC=x86_64-w64-mingw32-gcc-posix \
    --prefix="$prefix" --disable-https --disable-doc --disable-examples --disable-curl --disable-static \
    --disable-dependency-tracking && make -j"$jobs" && make install)
  touch "$top/stamps/microhttpd"
}

build_mosquitto() {
  [ -f "$top/stamps/mosquitto" ] && return
  local src=$top/src/mosquitto b=$top/build/mosquitto
  # Its Windows branches are MSVC's (a pthreadVC2.lib path, CRT warning switches); mingw's posix threads
  # and C library need neither.
  grep -rl 'pthreadVC2' "$src" --include=CMakeLists.txt | xargs -r sed -i 's/if *( *WIN32 *)/if (WIN32 AND NOT MINGW)/'
  rm -rf "$b"
  cmake -S "$src" -B "$b" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DWITH_TLS=OFF -DWITH_TLS_PSK=OFF -DWITH_CJSON=OFF -DWITH_BROKER=OFF \
    -DWITH_APPS=OFF -DWITH_PLUGINS=OFF -DWITH_CLIENTS=OFF -DDOCUMENTATION=OFF -DWITH_STATIC_LIBRARIES=OFF
  cmake --build "$b" -- -j"$jobs"
  cmake --install "$b"
  cp "$b/lib/libmosquitto.dll.a" "$prefix/lib/" # its install rule leaves the import library out
  touch "$top/stamps/mosquitto"
}

# Qt's base is by far the longest: it builds in the background while the rest is fetched and built.
phase "fetch qt6-base"
fetch qt6-base
phase "qtbase (background, log $top/logs/qtbase.log) + the rest fetched, sqlite, libmicrohttpd, mosquitto built"
qt_start=$(date +%s)
build_qtbase >"$top/logs/qtbase.log" 2>&1 &
qt_pid=$!
failed=""
# attempt <log> <command...>: runs a step with errexit in force (an if or || around it would switch that
# off), its output in <log>, its result in $rc.
attempt() { set +e; (set -e; "${@:2}") >"$1" 2>&1; rc=$?; set -e; }
for step in sqlite3:sqlite libmicrohttpd:microhttpd mosquitto:mosquitto; do
  s=$(date +%s)
  fetch "${step%%:*}" || { failed+=" ${step#*:}"; continue; }
  attempt "$top/logs/${step#*:}.log" "build_${step#*:}"
  if [ "$rc" = 0 ]; then
    echo "  ${step#*:}: $(($(date +%s) - s)) s"
  else
    echo "${step#*:} failed: see $top/logs/${step#*:}.log" >&2
    failed+=" ${step#*:}"
  fi
done
missing=""
for p in "${optional[@]}"; do
  fetch "$p" 2>/dev/null || missing+=" $p"
done
wait "$qt_pid" || { echo "qtbase failed: see $top/logs/qtbase.log" >&2; exit 1; }
echo "  qtbase: $((($(date +%s) - qt_start) / 60)) min"
for m in svg charts; do
  [[ " $missing " == *" qt6-$m "* ]] && continue
  phase "qt$m"
  attempt "$top/logs/qt$m.log" build_qt_module "qt6-$m" "qt$m"
  [ "$rc" = 0 ] || { echo "qt$m failed: see $top/logs/qt$m.log" >&2; failed+=" qt$m"; }
done
phase "done"
echo "Total: $((($(date +%s) - start) / 60)) min"
[ -z "$failed" ] || { echo "Not built:$failed" >&2; exit 1; }
[ -z "$missing" ] || echo "The mirror serves no source of:$missing; the program is built without them."
touch "$top/stamps/all"
echo "$prefix"
