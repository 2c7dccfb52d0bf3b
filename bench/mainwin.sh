#!/usr/bin/env bash
# mainwin.sh - the main window's start-up and the adding of a large folder, against the
# floor of any Qt 6 Widgets program (the empty window of /work/shared/bench/qt-window.cpp),
# interleaved in the same rounds under one private Xvfb.
#   start      mivaro without arguments: process start to the first paint of the window
#              (its own "@metric shown_ms") and the whole-process wall time to exit
#   add-10k    mivaro with the folder of 10,000 MP3s (/work/shared/bench/gen-mp3s.sh):
#              "@metric add_ms" is the folder walk plus filling the playlist
#   qt-window  the empty Qt window: whole-process wall time to its first paint
# Run:  bench/mainwin.sh BUILD_DIR [-n RUNS] [-d /tmp/perf-mp3]
set -euo pipefail
BUILD=${1:?usage: $0 BUILD_DIR [-n RUNS] [-d MP3_DIR]}
shift
RUNS=7
DATA=${PERF_MP3_DIR:-/tmp/perf-mp3}
while [ $# -gt 0 ]; do
  case "$1" in
    -n) RUNS=$2; shift 2 ;;
    -d) DATA=$2; shift 2 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
done
HERE=$(cd "$(dirname "$0")" && pwd)
SHARED=/work/shared/bench
[ -d "$DATA" ] || "$SHARED/gen-mp3s.sh" --measure-only -n 1 >/dev/null 2>&1 || "$SHARED/gen-mp3s.sh" -n 1 >/dev/null
QTWIN=/tmp/perf-build/qt-window
if [ ! -x "$QTWIN" ]; then
  mkdir -p /tmp/perf-build
  g++ -O2 -std=c++17 -fPIC "$SHARED/qt-window.cpp" -o "$QTWIN" $(pkg-config --cflags --libs Qt6Widgets)
fi
n=90; while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
Xvfb ":$n" -screen 0 1920x1080x24 -nolisten tcp -ac >/dev/null 2>&1 &
XPID=$!
HOME_DIR=$(mktemp -d)
trap 'kill $XPID 2>/dev/null || true; rm -rf "$HOME_DIR"' EXIT
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
export DISPLAY=":$n" MIVARO_HOME=$HOME_DIR MIVARO_AUDIO_SINK=fakesink
export MIVARO_REPORT_TIMES=1 MIVARO_EXIT_WHEN_READY=1

wall() { local t0 t1; t0=$(date +%s%N); "$@" >/dev/null 2>&1 || true; t1=$(date +%s%N); echo $(((t1 - t0) / 1000000)); }
metric() { "$@" 2>&1 | sed -n "s/.*@metric $METRIC=\([0-9.]*\).*/\1/p" | head -1; }
median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }

declare -a shown start_wall add qt_wall
for r in $(seq "$RUNS"); do
  qt_wall+=("$(wall "$QTWIN")")
  METRIC=shown_ms shown+=("$(metric timeout 60 "$BUILD/mivaro")")
  start_wall+=("$(wall timeout 60 "$BUILD/mivaro")")
  METRIC=add_ms add+=("$(metric timeout 120 "$BUILD/mivaro" "$DATA")")
done
printf 'runs: %s\n' "$RUNS"
printf 'qt-window whole process (floor)   median %s ms\n' "$(printf '%s\n' "${qt_wall[@]}" | median)"
printf 'mivaro start -> shown (in-process) median %s ms  [%s]\n' "$(printf '%s\n' "${shown[@]}" | median)" "${shown[*]}"
printf 'mivaro start -> exit (whole)       median %s ms\n' "$(printf '%s\n' "${start_wall[@]}" | median)"
printf 'mivaro add %s files            median %s ms  [%s]\n' "$(find "$DATA" -type f | wc -l)" "$(printf '%s\n' "${add[@]}" | median)" "${add[*]}"
