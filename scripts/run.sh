#!/usr/bin/env bash
# Builds Pontra and its manual, nothing else, and starts it. Without a display
# it starts a virtual one, and ends it again after Pontra.
set -euo pipefail
cd "$(dirname "$0")/.."
# The tests and benchmarks are built by scripts/test.sh.
BUILD_TARGETS="pontra pontra_help" bash scripts/build.sh
# The viewer for the manual that F1 opens.
bash scripts/deps.sh xchm
xvfb_pid=
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  bash scripts/deps.sh xvfb xauth x11-utils imagemagick
  export DISPLAY=:99
  if ! xdpyinfo -display "$DISPLAY" >/dev/null 2>&1; then
    # In a session of its own: Ctrl+C here goes to Pontra, never to the
    # display under it, which ends after Pontra.
    setsid Xvfb "$DISPLAY" -screen 0 1920x1080x24 -nolisten tcp -noreset </dev/null >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 50); do xdpyinfo -display "$DISPLAY" >/dev/null 2>&1 && break; sleep 0.1; done
  fi
  cat <<MSG
No display was found, so Pontra runs on the virtual display $DISPLAY (Xvfb).
To look at it, take a screenshot from another shell:
    DISPLAY=$DISPLAY import -window root /tmp/pontra.png
and open /tmp/pontra.png. Stop Pontra with Ctrl+C here.
MSG
fi
"./${BUILD_DIR:-build}/pontra" &
pontra_pid=$!
# Ctrl+C reaches Pontra directly, in this terminal's process group; a TERM or
# HUP for this script is passed on. Either way Pontra stores its settings
# and ends, and this script waits for it.
trap 'kill -TERM "$pontra_pid" 2>/dev/null || true' TERM HUP
trap ':' INT
status=0
while :; do
  if wait "$pontra_pid"; then status=0; else status=$?; fi
  kill -0 "$pontra_pid" 2>/dev/null || break
done
if [ -n "$xvfb_pid" ]; then
  kill -TERM "$xvfb_pid" 2>/dev/null || true
  wait "$xvfb_pid" 2>/dev/null || true
fi
exit "$status"
