#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR as the package does (prefix
# /usr) and checks the tree: every file in its place and nothing else, icons
# of the size their folder says, compressed texts intact, the manual page
# free of warnings, and the menu entry and AppStream metadata valid.
#   check_install.sh <build folder> <application id> <modules' folder>
set -euo pipefail
build=$1
id=$2
modules=$3
for tool in desktop-file-validate:desktop-file-utils appstreamcli:appstream man:man-db; do
  command -v "${tool%%:*}" >/dev/null || { echo "missing ${tool%%:*}: install ${tool#*:} (scripts/deps.sh)"; exit 1; }
done
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null
failed=0
fail() { echo "$*"; failed=1; }

expected=$(sort <<LIST
usr/bin/pontra
usr/$modules/pontra-chart.so
usr/$modules/pontra-feed.so
usr/$modules/pontra-link.so
usr/lib/udev/rules.d/70-pontra-serial-adapters.rules
usr/share/applications/$id.desktop
usr/share/doc/pontra/changelog.gz
usr/share/doc/pontra/copyright
usr/share/icons/hicolor/128x128/apps/$id.png
usr/share/icons/hicolor/256x256/apps/$id.png
usr/share/icons/hicolor/48x48/apps/$id.png
usr/share/icons/hicolor/64x64/apps/$id.png
usr/share/icons/hicolor/scalable/apps/$id.svg
usr/share/man/man1/pontra.1.gz
usr/share/metainfo/$id.metainfo.xml
usr/share/pontra/pontra.chm
LIST
)
installed=$(cd "$root" && find . ! -type d | sed 's|^\./||' | sort)
if [ "$installed" != "$expected" ]; then
  fail "the install tree differs (< expected, > installed):"
  diff <(echo "$expected") <(echo "$installed") | grep '^[<>]' || true
fi

[ -x "$root/usr/bin/pontra" ] || fail "usr/bin/pontra is not executable"
# The program finds its modules there: each exports its functions.
for module in chart:PontraNewDayChartWindow chart:PontraWriteReportPdf feed:PontraNewFeedService \
  link:PontraNewDoorLinkClient link:PontraNewBrokerLampClient; do
  file=$root/usr/$modules/pontra-${module%%:*}.so
  [ -f "$file" ] || continue
  [ ! -x "$file" ] || fail "$file is executable"
  nm -D --defined-only "$file" | grep -qw "${module#*:}" || fail "$file does not export ${module#*:}"
done
cmp -s "$build/pontra.chm" "$root/usr/share/pontra/pontra.chm" || fail "the installed manual is not the built one"

# A PNG's width and height are the big-endian words at bytes 16 and 20.
for size in 48 64 128 256; do
  png=$root/usr/share/icons/hicolor/${size}x${size}/apps/$id.png
  [ -f "$png" ] || continue
  read -r width height < <(od -An -tu1 -j16 -N8 "$png" |
    awk '{ print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8 }')
  [ "$width x $height" = "$size x $size" ] || fail "$id.png in ${size}x${size} is $width x $height"
done

for gz in usr/share/man/man1/pontra.1.gz usr/share/doc/pontra/changelog.gz; do
  gzip -t "$root/$gz" 2>/dev/null || fail "$gz is no intact gzip file"
done
warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$root/usr/share/man/man1/pontra.1.gz" 2>&1 >/dev/null)
[ -z "$warnings" ] || fail "the manual page warns: $warnings"

desktop=$root/usr/share/applications/$id.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate failed"
grep -qx "Icon=$id" "$desktop" || fail "the menu entry names another icon"
grep -qx "Exec=pontra" "$desktop" || fail "the menu entry starts another program"
metainfo=$root/usr/share/metainfo/$id.metainfo.xml
appstreamcli validate --no-net --explain "$metainfo" || fail "appstreamcli validate failed"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
  fail "the AppStream metadata launches another menu entry"
exit $failed
