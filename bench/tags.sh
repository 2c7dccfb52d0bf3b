#!/usr/bin/env bash
# Tag reading of the 10,000 MP3s of the shared benchmark data: bench_tags (TMyTag) and
# TagLib's FileRef (the shared taglib-read baseline) timed in the same interleaved rounds,
# warm cache. Makes the data first when it is missing.
# Usage: bench/tags.sh [BUILD_DIR] [RUNS]
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-$ROOT/build}
RUNS=${2:-7}
BENCH=/work/shared/bench
DATA=${PERF_MP3_DIR:-/tmp/perf-mp3}
[ -x "$BUILD/bench/bench_tags" ] || { echo "build bench_tags first (ninja -C $BUILD bench_tags)" >&2; exit 1; }
if [ ! -s "$DATA/list.txt" ]; then
  "$BENCH/gen-mp3s.sh" -d "$DATA" --no-measure
fi
exec "$BENCH/gen-mp3s.sh" -d "$DATA" --measure-only -n "$RUNS" \
  --extra "mivaro=$BUILD/bench/bench_tags {list}"
