#!/bin/sh
# Times TMyWStrings.SortPaths and LoadFromFile on the shared 100,000-path data against
# `sort -V` (and natsort) in the same rounds, through the shared benchmark harness.
#   bench/wstrings.sh [BUILD_DIR] [RUNS]
# BUILD_DIR defaults to ./build; the data is made by gen-names.py when missing.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
runs=${2:-7}
bin=$build/bench/bench_wstrings
shared=/work/shared/bench
data=${PERF_NAMES_DIR:-/tmp/perf-names}
if [ ! -x "$bin" ]; then
  echo "build bench_wstrings first: ninja -C $build bench_wstrings" >&2
  exit 2
fi
if [ ! -f "$data/paths.txt" ]; then
  "$shared/gen-names.py" -o "$data" --no-measure
fi
# In-process figures (median of 5, CPU time beside wall time) first.
"$bin" -n 5 "$data/paths.txt"
# Whole-process runs interleaved with the baselines.
exec "$shared/gen-names.py" -o "$data" --measure-only -n "$runs" \
  --json "${TMPDIR:-/tmp}/wstrings-bench.jsonl" \
  --extra "mivaro-SortPaths=$bin --mode sort {paths}" \
  --extra "mivaro-LoadFromFile=$bin --mode load {paths}"
