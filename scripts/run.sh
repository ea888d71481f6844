#!/usr/bin/env bash
# Builds the release preset when something changed and starts the window.
# Usage: scripts/run.sh   (MOLLWICK_BUILD_JOBS=N limits the parallel build jobs)
set -euo pipefail
source "$(dirname "$0")/common.sh"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "mollwick: no display to open a window on (DISPLAY and WAYLAND_DISPLAY are unset); run it from a desktop session." >&2
  exit 1
fi

mollwick_ensure_packages
cd "$mollwick_root"
if [ ! -f build/release/build.ninja ]; then
  cmake --preset release
fi
cmake --build --preset release --target mollwick ${MOLLWICK_BUILD_JOBS:+--parallel "$MOLLWICK_BUILD_JOBS"}
exec build/release/ui/mollwick "$@"
