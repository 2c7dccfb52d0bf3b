#!/usr/bin/env bash
# Capture timings on a generated 1080p clip (x264, B-frames, key frame every 2 s), with
# ffmpeg decoding the same five frames and encoding one JPEG in the same run as reference.
# Usage: bench/capture.sh [BUILD_DIR]
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-$ROOT/build}
DIR=$(mktemp -d)
trap 'rm -rf "$DIR"' EXIT
ffmpeg -v error -f lavfi -i testsrc2=size=1920x1080:rate=25 -t 6 -c:v libx264 -preset veryfast \
  -g 50 -bf 3 -pix_fmt yuv420p "$DIR/clip.mp4"
"$BUILD/bench/bench_capture" "$DIR/clip.mp4" 3.02 "$DIR"
s=$(date +%s%N)
ffmpeg -v error -ss 3.02 -i "$DIR/clip.mp4" -frames:v 5 -f rawvideo -pix_fmt rgb24 -y /dev/null
echo "ffmpeg seek+5 frames: $(( ($(date +%s%N) - s) / 1000000 )) ms (includes process start)"
s=$(date +%s%N)
ffmpeg -v error -i "$DIR/bench.bmp" -q:v 4 -y "$DIR/ref.jpg"
echo "ffmpeg bmp->jpeg: $(( ($(date +%s%N) - s) / 1000000 )) ms (includes process start)"
