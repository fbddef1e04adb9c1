#!/usr/bin/env bash
# Builds Pontra with its tests and runs every test, without a display.
set -euo pipefail
cd "$(dirname "$0")/.."
# The door link's tests start real brokers, some with certificates of their own.
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
installed mosquitto && broker_before=1 || broker_before=0
bash scripts/deps.sh libchm-bin tzdata chromium desktop-file-utils appstream man-db mosquitto mosquitto-clients \
  openssl sqlite3 poppler-utils
if [ "$broker_before" = 0 ]; then
  # The tests start brokers of their own: the service that the package
  # enabled at boot, and may have started, is not wanted.
  if [ -d /run/systemd/system ]; then
    systemctl disable --now --quiet mosquitto.service || true
  else
    systemctl disable --quiet mosquitto.service 2>/dev/null \
      || rm -f /etc/systemd/system/multi-user.target.wants/mosquitto.service
    invoke-rc.d mosquitto stop >/dev/null 2>&1 || true
  fi
  echo "The mosquitto service is disabled again; the tests start brokers of their own."
fi
build_dir=${BUILD_DIR:-build}
bash scripts/build.sh "$@"
(cd "$build_dir" && ctest --output-on-failure -j"$(nproc)")
# The Debian package of this build, checked by lintian; made twice, it is
# the same file byte for byte.
bash scripts/package.sh "$@"
first=$(mktemp)
trap 'rm -f "$first"' EXIT
cp "$build_dir"/pontra_*.deb "$first"
bash scripts/package.sh "$@"
cmp "$first" "$build_dir"/pontra_*.deb
# The Win32 backends, cross-built and run under wine.
bash tests/win32/run.sh
# The Windows program, built and tried end to end under wine, when the
# libraries it links were cross-built on this machine (the first
# `bash scripts/windows.sh` does that once, in about 40 minutes).
cache=${PONTRA_WINDOWS_CACHE:-/var/cache/pontra-windows}
if compgen -G "$cache/*/stamps/all" >/dev/null; then
  bash scripts/windows.sh
  bash tests/windows/e2e.sh build-windows/pontra-*-setup.exe
else
  echo "The Windows program was skipped: no cross-built libraries in $cache (bash scripts/windows.sh builds them once)."
fi
