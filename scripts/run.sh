#!/usr/bin/env bash
# Builds Pontra and starts it. Without a display it starts a virtual one.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
# The viewer for the manual that F1 opens.
bash scripts/deps.sh xchm
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  bash scripts/deps.sh xvfb xauth x11-utils imagemagick
  export DISPLAY=:99
  if ! xdpyinfo -display "$DISPLAY" >/dev/null 2>&1; then
    Xvfb "$DISPLAY" -screen 0 1920x1080x24 -nolisten tcp -noreset >/dev/null 2>&1 &
    for _ in $(seq 50); do xdpyinfo -display "$DISPLAY" >/dev/null 2>&1 && break; sleep 0.1; done
  fi
  cat <<MSG
No display was found, so Pontra runs on the virtual display $DISPLAY (Xvfb).
To look at it, take a screenshot from another shell:
    DISPLAY=$DISPLAY import -window root /tmp/pontra.png
and open /tmp/pontra.png. Stop Pontra with Ctrl+C here.
MSG
fi
exec "./${BUILD_DIR:-build}/pontra"
