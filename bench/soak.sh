#!/usr/bin/env bash
# Threads and resident memory of the player over time, on a one-entry playlist of a short
# clip that plays again and again (or on the files given). Prints one line per interval;
# both figures should stay flat after the first few entries.
#   bench/soak.sh BUILD_DIR [SECONDS] [INTERVAL] [FILE...]
set -euo pipefail
BUILD=${1:?usage: $0 BUILD_DIR [SECONDS] [INTERVAL] [FILE...]}
SECONDS_TOTAL=${2:-60}
INTERVAL=${3:-5}
shift $(( $# < 3 ? $# : 3 ))
WORK=$(mktemp -d /tmp/mivaro-soak-XXXXXX)
if [ -n "${PERF_DISPLAY:-}" ]; then
  export DISPLAY=$PERF_DISPLAY
else
  n=90; while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -ac >/dev/null 2>&1 &
  XPID=$!
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  export DISPLAY=":$n"
fi
cleanup() {
  [ -n "${PID:-}" ] && kill "$PID" 2>/dev/null || true
  [ -n "${XPID:-}" ] && kill "$XPID" 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT
if [ $# -eq 0 ]; then
  ffmpeg -hide_banner -loglevel error -y -f lavfi -i testsrc2=size=320x240:rate=25 \
    -f lavfi -i sine=frequency=440:sample_rate=44100 -t 2 -c:v libx264 -preset ultrafast \
    -pix_fmt yuv420p -c:a aac "$WORK/clip.mp4"
  set -- "$WORK/clip.mp4"
fi
# A private settings folder, so that the resume list of the user is left alone.
export HOME="$WORK/home" XDG_CONFIG_HOME="$WORK/home/.config" MIVARO_AUDIO_SINK=${MIVARO_AUDIO_SINK:-fakesink}
mkdir -p "$HOME"
"$BUILD/mivaro" "$@" >/dev/null 2>&1 &
PID=$!
printf '%8s %8s %10s\n' seconds threads rss_kb
start=$(date +%s)
while :; do
  sleep "$INTERVAL"
  now=$(( $(date +%s) - start ))
  [ -r "/proc/$PID/status" ] || { echo "the player ended" >&2; exit 1; }
  threads=$(awk '/^Threads:/ {print $2}' "/proc/$PID/status")
  rss=$(awk '/^VmRSS:/ {print $2}' "/proc/$PID/status")
  printf '%8d %8d %10d\n' "$now" "$threads" "$rss"
  [ "$now" -ge "$SECONDS_TOTAL" ] && break
done
