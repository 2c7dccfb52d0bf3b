#!/usr/bin/env bash
# Runs every fuzz target in BUILD for SECONDS seconds each, starting from fuzz/corpus/NAME.
set -euo pipefail
BUILD=${1:-build-fuzz}
SECONDS_EACH=${2:-10}
ROOT=$(cd "$(dirname "$0")/.." && pwd)
shopt -s nullglob
for exe in "$BUILD"/fuzz/fuzz_*; do
  [ -x "$exe" ] || continue
  name=$(basename "$exe"); name=${name#fuzz_}
  work=$(mktemp -d)
  seeds=()
  [ -d "$ROOT/fuzz/corpus/$name" ] && seeds=("$ROOT/fuzz/corpus/$name")
  echo "fuzz $name: ${SECONDS_EACH}s"
  ASAN_OPTIONS=detect_leaks=0 "$exe" -max_total_time="$SECONDS_EACH" -rss_limit_mb=2048 \
    -timeout=10 -print_final_stats=0 "$work" "${seeds[@]}" >"$work.log" 2>&1 || {
      tail -n 40 "$work.log"; echo "fuzz $name FAILED"; exit 1; }
  rm -rf "$work" "$work.log"
done
