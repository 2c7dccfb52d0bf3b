// Wallpaper video on a two-monitor X server with a window manager: the real player, its
// sub player, and the X root window picture.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "platform/desktop/wallpaper_root.h"
#include "platform/desktop/xcb_util.h"
#include "player/wall_video_picture.h"
#include "tests/support/xdesktop/x_desktop.h"

namespace mivaro {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

using test::Exited;
using test::Spawn;
using test::WaitFor;

// The two-monitor desktop with openbox.
class WallVideoDesktop : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    desktop_ = new test::TXDesktop;
    ASSERT_TRUE(desktop_->Start());
    display_ = desktop_->Display();
  }
  static void TearDownTestSuite() {
    delete desktop_;
    desktop_ = nullptr;
  }

  void SetUp() override {
    home_ = fs::temp_directory_path() / ("mivaro-wallx-" + std::to_string(::getpid()));
    fs::remove_all(home_);
    fs::create_directories(home_);
    c_ = xcb_connect(display_.c_str(), nullptr);
    ASSERT_FALSE(xcb_connection_has_error(c_));
    root_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
    // The user's wallpaper: a gradient picture on the root, set the way other programs do
    // (no mark of ours on it).
    TMyBitmap user;
    user.Resize(2880, 900);
    for (int y = 0; y < 900; ++y)
      for (int x = 0; x < 2880; x += 16) FillBitmapRect(user, {x, y, x + 16, y + 1}, (x / 16) << 16 | (y & 0xFF));
    ASSERT_TRUE(capture::SaveBitmapAsBmp(user, (home_ / "user.bmp").string()));
    TMyRootWindowWallpaper setter((home_ / "unused.bmp").string(), nullptr, display_.c_str());
    ASSERT_TRUE(setter.SetWallpaper(U16((home_ / "user.bmp").string())));
    xcb_delete_property(c_, root_, XcbAtom(c_, "_MIVARO_WALLPAPER"));
    xcb_flush(c_);
    original_ = RootPicture();
    ASSERT_EQ(original_.size(), 2880u * 900 * 4);
    const std::string clip = (home_ / "clip.mp4").string();
    const pid_t gst = Spawn({"gst-launch-1.0", "-q", "videotestsrc", "num-buffers=900",
                             "pattern=ball", "!", "video/x-raw,width=320,height=240,framerate=30/1",
                             "!", "x264enc", "!", "mp4mux", "!", "filesink", "location=" + clip});
    ::waitpid(gst, nullptr, 0);
  }
  void TearDown() override {
    xcb_disconnect(c_);
    fs::remove_all(home_);
  }

  std::vector<std::uint8_t> RootPicture() {
    const auto ids = XcbCardinals(c_, root_, XcbAtom(c_, "_XROOTPMAP_ID"), XCB_ATOM_PIXMAP);
    if (ids.empty()) return {};
    xcb_get_image_reply_t* img = xcb_get_image_reply(
        c_, xcb_get_image(c_, XCB_IMAGE_FORMAT_Z_PIXMAP, ids[0], 0, 0, 2880, 900, ~0u), nullptr);
    if (!img) return {};
    std::vector<std::uint8_t> bytes(xcb_get_image_data(img),
                                    xcb_get_image_data(img) + xcb_get_image_data_length(img));
    free(img);
    // The padding byte of each pixel carries nothing.
    for (std::size_t i = 3; i < bytes.size(); i += 4) bytes[i] = 0;
    return bytes;
  }
  static std::uint32_t PixelOf(const std::vector<std::uint8_t>& p, int x, int y) {
    const std::uint8_t* b = p.data() + (static_cast<std::size_t>(y) * 2880 + x) * 4;
    return std::uint32_t{b[2]} << 16 | std::uint32_t{b[1]} << 8 | b[0];
  }

  pid_t StartPlayer(bool wallpaper, bool withClip) {
    std::ofstream ini(home_ / "mivaro.ini", std::ios::binary);
    ini << "[Zoom]\r\nWallvideo=" << (wallpaper ? 1 : 0)
        << "\r\n[Bounds]\r\nApp_Mivaro_Left=1800\r\nApp_Mivaro_Top=100\r\n"
           "App_Mivaro_Right=2400\r\nApp_Mivaro_Bottom=550\r\n";
    ini.close();
    std::vector<std::string> argv{MIVARO_EXE};
    if (withClip) argv.push_back((home_ / "clip.mp4").string());
    std::vector<std::string> env{"DISPLAY=" + display_, "MIVARO_HOME=" + home_.string(),
                                 "MIVARO_WALLPAPER_STORE=root", "MIVARO_AUDIO_SINK=fakesink"};
    if (!withClip) env.push_back("MIVARO_EXIT_WHEN_READY=1");
    return Spawn(argv, env);
  }

  bool Mapped(xcb_window_t w) {
    xcb_get_window_attributes_reply_t* a =
        xcb_get_window_attributes_reply(c_, xcb_get_window_attributes(c_, w), nullptr);
    const bool mapped = a && a->map_state != XCB_MAP_STATE_UNMAPPED;
    free(a);
    return mapped;
  }
  // Whether the screen shows a white pixel in `area` (the playing ball is white on black;
  // the user's wallpaper has no white anywhere).
  bool WhiteOnScreen(const TMyRect& area) {
    const int w = RectWidth(area);
    const int h = RectHeight(area);
    xcb_get_image_reply_t* img = xcb_get_image_reply(
        c_, xcb_get_image(c_, XCB_IMAGE_FORMAT_Z_PIXMAP, root_, static_cast<std::int16_t>(area.left),
                          static_cast<std::int16_t>(area.top), static_cast<std::uint16_t>(w),
                          static_cast<std::uint16_t>(h), ~0u),
        nullptr);
    if (!img) return false;
    const std::uint8_t* b = xcb_get_image_data(img);
    bool white = false;
    for (int i = 0; i < w * h && !white; ++i) white = b[4 * i] > 0xF0 && b[4 * i + 1] > 0xF0 && b[4 * i + 2] > 0xF0;
    free(img);
    return white;
  }

  struct Client {
    xcb_window_t window = 0;
    bool desktop = false;
    TMyRect bounds;
  };
  std::vector<Client> Stacking() {
    std::vector<Client> out;
    const xcb_atom_t type = XcbAtom(c_, "_NET_WM_WINDOW_TYPE");
    const xcb_atom_t desktop = XcbAtom(c_, "_NET_WM_WINDOW_TYPE_DESKTOP");
    for (std::uint32_t w : XcbCardinals(c_, root_, XcbAtom(c_, "_NET_CLIENT_LIST_STACKING"), XCB_ATOM_WINDOW)) {
      Client client{w, false, {}};
      for (std::uint32_t t : XcbCardinals(c_, w, type, XCB_ATOM_ATOM)) client.desktop |= t == desktop;
      xcb_get_geometry_reply_t* g = xcb_get_geometry_reply(c_, xcb_get_geometry(c_, w), nullptr);
      xcb_translate_coordinates_reply_t* t =
          xcb_translate_coordinates_reply(c_, xcb_translate_coordinates(c_, w, root_, 0, 0), nullptr);
      if (g && t) client.bounds = {t->dst_x, t->dst_y, t->dst_x + g->width, t->dst_y + g->height};
      free(g);
      free(t);
      out.push_back(client);
    }
    return out;
  }
  // The desktop-type client once it exists; its process id through _NET_WM_PID.
  bool WaitForHost(Client& host, pid_t& pid) {
    const bool found = WaitFor([&] {
      for (const Client& c : Stacking())
        if (c.desktop && RectWidth(c.bounds) > 1) {
          host = c;
          return PixelOf(RootPicture(), 1700, 100) == 0x100010;
        }
      return false;
    }, 20s);
    const auto p = XcbCardinals(c_, host.window, XcbAtom(c_, "_NET_WM_PID"), XCB_ATOM_CARDINAL);
    pid = p.empty() ? 0 : static_cast<pid_t>(p[0]);
    return found;
  }

  static inline test::TXDesktop* desktop_ = nullptr;
  static inline std::string display_;
  fs::path home_;
  xcb_connection_t* c_ = nullptr;
  xcb_window_t root_ = 0;
  std::vector<std::uint8_t> original_;
};

TEST_F(WallVideoDesktop, VideoSitsBelowOnTheRightMonitorAndTheRootPictureComesBackExactly) {
  const pid_t player = StartPlayer(true, true);
  Client host;
  pid_t sub = 0;
  ASSERT_TRUE(WaitForHost(host, sub)) << "no desktop window with a keyed root picture";
  EXPECT_EQ(host.bounds, (TMyRect{1600, 0, 2880, 720}));
  const std::vector<Client> stack = Stacking();  // bottom first
  ASSERT_GE(stack.size(), 2u);
  EXPECT_EQ(stack.front().window, host.window) << "the host is below every other window";
  const std::vector<std::uint8_t> on = RootPicture();
  EXPECT_EQ(PixelOf(on, 2879, 719), 0x100010u);
  EXPECT_EQ(PixelOf(on, 100, 100), PixelOf(original_, 100, 100)) << "the other monitor keeps its picture";
  EXPECT_EQ(PixelOf(on, 2000, 800), 0x000000u) << "below the right monitor: no monitor there";

  ::kill(player, SIGTERM);
  ASSERT_TRUE(Exited(player, 20s));
  EXPECT_TRUE(RootPicture() == original_);
  EXPECT_FALSE(fs::exists(home_ / "mivaro.wallpaper.restore"));
}

TEST_F(WallVideoDesktop, FullScreenBringsTheVideoHomeAndTheWallpaperBack) {
  const pid_t player = StartPlayer(true, true);
  Client host;
  pid_t sub = 0;
  ASSERT_TRUE(WaitForHost(host, sub));
  xcb_window_t main = 0;
  const xcb_atom_t pidAtom = XcbAtom(c_, "_NET_WM_PID");
  for (const Client& c : Stacking()) {
    const auto p = XcbCardinals(c_, c.window, pidAtom, XCB_ATOM_CARDINAL);
    if (!c.desktop && !p.empty() && static_cast<pid_t>(p[0]) == player) main = c.window;
  }
  ASSERT_NE(main, 0u);
  const auto hostMapped = [&] { return Mapped(host.window); };
  // "ビデオ(&V)", then its second item, "フルスクリーン(&F)". A window still settling after
  // the start may miss the keys: the menu is closed and the keys sent again.
  const std::string d = "DISPLAY=" + display_;
  const auto xdotool = [&](std::vector<std::string> args) {
    args.insert(args.begin(), "xdotool");
    ::waitpid(Spawn(args, {d}), nullptr, 0);
    std::this_thread::sleep_for(500ms);
  };
  for (int attempt = 0; attempt < 3 && hostMapped(); ++attempt) {
    if (attempt > 0) xdotool({"key", "Escape", "Escape"});
    xdotool({"windowactivate", "--sync", std::to_string(main)});
    xdotool({"key", "alt+v"});
    xdotool({"key", "--delay", "200", "Down", "Return"});
    WaitFor([&] { return !hostMapped(); }, 3s);
  }
  EXPECT_TRUE(WaitFor([&] { return !hostMapped() && RootPicture() == original_; }, 10s))
      << "the desktop window is given back and the user's picture restored";
  for (const Client& c : Stacking()) EXPECT_FALSE(c.desktop);
  // The playing ball (white on black) now shows on the right monitor, which the main
  // window covers; the restored wallpaper has no white anywhere.
  EXPECT_TRUE(WaitFor([&] { return WhiteOnScreen({1600, 0, 2880, 720}); }, 10s))
      << "the video plays in the main window";
  ::kill(player, SIGTERM);
  ASSERT_TRUE(Exited(player, 20s));
  EXPECT_TRUE(RootPicture() == original_);
}

TEST_F(WallVideoDesktop, DoubleClickOnTheEmptiedWindowEndsTheModeInsteadOfFullScreen) {
  const pid_t player = StartPlayer(true, true);
  Client host;
  pid_t sub = 0;
  ASSERT_TRUE(WaitForHost(host, sub));
  const xcb_window_t main = desktop_->ClientOf(player);
  ASSERT_NE(main, 0u);
  const TMyRect before = desktop_->Bounds(main);
  const auto hostMapped = [&] { return Mapped(host.window); };
  // A double-click in the middle of the window, where its video would be. A window still
  // settling after the start may miss it; it is sent again only while the mode is on.
  const std::string x = std::to_string((before.left + before.right) / 2);
  const std::string y = std::to_string((before.top + before.bottom) / 2);
  for (int attempt = 0; attempt < 3 && hostMapped(); ++attempt) {
    desktop_->Xdotool({"windowactivate", "--sync", std::to_string(main)});
    desktop_->Xdotool({"mousemove", x, y});
    std::this_thread::sleep_for(300ms);
    desktop_->Xdotool({"click", "--repeat", "2", "--delay", "120", "1"});
    WaitFor([&] { return !hostMapped(); }, 3s);
  }
  EXPECT_TRUE(WaitFor([&] { return !hostMapped() && RootPicture() == original_; }, 10s))
      << "the desktop window is given back and the user's picture restored";
  for (const Client& c : Stacking()) EXPECT_FALSE(c.desktop);
  // Not full screen: the window keeps its place and size.
  std::this_thread::sleep_for(1s);
  EXPECT_FALSE(desktop_->HasState(main, "_NET_WM_STATE_FULLSCREEN"));
  EXPECT_EQ(desktop_->Bounds(main), before);
  // The ball (white) plays in the window's video area again.
  const TMyRect video = desktop_->LargestChild(main);
  EXPECT_GT(RectWidth(video), 0);
  EXPECT_TRUE(WaitFor([&] { return WhiteOnScreen(video); }, 10s))
      << "the video plays in the main window";
  ::kill(player, SIGTERM);
  ASSERT_TRUE(Exited(player, 20s));
  EXPECT_TRUE(RootPicture() == original_);
  // The mode was switched off, not only left: the next start does not go to the desktop.
  std::ifstream ini(home_ / "mivaro.ini", std::ios::binary);
  const std::string saved((std::istreambuf_iterator<char>(ini)), std::istreambuf_iterator<char>());
  EXPECT_NE(saved.find("Wallvideo=0"), std::string::npos);
}

TEST_F(WallVideoDesktop, KilledPlayerIsRestoredByItsSubPlayerOrTheNextStart) {
  // Only the player killed: its sub player notices and restores.
  pid_t player = StartPlayer(true, true);
  Client host;
  pid_t sub = 0;
  ASSERT_TRUE(WaitForHost(host, sub));
  ::kill(player, SIGKILL);
  ::waitpid(player, nullptr, 0);
  EXPECT_TRUE(WaitFor([&] { return RootPicture() == original_; }, 10s));

  // Player and sub player killed together: the next start restores.
  player = StartPlayer(true, true);
  ASSERT_TRUE(WaitForHost(host, sub));
  ASSERT_GT(sub, 0);
  ::kill(sub, SIGKILL);
  ::kill(player, SIGKILL);
  ::waitpid(player, nullptr, 0);
  std::this_thread::sleep_for(1500ms);
  EXPECT_EQ(PixelOf(RootPicture(), 1700, 100), 0x100010u) << "nothing restored it yet";
  ASSERT_TRUE(fs::exists(home_ / "mivaro.wallpaper.restore"));
  const pid_t next = StartPlayer(false, false);
  ASSERT_TRUE(Exited(next, 30s));
  EXPECT_TRUE(RootPicture() == original_);
  EXPECT_FALSE(fs::exists(home_ / "mivaro.wallpaper.restore"));
}

}  // namespace
}  // namespace mivaro
