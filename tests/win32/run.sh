#!/usr/bin/env bash
# Cross-builds the Win32 backends' tests with mingw-w64 and runs them under
# wine, with COM5 mapped to a pseudo-terminal for the real calls; then the
# live feed's tests, when scripts/windows-deps.sh has cross-built what the
# feed links (Qt, libmicrohttpd, SQLite) into its cache.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${WIN32_BUILD_DIR:-$root/build-win32}
bash "$root/scripts/deps.sh" g++-mingw-w64-x86-64-posix wine64 wine googletest gcc
cmake -S "$root/tests/win32" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" >/dev/null
cmake --build "$build"

# The newest cached prefix with what the feed links ($PONTRA_WINDOWS_PREFIX
# names one directly).
cache=${PONTRA_WINDOWS_CACHE:-/var/cache/pontra-windows}
prefix=${PONTRA_WINDOWS_PREFIX:-}
if [ -z "$prefix" ]; then
  for stamps in $(ls -dt "$cache"/*/stamps 2>/dev/null); do
    if [ -f "$stamps/qtbase" ] && [ -f "$stamps/microhttpd" ] && [ -f "$stamps/sqlite" ]; then
      prefix=$(dirname "$stamps")/prefix
      break
    fi
  done
fi
if [ -n "$prefix" ]; then
  "$prefix/bin/qt-cmake" -S "$root/tests/win32" -B "$build/feed" -G Ninja -DPONTRA_WINDOWS_PREFIX="$prefix" >/dev/null
  cmake --build "$build/feed" --target pontra_win32_feed_tests
else
  echo "The live feed's Windows tests are skipped: no cross-built Qt, libmicrohttpd and SQLite in $cache (bash scripts/windows-deps.sh builds them)."
fi

export WINEPREFIX=$build/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
holder=
fifo=$(mktemp -u)
cleanup() {
  [ -n "$holder" ] && kill "$holder" 2>/dev/null
  rm -f "$fifo"
  wineserver -k >/dev/null 2>&1 || true
}
trap cleanup EXIT
# Our own wine server, quiet and ended with the tests, so that it neither
# writes into the caller's log nor outlives the run.
mkdir -p "$WINEPREFIX"
wineserver -p >/dev/null 2>&1
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wineboot -i >/dev/null 2>&1
fi

gcc -o "$build/ptyholder" "$root/tests/win32/ptyholder.c"
mkfifo "$fifo"
"$build/ptyholder" >"$fifo" &
holder=$!
read -r pty <"$fifo"
ln -sfn "$pty" "$WINEPREFIX/dosdevices/com5"
rm -f "$WINEPREFIX/dosdevices/com63"

PONTRA_WINE_COM=5 wine "$build/pontra_win32_tests.exe"
if [ -n "$prefix" ]; then
  # Its DLLs: the prefix's and the compiler's runtime.
  runtime=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")
  WINEPATH="$(winepath -w "$prefix/bin");$(winepath -w "$runtime");$(winepath -w /usr/x86_64-w64-mingw32/lib)" \
    wine "$build/feed/pontra_win32_feed_tests.exe"
fi
