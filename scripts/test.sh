#!/usr/bin/env bash
# Builds Pontra with its tests and runs every test, without a display.
set -euo pipefail
cd "$(dirname "$0")/.."
# The door link's tests start real brokers, some with certificates of their own.
bash scripts/deps.sh libchm-bin tzdata chromium desktop-file-utils appstream man-db mosquitto mosquitto-clients \
  openssl
bash scripts/build.sh "$@"
(cd "${BUILD_DIR:-build}" && ctest --output-on-failure -j"$(nproc)")
# The Debian package of this build, checked by lintian.
bash scripts/package.sh "$@"
# The Win32 backends, cross-built and run under wine.
bash tests/win32/run.sh
