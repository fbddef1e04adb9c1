#!/usr/bin/env bash
# Builds the Windows program from these sources on Debian 12, as root:
#   build-windows/pontra-1.0-win64.zip    pontra.exe, its DLLs and plugins, pontra.chm
#   build-windows/pontra-1.0-setup.exe    the setup program (per user, no administrator rights)
# The libraries it links are cross-built once by scripts/windows-deps.sh into a cache outside the checkout
# ($PONTRA_WINDOWS_CACHE, default /var/cache/pontra-windows); later runs reuse them. Prints each phase's time.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
build=${PONTRA_WINDOWS_BUILD:-$repo/build-windows}
version=$(sed -n 's/^project(pontra VERSION \([0-9.]*\).*/\1/p' "$repo/CMakeLists.txt")

source "$repo/scripts/phases.sh"

phase "packages"
bash "$repo/scripts/deps.sh" fp-utils librsvg2-bin imagemagick zip qt6-translations-l10n binutils-mingw-w64-x86-64

phase "libraries (cross-built once, then taken from the cache)"
prefix=$(bash "$repo/scripts/windows-deps.sh" | tail -n 1)
[ -x "$prefix/bin/qt-cmake" ] || { echo "No Windows Qt in $prefix" >&2; exit 1; }

phase "program"
mkdir -p "$build"
"$prefix/bin/qt-cmake" -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
  -DPKG_CONFIG_EXECUTABLE="$(command -v pkg-config)" >"$build/configure.log" 2>&1 ||
  { cat "$build/configure.log" >&2; exit 1; }
PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig cmake --build "$build" --target pontra pontra_help -- -j"$(nproc)"

phase "folder, zip and setup program"
deploy=$build/deploy/pontra
rm -rf "$build/deploy"
mkdir -p "$deploy"
cp "$build/pontra.exe" "$build/pontra.chm" "$deploy/"
# The modules the program loads when their parts are first used: the day
# chart, the live feed's server, the door link's broker client.
cp "$build"/pontra-*.dll "$deploy/"
x86_64-w64-mingw32-strip "$deploy/pontra.exe"
cp "$build/pontra.ico" "$deploy/" # the Start-menu entry's and the setup program's icon
# Qt's plugins that the program loads: the Windows platform, its styles.
mkdir -p "$deploy/platforms" "$deploy/styles" "$deploy/translations"
cp "$prefix/plugins/platforms/qwindows.dll" "$deploy/platforms/"
cp "$prefix"/plugins/styles/*.dll "$deploy/styles/" 2>/dev/null || true
cp /usr/share/qt6/translations/qtbase_de.qm "$deploy/translations/"
# Every DLL the program and its plugins name, found in the prefix or mingw's runtime; Windows' own stay out.
gcc_dir=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")
search=("$prefix/bin" "$gcc_dir" /usr/x86_64-w64-mingw32/lib)
queue=("$deploy/pontra.exe" "$deploy"/pontra-*.dll "$deploy"/platforms/*.dll "$deploy"/styles/*.dll)
while [ ${#queue[@]} -gt 0 ]; do
  file=${queue[0]}
  queue=("${queue[@]:1}")
  for dll in $(x86_64-w64-mingw32-objdump -p "$file" | sed -n 's/^\s*DLL Name: //p'); do
    [ -e "$deploy/$dll" ] && continue
    for dir in "${search[@]}"; do
      if [ -f "$dir/$dll" ]; then
        cp "$dir/$dll" "$deploy/"
        queue+=("$deploy/$dll")
        break
      fi
    done
  done
done
find "$deploy" -name '*.dll' -exec x86_64-w64-mingw32-strip --strip-unneeded {} +
# The same sources give the same zip: fixed times, sorted names, no extra fields.
find "$deploy" -exec touch -h -d "@$(git -C "$repo" log -1 --format=%ct 2>/dev/null || echo 0)" {} +
zip_file=$build/pontra-$version-win64.zip
rm -f "$zip_file"
(cd "$build/deploy" && find pontra -print | LC_ALL=C sort | zip -X -q -@ "$zip_file")
setup=$build/pontra-$version-setup.exe
makensis -V2 -DVERSION="$version" -DDEPLOY="$deploy" -DOUTFILE="$setup" "$repo/packaging/windows/pontra.nsi"
phase "done"
ls -l "$zip_file" "$setup" | awk '{ printf "%s: %.1f MB\n", $NF, $5 / 1048576 }'
echo "Total: $((($(date +%s) - start) / 60)) min"
