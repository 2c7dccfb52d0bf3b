#!/usr/bin/env bash
# Expansion of the shared 100,000-entry M3U8 (every entry exists): mivaro-tool expand
# (whole process) and bench_playlist (in-process), against the existence loops of the
# baseline, in the same rounds, warm cache.
#   bench/playlist.sh [BUILD_DIR] [-n RUNS]     (BUILD_DIR default: build)
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-build}; [ $# -gt 0 ] && shift
case "$BUILD" in /*) ;; *) BUILD="$ROOT/$BUILD" ;; esac
BASE=${PERF_BENCH_DIR:-/work/shared/bench}
TOOL="$BUILD/tools/mivaro-tool"
exec "$BASE/gen-m3u8.sh" --measure-only "$@" \
  --extra "mivaro expand=$TOOL expand {m3u8} > /dev/null" \
  --extra "bench_playlist=$BUILD/bench/bench_playlist {m3u8}"
