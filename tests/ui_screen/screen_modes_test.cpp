// The player's window sizes and screen modes on a two-monitor X server with openbox: the
// real program, real input through the server, geometry read back from the server.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/xdesktop/x_desktop.h"

namespace mivaro {

// Rectangles in failure messages (found by argument lookup, hence outside the unnamed space).
static std::ostream& operator<<(std::ostream& o, const TMyRect& r) {
  return o << "(" << r.left << "," << r.top << ")-(" << r.right << "," << r.bottom << ")";
}

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::TXDesktop;

class ScreenModes : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    desktop_ = new TXDesktop;
    ASSERT_TRUE(desktop_->Start());
    media_ = fs::temp_directory_path() / ("mivaro-screen-" + std::to_string(::getpid()));
    fs::create_directories(media_);
    // A 16:9 and a 4:3 clip, long enough to play through every test.
    for (const auto& [name, w, h] : {std::tuple{"wide.mp4", 1280, 720}, {"four.mp4", 640, 480}}) {
      ASSERT_EQ(test::RunProgram({"gst-launch-1.0", "-q", "videotestsrc", "num-buffers=900",
                                  "pattern=smpte", "!",
                                  "video/x-raw,width=" + std::to_string(w) + ",height=" +
                                      std::to_string(h) + ",framerate=15/1",
                                  "!", "x264enc", "speed-preset=ultrafast", "bitrate=300", "!",
                                  "mp4mux", "!", "filesink",
                                  "location=" + (media_ / name).string()}),
                0);
    }
  }
  static void TearDownTestSuite() {
    delete desktop_;
    fs::remove_all(media_);
  }
  void TearDown() override {
    test::Stop(player_);
    if (monitor_removed_) desktop_->Xrandr({"--setmonitor", "MonB", "1280/338x720/190+1600+0", "none"});
    fs::remove_all(media_ / "home");
  }

  // Starts the player on `clip` with its client area at `bounds`; the window once the clip
  // plays in it.
  // The player's own window.
  TMyRect Video(xcb_window_t w) const { return desktop_->LargestChild(w); }

  xcb_window_t Start(const char* clip, TMyRect bounds) {
    player_ = test::StartPlayer(MIVARO_EXE, (media_ / clip).string(), (media_ / "home").string(),
                                bounds, {desktop_->DisplayEnv(), "MIVARO_VIDEO_SINK=ximagesink"});
    const xcb_window_t w = desktop_->WaitForTitle(player_, clip, 30s);
    if (!w) return 0;
    std::this_thread::sleep_for(500ms);
    desktop_->Xdotool({"windowactivate", "--sync", std::to_string(w)});
    // The size limits come from the monitor under the pointer: put it on the window.
    const TMyRect v = Video(w);
    desktop_->Xdotool({"mousemove", std::to_string((v.left + v.right) / 2),
                       std::to_string((v.top + v.bottom) / 2)});
    return w;
  }

  // Waits until the window's bounds change from `before`, then until the window and the
  // video in it hold still (the video is placed after the window was resized).
  TMyRect Settled(xcb_window_t w, TMyRect before) const {
    test::WaitFor([&] { return desktop_->Bounds(w) != before; }, 3s, 10ms);
    std::pair<TMyRect, TMyRect> now{desktop_->Bounds(w), Video(w)};
    for (int still = 0; still < 4;) {
      std::this_thread::sleep_for(50ms);
      const std::pair<TMyRect, TMyRect> next{desktop_->Bounds(w), Video(w)};
      still = next == now ? still + 1 : 0;
      now = next;
    }
    return now.first;
  }
  // A double-click (Shift held when asked) in the middle of the video.
  TMyRect DoubleClick(xcb_window_t w, bool shift) const {
    const TMyRect before = desktop_->Bounds(w);
    const TMyRect v = Video(w);
    desktop_->Xdotool({"mousemove", std::to_string((v.left + v.right) / 2),
                       std::to_string((v.top + v.bottom) / 2)});
    std::vector<std::string> args;
    if (shift) args = {"keydown", "shift"};
    for (const char* a : {"click", "--repeat", "2", "--delay", "120", "1"}) args.push_back(a);
    if (shift) args.insert(args.end(), {"keyup", "shift"});
    desktop_->Xdotool(args);
    return Settled(w, before);
  }
  // Keys: each modifier is let go after the key, as a hand does.
  void Key(const std::vector<std::string>& modifiers, const char* key) const {
    std::vector<std::string> args;
    for (const std::string& m : modifiers) args.insert(args.end(), {"keydown", m});
    args.insert(args.end(), {"key", key});
    for (const std::string& m : modifiers) args.insert(args.end(), {"keyup", m});
    desktop_->Xdotool(args);
  }
  // The wheel over the video, one notch up (+1) or down, with a modifier held.
  void Wheel(xcb_window_t w, const char* modifier, int notches) const {
    const TMyRect v = Video(w);
    desktop_->Xdotool({"mousemove", std::to_string((v.left + v.right) / 2),
                       std::to_string((v.top + v.bottom) / 2)});
    const std::string button = notches > 0 ? "4" : "5";
    for (int i = 0; i < std::abs(notches); ++i)
      desktop_->Xdotool({"keydown", modifier, "click", button, "keyup", modifier});
    std::this_thread::sleep_for(300ms);
  }

  static inline TXDesktop* desktop_ = nullptr;
  static inline fs::path media_;
  pid_t player_ = 0;
  bool monitor_removed_ = false;
};

TEST_F(ScreenModes, DoubleClicksCoverTheMonitorThatHoldsTheWindowAndComeBackExactly) {
  // The enlarged mode on the left monitor: a 4:3 picture fills 1600 x 900 and is cut top
  // and bottom (1600 x 1200, 150 pixels off each edge).
  xcb_window_t w = Start("four.mp4", {200, 150, 840, 630});
  ASSERT_NE(w, 0u);
  const TMyRect normal = desktop_->Bounds(w);
  EXPECT_EQ(DoubleClick(w, false), TXDesktop::kMonitorA);
  EXPECT_TRUE(desktop_->HasState(w, "_NET_WM_STATE_FULLSCREEN"));
  EXPECT_EQ(Video(w), (TMyRect{0, -150, 1600, 1050}));
  EXPECT_EQ(DoubleClick(w, false), normal);
  EXPECT_FALSE(desktop_->HasState(w, "_NET_WM_STATE_FULLSCREEN"));
  test::Stop(player_);

  // Letterboxed full screen with Shift on the right monitor.
  w = Start("wide.mp4", {1800, 100, 2440, 560});
  ASSERT_NE(w, 0u);
  const TMyRect right = desktop_->Bounds(w);
  EXPECT_EQ(DoubleClick(w, true), TXDesktop::kMonitorB);
  EXPECT_TRUE(desktop_->HasState(w, "_NET_WM_STATE_FULLSCREEN"));
  EXPECT_EQ(Video(w), TXDesktop::kMonitorB);
  EXPECT_EQ(DoubleClick(w, true), right);
  EXPECT_FALSE(desktop_->HasState(w, "_NET_WM_STATE_FULLSCREEN"));
}

TEST_F(ScreenModes, FixedZoomStepsAndPresetsStayInsideTheWorkArea) {
  const xcb_window_t w = Start("wide.mp4", {100, 100, 740, 600});
  ASSERT_NE(w, 0u);
  TMyRect before = desktop_->Bounds(w);
  Key({"shift"}, "z");  // 50 %
  Settled(w, before);
  EXPECT_EQ(RectWidth(Video(w)), 640);
  EXPECT_EQ(RectHeight(Video(w)), 360);
  // Ctrl let go before Z (xdotool's order for "ctrl+z") is still Ctrl+Z.
  before = desktop_->Bounds(w);
  desktop_->Xdotool({"key", "ctrl+z"});  // 100 %
  Settled(w, before);
  EXPECT_EQ(RectWidth(Video(w)), 1280);
  EXPECT_EQ(RectHeight(Video(w)), 720);

  // Shift steps the window by exactly one pixel of width; the video keeps its proportion.
  before = desktop_->Bounds(w);
  Wheel(w, "shift", -1);
  Settled(w, before);
  EXPECT_EQ(RectWidth(desktop_->Bounds(w)), RectWidth(before) - 1);
  EXPECT_EQ(RectWidth(Video(w)), 1279);
  EXPECT_EQ(RectHeight(Video(w)), 719);

  // 200 % of 1280 x 720 is larger than the 1600 x 900 monitor: the window, frame included,
  // stops at it.
  before = desktop_->Bounds(w);
  Key({"shift", "ctrl"}, "z");
  const TMyRect big = Settled(w, before);
  const TMyRect frame = desktop_->FrameBounds(w);
  EXPECT_GT(RectWidth(big), RectWidth(before));
  EXPECT_LE(RectWidth(frame), 1600);
  EXPECT_LE(RectHeight(frame), 900);

  // A preset changes the height only: 4:3 on a 640-pixel-wide video area is 480 high.
  before = desktop_->Bounds(w);
  Key({"shift"}, "z");
  const TMyRect half = Settled(w, before);
  Key({"alt"}, "v");
  std::this_thread::sleep_for(300ms);
  desktop_->Xdotool({"key", "s", "Return"});
  const TMyRect preset = Settled(w, half);
  EXPECT_EQ(RectWidth(preset), RectWidth(half));
  EXPECT_EQ(RectWidth(Video(w)), 640);
  EXPECT_EQ(RectHeight(Video(w)), 480);
}

TEST_F(ScreenModes, CtrlZoomOfTheVideoStopsAtFiveTimesTheArea) {
  const xcb_window_t w = Start("wide.mp4", {100, 100, 740, 600});
  ASSERT_NE(w, 0u);
  const TMyRect area = Video(w);
  // Each step adds a tenth of the width: 30 steps would reach far beyond five times.
  Wheel(w, "ctrl", 30);
  const TMyRect zoomed = Video(w);
  EXPECT_LE(RectWidth(zoomed), 5 * RectWidth(area));
  EXPECT_LE(RectHeight(zoomed), 5 * RectHeight(area));
  EXPECT_GT(RectWidth(zoomed), 4 * RectWidth(area));
  Wheel(w, "ctrl", 1);
  EXPECT_EQ(Video(w), zoomed) << "the zoom stopped";
  EXPECT_EQ(desktop_->Bounds(w), Settled(w, desktop_->Bounds(w))) << "the window kept its size";
}

TEST_F(ScreenModes, MonitorRemovedWhileFullScreenMovesTheWindowToOneThatExists) {
  const xcb_window_t w = Start("wide.mp4", {1800, 100, 2440, 560});
  ASSERT_NE(w, 0u);
  ASSERT_EQ(DoubleClick(w, false), TXDesktop::kMonitorB);
  const TMyRect before = desktop_->Bounds(w);
  monitor_removed_ = true;
  ASSERT_EQ(desktop_->Xrandr({"--delmonitor", "MonB"}), 0);
  const TMyRect moved = Settled(w, before);
  EXPECT_EQ(moved, TXDesktop::kMonitorA);
  EXPECT_TRUE(desktop_->HasState(w, "_NET_WM_STATE_FULLSCREEN"));
  // The way back leads onto the remaining monitor as well.
  const TMyRect back = DoubleClick(w, false);
  EXPECT_GE(back.left, 0);
  EXPECT_LE(back.right, 1600);
  EXPECT_EQ(RectWidth(back), 640);
}

}  // namespace
}  // namespace mivaro
