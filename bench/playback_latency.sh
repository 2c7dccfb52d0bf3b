#!/usr/bin/env bash
# Player against plain playbin: open-to-first-frame, accurate seek and frame step on the
# shared 1080p H.264 file, in the same process and run (see bench/playback_latency.cpp);
# then the longest stall of the UI thread over 20 opens of that file, with the open waited
# for and in the background (bench/open_stall.cpp).
# Makes /tmp/perf-media/1080p30-20s.mp4 like /work/shared/bench/playback-latency.sh when
# missing, and starts a private Xvfb unless PERF_DISPLAY is set.
#   bench/playback_latency.sh BUILD_DIR [-n REPS]
set -euo pipefail
BUILD=${1:?usage: $0 BUILD_DIR [-n REPS]}
shift
MEDIA=${PERF_MEDIA_DIR:-/tmp/perf-media}
F20="$MEDIA/1080p30-20s.mp4"
mkdir -p "$MEDIA"
if [ ! -s "$F20" ]; then
  ffmpeg -hide_banner -loglevel error -y -f lavfi -i testsrc2=size=1920x1080:rate=30 \
    -f lavfi -i sine=frequency=440:sample_rate=48000 -t 20 -map 0:v -map 1:a \
    -c:v libx264 -preset veryfast -profile:v high -pix_fmt yuv420p \
    -c:a aac -b:a 128k -ac 2 -movflags +faststart "$F20"
fi
if [ -n "${PERF_DISPLAY:-}" ]; then
  export DISPLAY=$PERF_DISPLAY
else
  n=90; while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1920x1080x24 -nolisten tcp -ac >/dev/null 2>&1 &
  XPID=$!
  trap 'kill $XPID 2>/dev/null || true' EXIT
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  export DISPLAY=":$n"
fi
MIVARO_AUDIO_SINK=fakesink "$BUILD/bench/bench_playback_latency" "$@" "$F20"
MIVARO_AUDIO_SINK=fakesink "$BUILD/bench/bench_open_stall" -n 20 "$F20"
