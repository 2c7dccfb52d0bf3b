#!/usr/bin/env bash
# Tag reading of the 10,000 MP3s of the shared benchmark data (ID3v2.3, 40 % UTF-16
# Japanese), warm cache: bench_tags (TMyTag) against TagLib's FileRef (the shared
# taglib-read baseline) and the raw I/O floor, timed in the same interleaved rounds by the
# shared runner. Makes the data and the baseline program first when they are missing.
# Usage: bench/tags.sh [BUILD_DIR] [RUNS]
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-$ROOT/build}
RUNS=${2:-7}
BENCH=/work/shared/bench
DATA=${PERF_MP3_DIR:-/tmp/perf-mp3}
BASE=${PERF_BUILD_DIR:-/tmp/perf-build}
[ -x "$BUILD/bench/bench_tags" ] || { echo "build bench_tags first (ninja -C $BUILD bench_tags)" >&2; exit 1; }
if [ ! -s "$DATA/list.txt" ] || [ ! -x "$BASE/taglib-read" ]; then
  "$BENCH/gen-mp3s.sh" -d "$DATA" -b "$BASE" --no-measure
fi
LIST=$(printf '%q' "$DATA/list.txt")
exec python3 "$BENCH/bench.py" -n "$RUNS" -w 1 --metrics \
  --title "tag reading, 10k ID3v2.3 MP3s, warm cache" \
  "taglib=$BASE/taglib-read $LIST" \
  "raw-io=$BASE/taglib-read --raw $LIST" \
  "mivaro=$BUILD/bench/bench_tags $LIST"
