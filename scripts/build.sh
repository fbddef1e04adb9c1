#!/usr/bin/env bash
# Installs what the build needs and builds into build/ (or $BUILD_DIR).
# Extra arguments go to CMake, e.g. -DPONTRA_SANITIZE=thread. BUILD_TARGETS
# names the targets to build (all of them when unset).
set -euo pipefail
cd "$(dirname "$0")/.."
# Qt Charts' CMake package needs Qt OpenGL's, which Debian ships apart.
# qt6-translations-l10n gives Qt's own dialogs and buttons their German texts.
bash scripts/deps.sh cmake ninja-build g++ ccache qt6-base-dev qt6-base-dev-tools qt6-svg-dev \
  libgtest-dev fonts-liberation2 fp-utils libxcb1-dev libsqlite3-dev qt6-charts-dev libqt6opengl6-dev \
  libmicrohttpd-dev pkg-config libglib2.0-dev librsvg2-bin libpng-dev libmosquitto-dev qt6-translations-l10n
build_dir=${BUILD_DIR:-build}
cmake -S . -B "$build_dir" -G Ninja "$@" >/dev/null
targets=()
for target in ${BUILD_TARGETS:-}; do targets+=(--target "$target"); done
cmake --build "$build_dir" "${targets[@]}" -- -j"$(nproc)"
