#!/usr/bin/env bash
# compare.sh - every scale and speed figure of the player against its reference, measured
# in the same rounds, as one table of medians, peak memory and ratios.
#
#   bench/compare.sh BUILD_DIR [-n RUNS] [--only ROW[,ROW...]] [--remake]
#
# Data comes from the shared generators in $PERF_BENCH_DIR (default /work/shared/bench),
# made when missing (--remake makes it again):
#   gen-mp3s.sh + gen-m3u8.sh   /tmp/perf-m3u8/playlist.m3u8   (100,000 existing entries)
#   gen-names.py                /tmp/perf-names/{names,paths}.txt
#   gen-tree.sh                 /tmp/perf-tree                  (50,000 files, 2,000 folders)
#   playback_latency.sh         /tmp/perf-media/1080p30-20s.mp4 (1080p H.264 + AAC)
# Rows (names for --only):
#   expand     mivaro-tool expand of the M3U8     vs python3 os.path.exists loop
#   natsort    mivaro-tool natsort of the names   vs LC_ALL=C.UTF-8 sort -V
#   natpath    mivaro-tool natsort --path         vs LC_ALL=C.UTF-8 sort -V
#   list       mivaro-tool list of the tree       vs find | LC_ALL=C sort
#   latency    bench/playback_latency.sh (open to first frame, in process, vs playbin)
#   window     the player opening the M3U8: time until its first entry plays, and
#              resident memory above the empty player (both under a private Xvfb)
#   playmem    resident memory while the player plays the 1080p clip in its window,
#              against mpv --vo=x11 (when installed) and gst-play-1.0 with ximagesink
# Command rows run through bench.py (whole process, GNU time max RSS, interleaved, order
# rotated); window rows take /proc/PID/status of the running program. Only same-run
# ratios mean anything on a shared machine.
set -euo pipefail
BUILD=${1:?usage: $0 BUILD_DIR [-n RUNS] [--only ROWS] [--remake]}
shift
case "$BUILD" in /*) ;; *) BUILD="$PWD/$BUILD" ;; esac
HERE=$(cd "$(dirname "$0")" && pwd)
SHARED=${PERF_BENCH_DIR:-/work/shared/bench}
RUNS=5
ONLY=expand,natsort,natpath,list,latency,window,playmem
REMAKE=0
while [ $# -gt 0 ]; do
  case "$1" in
    -n) RUNS=$2; shift 2 ;;
    --only) ONLY=$2; shift 2 ;;
    --remake) REMAKE=1; shift ;;
    *) echo "usage: $0 BUILD_DIR [-n RUNS] [--only ROWS] [--remake]" >&2; exit 2 ;;
  esac
done
wants() { case ",$ONLY," in *",$1,"*) return 0 ;; *) return 1 ;; esac; }

MP3=${PERF_MP3_DIR:-/tmp/perf-mp3}
M3U8_DIR=${PERF_M3U8_DIR:-/tmp/perf-m3u8}
NAMES_DIR=/tmp/perf-names
TREE=${PERF_TREE_DIR:-/tmp/perf-tree}
MEDIA=${PERF_MEDIA_DIR:-/tmp/perf-media}
CLIP="$MEDIA/1080p30-20s.mp4"

# ---- data ----------------------------------------------------------------------------
if wants expand || wants window; then
  if [ "$REMAKE" = 1 ] || [ ! -f "$MP3/list.txt" ]; then "$SHARED/gen-mp3s.sh" --no-measure; fi
  if [ "$REMAKE" = 1 ] || [ ! -s "$M3U8_DIR/playlist.m3u8" ]; then
    "$SHARED/gen-m3u8.sh" --no-measure
  fi
fi
if wants natsort || wants natpath; then
  if [ "$REMAKE" = 1 ] || [ ! -s "$NAMES_DIR/paths.txt" ]; then
    "$SHARED/gen-names.py" -o "$NAMES_DIR" --no-measure
  fi
fi
if wants list && { [ "$REMAKE" = 1 ] || [ ! -d "$TREE" ]; }; then
  "$SHARED/gen-tree.sh" -d "$TREE" --no-measure
fi
if wants playmem && [ ! -s "$CLIP" ]; then
  mkdir -p "$MEDIA"
  # The same clip as playback-latency.sh makes.
  ffmpeg -hide_banner -loglevel error -y -f lavfi -i testsrc2=size=1920x1080:rate=30 \
    -f lavfi -i sine=frequency=440:sample_rate=48000 -t 20 -map 0:v -map 1:a \
    -c:v libx264 -preset veryfast -profile:v high -pix_fmt yuv420p \
    -c:a aac -b:a 128k -ac 2 -movflags +faststart "$CLIP"
fi

WORK=$(mktemp -d /tmp/mivaro-compare-XXXXXX)
XPID=
cleanup() { [ -n "$XPID" ] && kill "$XPID" 2>/dev/null; rm -rf "$WORK"; }
trap cleanup EXIT

# ---- command rows (bench.py, same rounds for a row and its reference) --------------------
TOOL="$BUILD/tools/mivaro-tool"
q() { printf '%q' "$1"; }
PYLOOP='import os, sys
lines = open(sys.argv[1], encoding="utf-8").read().splitlines()
missing = sum(1 for l in lines if l and not l.startswith("#") and not os.path.exists(l))
sys.exit(missing != 0)'
row() {  # row NAME TITLE 'ref=cmd' 'mivaro=cmd'
  local name=$1 title=$2
  shift 2
  python3 "$SHARED/bench.py" -n "$RUNS" -w 1 --json "$WORK/$name.jsonl" --title "$title" "$@" \
    > "$WORK/$name.txt"
  sed 's/^/  /' "$WORK/$name.txt"
}
if wants expand; then
  M=$(q "$M3U8_DIR/playlist.m3u8")
  row expand "expand, 100,000-entry M3U8" \
    "ref=/usr/bin/python3 -c $(q "$PYLOOP") $M" "mivaro=$TOOL expand $M > /dev/null"
fi
if wants natsort; then
  row natsort "natsort, 100,000 names" \
    "ref=LC_ALL=C.UTF-8 sort -V $(q "$NAMES_DIR/names.txt") > /dev/null" \
    "mivaro=$TOOL natsort < $(q "$NAMES_DIR/names.txt") > /dev/null"
fi
if wants natpath; then
  row natpath "natsort --path, 100,000 paths" \
    "ref=LC_ALL=C.UTF-8 sort -V $(q "$NAMES_DIR/paths.txt") > /dev/null" \
    "mivaro=$TOOL natsort --path < $(q "$NAMES_DIR/paths.txt") > /dev/null"
fi
if wants list; then
  row list "list, 50,000 files in 2,000 folders" \
    "ref=find $(q "$TREE") -type f | LC_ALL=C sort > /dev/null" \
    "mivaro=$TOOL list $(q "$TREE") > /dev/null"
fi

# ---- open to first frame (the engine's own in-process comparison) ------------------------
if wants latency; then
  "$HERE/playback_latency.sh" "$BUILD" -n "$((RUNS * 2))" > "$WORK/latency.txt" 2>&1 || true
  grep -v '^@metric' "$WORK/latency.txt" | sed 's/^/  /'
fi

# ---- window rows: a private Xvfb ----------------------------------------------------------
if wants window || wants playmem; then
  n=90; while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1920x1080x24 -nolisten tcp -ac >/dev/null 2>&1 &
  XPID=$!
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  export DISPLAY=":$n"
  python3 "$HERE/window_rows.py" --build "$BUILD" --runs "$RUNS" --work "$WORK" \
    --m3u8 "$M3U8_DIR/playlist.m3u8" --clip "$CLIP" --rows "$ONLY" > "$WORK/window.txt"
  sed 's/^/  /' "$WORK/window.txt"
fi

# ---- summary ------------------------------------------------------------------------------
python3 - "$WORK" <<'PY'
import json, os, re, sys
work = sys.argv[1]
targets = {"expand": (0.5, 60), "natsort": (1.0, 30), "natpath": (0.8, 40), "list": (1.5, None)}
refs = {"expand": "python3 os.path.exists loop", "natsort": "sort -V names",
        "natpath": "sort -V paths", "list": "find | LC_ALL=C sort"}
def ms(s): return f"{s * 1000:.0f} ms" if s < 10 else f"{s:.1f} s"
print("\n# summary: medians of the same rounds; ratio = mivaro / reference")
print(f"{'row':<9} {'reference':<28} {'ref':>9} {'refRSS':>8} {'mivaro':>9} {'RSS':>8}"
      f" {'ratio':>6} {'target':>14}")
for name in ("expand", "natsort", "natpath", "list"):
    path = os.path.join(work, name + ".jsonl")
    if not os.path.exists(path): continue
    recs = {}
    for line in open(path, encoding="utf-8"):
        r = json.loads(line); recs[r["label"]] = r
    ref, our = recs["ref"], recs["mivaro"]
    rt, ot = ref["wall_s"]["median"], our["wall_s"]["median"]
    t, mem = targets[name]
    tgt = f"<= {t}x" + (f", {mem} MiB" if mem else "")
    print(f"{name:<9} {refs[name]:<28} {ms(rt):>9} {ref['maxrss_mib_median']:>5.0f} MiB"
          f" {ms(ot):>9} {our['maxrss_mib_median']:>5.0f} MiB {ot / rt:>6.2f} {tgt:>14}")
lat = os.path.join(work, "latency.txt")
if os.path.exists(lat):
    m = re.search(r"open_to_first_frame\s+playbin\s+([\d.]+) ms\s+player\s+([\d.]+) ms\s+ratio\s+([\d.]+)",
                  open(lat, encoding="utf-8").read())
    if m:
        print(f"{'latency':<9} {'playbin, in process':<28} {m.group(1) + ' ms':>9} {'':>8}"
              f" {m.group(2) + ' ms':>9} {'':>8} {float(m.group(3)):>6.2f} {'<= 1.05x':>14}")
win = os.path.join(work, "window.txt")
if os.path.exists(win):
    for line in open(win, encoding="utf-8"):
        if line.startswith("summary "): print(line[8:].rstrip())
PY
