#!/usr/bin/env bash
# A cross-file-system move (tmpfs /dev/shm to the disk under TMPDIR) by mivaro-tool move and
# by mv, alternating in the same run; prints the median of each and the ratio.
# Usage: bench/file_move.sh [BUILD_DIR] [SIZE_MIB] [ROUNDS]
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-$ROOT/build}
SIZE=${2:-1024}
ROUNDS=${3:-3}
SRC=$(mktemp -d /dev/shm/mivaro-move-XXXX)
DST=$(mktemp -d)
export MIVARO_HOME=$DST/home
mkdir -p "$MIVARO_HOME" "$DST/to"
trap 'rm -rf "$SRC" "$DST"' EXIT
head -c $((SIZE << 20)) /dev/urandom > "$SRC/master.bin"
ms() { echo $(( ($(date +%s%N) - $1) / 1000000 )); }
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
tool=() ; ref=()
for _ in $(seq "$ROUNDS"); do
  cp "$SRC/master.bin" "$SRC/a.bin"; sync
  s=$(date +%s%N); "$BUILD/tools/mivaro-tool" move "$SRC/a.bin" "$DST/to" >/dev/null; sync; tool+=("$(ms "$s")")
  rm -f "$DST/to/a.bin"
  cp "$SRC/master.bin" "$SRC/a.bin"; sync
  s=$(date +%s%N); mv "$SRC/a.bin" "$DST/to/"; sync; ref+=("$(ms "$s")")
  rm -f "$DST/to/a.bin"
done
t=$(printf '%s\n' "${tool[@]}" | median)
r=$(printf '%s\n' "${ref[@]}" | median)
echo "move of $SIZE MiB across file systems (median of $ROUNDS, each followed by sync):"
echo "  mivaro-tool move  $t ms"
echo "  mv                $r ms"
awk -v t="$t" -v r="$r" 'BEGIN { printf "  ratio             %.2fx\n", t / r }'
