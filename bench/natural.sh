#!/usr/bin/env bash
# Natural sort of the shared 100,000 names and paths: mivaro-tool natsort (whole process)
# and bench_natural (in-process) against sort -V and python natsort, in the same rounds.
#   bench/natural.sh [BUILD_DIR] [-n RUNS]      (BUILD_DIR default: build)
# The baseline scripts live in $PERF_BENCH_DIR (default /work/shared/bench).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-build}; [ $# -gt 0 ] && shift
case "$BUILD" in /*) ;; *) BUILD="$ROOT/$BUILD" ;; esac
BASE=${PERF_BENCH_DIR:-/work/shared/bench}
TOOL="$BUILD/tools/mivaro-tool"
exec "$BASE/gen-names.py" "$@" \
  --extra "mivaro natsort names=$TOOL natsort < {names} > /dev/null" \
  --extra "mivaro natsort --path paths=$TOOL natsort --path < {paths} > /dev/null" \
  --extra "bench_natural names=$BUILD/bench/bench_natural {names}" \
  --extra "bench_natural paths=$BUILD/bench/bench_natural --path {paths}"
