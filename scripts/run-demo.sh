#!/usr/bin/env bash
# Starts the player on the demo playlist that the build generated (`make run` calls this).
# Usage: scripts/run-demo.sh [BUILD_DIR]
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-build}
case "$BUILD" in /*) ;; *) BUILD="$ROOT/$BUILD" ;; esac
EXE="$BUILD/mivaro"
PLAYLIST="$BUILD/demo/demo.m3u8"
if [ ! -x "$EXE" ]; then
  echo "run-demo: $EXE is missing; build first (make build)" >&2
  exit 1
fi
if [ ! -f "$PLAYLIST" ]; then
  echo "run-demo: $PLAYLIST is missing; make it with: cmake --build $BUILD --target demo" >&2
  exit 1
fi
if [ -z "${DISPLAY:-}" ]; then
  echo "run-demo: no X display (DISPLAY is not set); start it from an X11 desktop session," \
    "or under Xvfb: xvfb-run -a $0 $BUILD" >&2
  exit 1
fi
exec "$EXE" "$PLAYLIST"
