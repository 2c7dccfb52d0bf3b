#!/usr/bin/env python3
"""window_rows.py - the window rows of bench/compare.sh, under the caller's $DISPLAY.

  window   the player started on a large playlist: milliseconds from the start of the
           process until its window's title names the first entry (the title changes
           when an entry starts to play), and its resident memory then (+1 s) minus that
           of the empty player at the same moment after its window appeared.
  playmem  resident memory (largest VmRSS sampled 4 to 6 s after the start) while playing
           a clip in the window: the player, mpv --vo=x11 (when installed) and
           gst-play-1.0 with ximagesink, one after the other in each round.
Prints one line per round and lines starting with "summary " for compare.sh.
"""
import argparse
import os
import shutil
import signal
import statistics
import subprocess
import tempfile
import time


def rss_kib(pid):
    try:
        with open(f"/proc/{pid}/status", encoding="ascii") as f:
            for line in f:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0


def window_titles(pid):
    """Titles of the X windows of a process (xdotool), empty when none yet."""
    r = subprocess.run(["xdotool", "search", "--pid", str(pid), "--name", "."],
                       capture_output=True, text=True)
    titles = []
    for wid in r.stdout.split():
        t = subprocess.run(["xdotool", "getwindowname", wid], capture_output=True, text=True)
        titles.append(t.stdout.strip())
    return titles


def start(argv, home):
    env = dict(os.environ, MIVARO_HOME=home, MIVARO_AUDIO_SINK="fakesink")
    return subprocess.Popen(argv, env=env, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL, start_new_session=True)


def stop(p):
    try:
        os.killpg(p.pid, signal.SIGTERM)
        p.wait(timeout=10)
    except (ProcessLookupError, subprocess.TimeoutExpired):
        try:
            os.killpg(p.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        p.wait()


def wait_title(p, want, timeout):
    """Seconds from now until a window of p is titled `want` (None on timeout)."""
    t0 = time.perf_counter()
    while time.perf_counter() - t0 < timeout:
        if p.poll() is not None:
            return None
        if any(t == want for t in window_titles(p.pid)):
            return time.perf_counter() - t0
        time.sleep(0.01)
    return None


def first_entry(m3u8):
    with open(m3u8, encoding="utf-8") as f:
        for line in f:
            line = line.strip()
            if line and not line.startswith("#"):
                return line
    return ""


def window_row(a):
    player = os.path.join(a.build, "mivaro")
    title = os.path.basename(first_entry(a.m3u8))
    times, above = [], []
    for r in range(a.runs + 1):
        home = tempfile.mkdtemp(dir=a.work)
        t0 = time.perf_counter()
        p = start([player], home)
        shown = wait_title(p, "Mivaro", 30)
        time.sleep(1)
        empty = rss_kib(p.pid)
        stop(p)
        shutil.rmtree(home, ignore_errors=True)
        home = tempfile.mkdtemp(dir=a.work)
        t0 = time.perf_counter()
        p = start([player, a.m3u8], home)
        playing = wait_title(p, title, 60)
        elapsed = None if playing is None else time.perf_counter() - t0
        time.sleep(1)
        full = rss_kib(p.pid)
        stop(p)
        shutil.rmtree(home, ignore_errors=True)
        if r == 0:
            continue  # warm-up
        line = f"window round {r}: empty shown {'-' if shown is None else f'{shown * 1000:.0f} ms'}"
        line += f", {empty / 1024:.0f} MiB; playlist first entry playing "
        line += "never" if elapsed is None else f"{elapsed * 1000:.0f} ms"
        line += f", {full / 1024:.0f} MiB ({(full - empty) / 1024:+.0f} MiB)"
        print(line, flush=True)
        if elapsed is not None:
            times.append(elapsed)
        above.append((full - empty) / 1024)
    t = f"{statistics.median(times) * 1000:.0f} ms" if times else "never"
    print(f"summary {'window':<9} {'100k M3U8: open to playing':<28} {'':>9} {'':>8} {t:>9}"
          f" {statistics.median(above):>+5.0f} MiB {'':>6} {'< 1.5 s, +80 MiB':>14}")


def sample_rss(p, first, last):
    t0 = time.perf_counter()
    best = 0
    while time.perf_counter() - t0 < last:
        if p.poll() is not None:
            break
        if time.perf_counter() - t0 >= first:
            best = max(best, rss_kib(p.pid))
        time.sleep(0.25)
    return best


def playmem_row(a):
    cmds = {"mivaro": [os.path.join(a.build, "mivaro"), a.clip]}
    if shutil.which("mpv"):
        cmds["mpv"] = ["mpv", "--no-config", "--vo=x11", "--ao=null", "--really-quiet", a.clip]
    cmds["gst-play"] = ["gst-play-1.0", "--no-interactive", "--videosink=ximagesink",
                        "--audiosink=fakesink sync=true", a.clip]
    rss = {k: [] for k in cmds}
    for r in range(a.runs):
        for name, argv in cmds.items():
            home = tempfile.mkdtemp(dir=a.work)
            p = start(argv, home)
            rss[name].append(sample_rss(p, 4.0, 6.0) / 1024)
            stop(p)
            shutil.rmtree(home, ignore_errors=True)
        print("playmem round %d: %s" % (r + 1, ", ".join(f"{k} {v[-1]:.0f} MiB"
                                                          for k, v in rss.items())), flush=True)
    ours = statistics.median(rss["mivaro"])
    ref = "mpv" if "mpv" in rss else "gst-play"
    for name in [n for n in rss if n != "mivaro"]:
        refv = statistics.median(rss[name])
        label = "mpv --vo=x11" if name == "mpv" else "gst-play-1.0 ximagesink"
        print(f"summary {'playmem':<9} {label:<28} {'':>9} {refv:>5.0f} MiB {'':>9}"
              f" {ours:>5.0f} MiB {ours / refv:>6.2f} {'<= 1.2x' if name == ref else '':>14}")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", required=True)
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--work", required=True)
    ap.add_argument("--m3u8", required=True)
    ap.add_argument("--clip", required=True)
    ap.add_argument("--rows", default="window,playmem")
    a = ap.parse_args()
    rows = a.rows.split(",")
    if "window" in rows:
        window_row(a)
    if "playmem" in rows:
        playmem_row(a)


if __name__ == "__main__":
    main()
