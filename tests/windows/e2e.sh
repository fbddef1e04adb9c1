#!/usr/bin/env bash
# The Windows program end to end under wine, on a virtual X display: the setup
# program installs it silently into a fresh wine prefix; it shows its window,
# counts keys and the simulated barrier, serves the live feed on loopback,
# opens the manual with F1, stores its settings in the registry as 32-bit
# values when "Ja" ends it, prints the journal with --export-csv, checks it
# with --verify-journal and writes a day's report as PDF.
#   bash tests/windows/e2e.sh <setup.exe>
set -euo pipefail
setup=$(realpath "$1")
root=$(cd "$(dirname "$0")/../.." && pwd)
bash "$root/scripts/deps.sh" wine wine64 xvfb xauth x11-utils xdotool openbox curl imagemagick

work=$(mktemp -d /tmp/pontra-wine-e2e.XXXXXX)
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
xvfb_pid=
wm_pid=
cleanup() {
  pkill -f "$WINEPREFIX" 2>/dev/null || true
  wineserver -k >/dev/null 2>&1 || true
  [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAILED: $*" >&2
  mkdir -p "$root/build-windows"
  import -window root "$root/build-windows/e2e-failure.png" 2>/dev/null &&
    echo "The screen at that moment: build-windows/e2e-failure.png" >&2
  exit 1
}
# wait_for <seconds> <what> <command...>: polls the command until it succeeds.
wait_for() {
  local limit=$1 what=$2 end=$((SECONDS + $1))
  shift 2
  until "$@" >/dev/null 2>&1; do
    [ "$SECONDS" -lt "$end" ] || fail "$what (not within ${limit} s)"
    sleep 0.2
  done
}

# A display of our own, with a window manager that activates windows.
for n in $(seq 80 120); do [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break; done
export DISPLAY=:$n
Xvfb "$DISPLAY" -screen 0 1600x1000x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb_pid=$!
wait_for 30 "the virtual display" xdpyinfo -display "$DISPLAY"
openbox --sm-disable >/dev/null 2>&1 &
wm_pid=$!
# A window mapped before the manager runs is never activated by it.
wait_for 30 "the window manager" sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"'

mkdir -p "$WINEPREFIX"
wineserver -p >/dev/null 2>&1
wineboot -i >/dev/null 2>&1
wine "$setup" /S >/dev/null 2>&1 || fail "the silent install"
program=$(find "$WINEPREFIX/drive_c/users" -path '*/AppData/Local/Programs/Pontra/pontra.exe' | head -n1)
[ -n "$program" ] || fail "pontra.exe was not installed under AppData\\Local\\Programs\\Pontra"
wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Pontra' 2>/dev/null | grep -q 'Pontra 1.0' ||
  fail "no uninstall entry"
for module in chart feed link; do
  [ -f "$(dirname "$program")/pontra-$module.dll" ] || fail "pontra-$module.dll was not installed beside the program"
done
echo "installed: $program"

port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
wine reg add 'HKCU\Software\Vendaro\pontra' /v HttpPort /t REG_DWORD /d "$port" /f >/dev/null 2>&1
feed() { curl -s -m 5 "http://127.0.0.1:$port/api/v1/occupancy"; }
count_is() { feed | grep -q "\"count\":$1,"; }

(cd "$work" && PONTRA_SIMULATE=1 exec wine "$program" >"$work/pontra.log" 2>&1) &
pontra_pid=$!
window() { xdotool search --name "^$1\$" | head -n1; }
wait_for 60 "the window \"Pontra 1.0\"" window "Pontra 1.0"
wait_for 30 "the live feed on 127.0.0.1:$port" count_is 0
echo "window shown, live feed answers"

active() { xdotool windowactivate "$1" && [ "$(xdotool getactivewindow)" = "$1" ]; }
press() { # press <window title> <key>: the key to that window, once it is active
  local id; id=$(window "$1")
  wait_for 10 "the window \"$1\" active" active "$id"
  xdotool key "$2"
}
press "Pontra 1.0" F4
wait_for 10 "F4 makes 1" count_is 1
press "Pontra 1.0" F4
wait_for 10 "F4 F4 makes 2" count_is 2
press "Pontra 1.0" F5
wait_for 10 "F4 F4 F5 makes 1" count_is 1
echo "F4 F4 F5: 1"
press "Lichtschranken-Simulator" alt+e
wait_for 10 "the simulated entry counts" count_is 2
press "Lichtschranken-Simulator" alt+e
echo "simulated entry barrier: 2"

press "Pontra 1.0" F1
wait_for 30 "F1 opens the manual" window "Pontra Handbuch"
press "Pontra Handbuch" alt+F4
no_manual() { [ -z "$(window "Pontra Handbuch")" ]; }
wait_for 20 "the manual closes" no_manual
echo "F1: HTML Help shows pontra.chm"

press "Pontra 1.0" F6
wait_for 30 "F6 opens the day chart from its module" window "Tagesverlauf"
press "Tagesverlauf" Escape
no_chart() { [ -z "$(window "Tagesverlauf")" ]; }
wait_for 20 "the day chart closes" no_chart
echo "F6: the day chart's module loaded"

mkdir -p "$root/build-windows"
import -window root "$root/build-windows/pontra-wine.png"

press "Pontra 1.0" alt+F4
wait_for 20 "the quit question" window pontra
press pontra Return
# This run's program, not another wine prefix's.
gone() { ! kill -0 "$pontra_pid" 2>/dev/null; }
wait_for 30 "the program ends after Ja" gone
settings=$(wine reg query 'HKCU\Software\Vendaro\pontra' 2>/dev/null)
for key in Port MaxCounter ContaktIn ContaktOut X Y; do
  grep -Eq "^\s*$key\s+REG_DWORD\s" <<<"$settings" || fail "$key is not stored as REG_DWORD: $settings"
done
echo "settings stored as REG_DWORD"

# The session's end stores the settings and ends the program without asking.
wine reg delete 'HKCU\Software\Vendaro\pontra' /v X /f >/dev/null 2>&1
(cd "$work" && PONTRA_SIMULATE=1 exec wine "$program" >>"$work/pontra.log" 2>&1) &
pontra_pid=$!
wait_for 60 "the window again" window "Pontra 1.0"
timeout 60 wineboot --end-session >/dev/null 2>&1 || fail "the session's end did not finish"
wait_for 30 "the program ends with the session" gone
wine reg query 'HKCU\Software\Vendaro\pontra' /v X 2>/dev/null | grep -q REG_DWORD ||
  fail "the session's end did not store the settings"
echo "the session's end: settings stored, no question"

csv=$(wine "$program" --export-csv 2>/dev/null | tr -d '\r')
grep -q '^.*Zeit;Quelle;Änderung;Stand;Kapazität$' <<<"$csv" || fail "--export-csv printed no header: $csv"
grep -q ';RAUS;-1;1;' <<<"$csv" || fail "--export-csv lacks the RAUS row: $csv"
grep -q ';Lichtschranke Eingang;+1;2;' <<<"$csv" || fail "--export-csv lacks the barrier's row: $csv"
echo "--export-csv: $(($(wc -l <<<"$csv") - 1)) rows"
check=$(wine "$program" --verify-journal 2>&1 | tr -d '\r') || fail "--verify-journal: $check"
grep -q '^Journal unverändert seit ' <<<"$check" || fail "--verify-journal said: $check"
wine "$program" --report day --pdf 'C:\bericht.pdf' >/dev/null 2>&1 || fail "--report day --pdf failed"
head -c 5 "$WINEPREFIX/drive_c/bericht.pdf" | grep -q '%PDF-' || fail "--report day --pdf wrote no PDF"
echo "--verify-journal: unchanged; --report day --pdf: written"
# Removed: the program goes, the settings and the journal stay unless asked.
folder=$(dirname "$program")
wine "$folder/uninstall.exe" /S >/dev/null 2>&1
removed() { [ ! -e "$program" ] && [ -z "$(find "$folder" -name 'pontra-*.dll' 2>/dev/null)" ]; }
wait_for 30 "the uninstaller removes the program and its modules" removed
wine reg query 'HKCU\Software\Vendaro\pontra' /v X >/dev/null 2>&1 || fail "the uninstaller removed the settings"
[ -n "$(find "$WINEPREFIX/drive_c/users" -path '*/AppData/Local/Vendaro/pontra/journal.sqlite3')" ] ||
  fail "the uninstaller removed the journal"
echo "uninstalled; settings and journal kept"
echo "Windows program end to end under wine: passed"
