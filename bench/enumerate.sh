#!/usr/bin/env bash
# Folder scan of the shared 50,000-file tree: mivaro-tool list (whole process) and
# bench_enumerate (in-process) against find | sort, in the same rounds, warm cache.
#   bench/enumerate.sh [BUILD_DIR] [-n RUNS]    (BUILD_DIR default: build)
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-build}; [ $# -gt 0 ] && shift
case "$BUILD" in /*) ;; *) BUILD="$ROOT/$BUILD" ;; esac
BASE=${PERF_BENCH_DIR:-/work/shared/bench}
TOOL="$BUILD/tools/mivaro-tool"
extra=(--extra "mivaro list=$TOOL list {dir} > /dev/null"
       --extra "bench_enumerate=$BUILD/bench/bench_enumerate {dir}"
       --extra "bench_enumerate --full=$BUILD/bench/bench_enumerate --full {dir}")
if [ -d "${PERF_TREE_DIR:-/tmp/perf-tree}" ]; then
  exec "$BASE/gen-tree.sh" --measure-only "$@" "${extra[@]}"
fi
exec "$BASE/gen-tree.sh" "$@" "${extra[@]}"
