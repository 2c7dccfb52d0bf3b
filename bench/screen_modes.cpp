// The player's screen modes with a 1920 x 1080 video playing, on a private two-monitor X
// server with openbox: a double-click to full screen until the monitor shows the video
// (the window covers the 1600 x 900 monitor, is marked full screen, and a pixel that was
// desktop before is video), the double-click back until the window has its old bounds and
// that pixel is desktop again, and one zoom step of the wheel until the window and its
// video have their new size. Input goes through XTEST; every figure runs from the moment the
// last input reached the server. The reference, in the same rounds, is a pointer movement
// and one read of the screen and the window (the round trips the measuring itself needs).
// MIVARO_VIDEO_SINK is passed on to the player (unset: the renderer a user gets).
// Usage: bench_screen_modes [ROUNDS]   (needs Xvfb, openbox, xrandr, GStreamer)
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_clock.h"
#include "tests/support/xdesktop/x_desktop.h"

using namespace mivaro;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

// The solid colour of the clip, 0x3070c0, seen through colour conversion: blue dominates.
bool IsVideo(std::uint32_t p) { return (p & 0xFF) > 0x80 && ((p >> 16) & 0xFF) < 0x60; }

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
  const fs::path dir = fs::temp_directory_path() / ("mivaro-bench-screen-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const std::string clip = (dir / "hd.mp4").string();
  if (test::RunProgram({"gst-launch-1.0", "-q", "videotestsrc", "num-buffers=3600",
                        "pattern=solid-color", "foreground-color=0xff3070c0", "!",
                        "video/x-raw,width=1920,height=1080,framerate=30/1", "!", "x264enc",
                        "speed-preset=ultrafast", "!", "mp4mux", "!", "filesink",
                        "location=" + clip}) != 0) {
    std::fprintf(stderr, "cannot make the clip\n");
    return 1;
  }
  test::TXDesktop desktop;
  if (!desktop.Start()) {
    std::fprintf(stderr, "cannot start Xvfb and openbox\n");
    return 1;
  }
  const TMyRect normal{200, 150, 840, 600};
  const char* sink = std::getenv("MIVARO_VIDEO_SINK");
  const pid_t player = test::StartPlayer(MIVARO_EXE_PATH, clip, (dir / "home").string(), normal,
                                         {desktop.DisplayEnv(), std::string("MIVARO_VIDEO_SINK=") + (sink ? sink : "")});
  const xcb_window_t w = desktop.WaitForTitle(player, "hd.mp4", 60s);
  if (!w) {
    std::fprintf(stderr, "the player did not open the clip\n");
    test::Stop(player);
    return 1;
  }
  std::this_thread::sleep_for(2s);
  desktop.Xdotool({"windowactivate", "--sync", std::to_string(w)});
  // A point of the monitor outside the window: desktop in the window, video in full screen.
  const int px = 1500, py = 850;
  const auto timed = [&](int button, const std::function<bool()>& done) {
    const auto t = bench::Clock::now();
    desktop.Click(button);
    const bool ok = test::WaitFor(done, 5s, 1ms);
    return ok ? bench::MsSince(t) : -1.0;
  };
  std::vector<double> enter, leave, zoom, ref;
  int failures = 0;
  for (int round = 0; round < rounds; ++round) {
    const TMyRect start = desktop.Bounds(w);
    const int cx = (start.left + start.right) / 2, cy = (start.top + start.bottom) / 2;
    desktop.PointerTo(cx, cy);
    desktop.Click(1);
    std::this_thread::sleep_for(100ms);
    const double in = timed(1, [&] {
      return desktop.Bounds(w) == test::TXDesktop::kMonitorA &&
             desktop.HasState(w, "_NET_WM_STATE_FULLSCREEN") && IsVideo(desktop.Pixel(px, py));
    });
    std::this_thread::sleep_for(700ms);
    desktop.Click(1);
    std::this_thread::sleep_for(100ms);
    const double out = timed(1, [&] {
      return desktop.Bounds(w) == start && !IsVideo(desktop.Pixel(px, py));
    });
    std::this_thread::sleep_for(700ms);
    // One wheel notch up, and one down afterwards.
    const TMyRect before = desktop.Bounds(w);
    const TMyRect video_before = desktop.LargestChild(w);
    desktop.PointerTo(cx, cy);
    const double up = timed(4, [&] {
      const TMyRect now = desktop.Bounds(w);
      const TMyRect video = desktop.LargestChild(w);
      return RectWidth(now) > RectWidth(before) &&
             RectWidth(video) - RectWidth(video_before) == RectWidth(now) - RectWidth(before);
    });
    std::this_thread::sleep_for(300ms);
    desktop.Click(5);
    std::this_thread::sleep_for(500ms);
    // The reference: a pointer movement over the video and one read of the screen and of
    // the window (clicks elsewhere would take the focus from the player).
    const auto t = bench::Clock::now();
    desktop.PointerTo(cx + 1, cy);
    (void)desktop.Pixel(px, py);
    (void)desktop.Bounds(w);
    ref.push_back(bench::MsSince(t));
    desktop.PointerTo(cx, cy);
    if (in < 0 || out < 0 || up < 0) {
      const TMyRect now = desktop.Bounds(w);
      std::fprintf(stderr, "round %d: enter %.0f leave %.0f zoom %.0f; window (%d,%d)-(%d,%d)\n", round,
                   in, out, up, now.left, now.top, now.right, now.bottom);
      ++failures;
      continue;
    }
    enter.push_back(in);
    leave.push_back(out);
    zoom.push_back(up);
  }
  test::Stop(player);
  desktop.Shut();
  fs::remove_all(dir);
  const double rc = Median(ref), rw = rc;
  std::printf("1920x1080 video playing, 1600x900 monitor, %zu of %d rounds (median):\n",
              enter.size(), rounds);
  std::printf("double-click to full screen shown: %.0f ms (net %.0f ms, %.1f x the reference)\n",
              Median(enter), Median(enter) - rc, rc > 0 ? Median(enter) / rc : 0);
  std::printf("double-click back to the window:   %.0f ms (net %.0f ms, %.1f x the reference)\n",
              Median(leave), Median(leave) - rc, rc > 0 ? Median(leave) / rc : 0);
  std::printf("zoom step (wheel), window and video resized: %.0f ms (net %.0f ms, %.1f x the reference)\n",
              Median(zoom), Median(zoom) - rw, rw > 0 ? Median(zoom) / rw : 0);
  std::printf("reference, a pointer movement and a read of the screen and the window: %.2f ms\n", rc);
  if (failures) std::printf("%d rounds did not reach the expected state within 5 s\n", failures);
  return failures == rounds ? 1 : 0;
}
