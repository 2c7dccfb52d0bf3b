#include "player/wall_video.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "player/wall_video_picture.h"
#include "player/wall_video_record.h"

namespace mivaro {
namespace {

namespace fs = std::filesystem;

std::uint32_t Pixel(const TMyBitmap& b, int x, int y) {
  const std::uint8_t* p = b.Row(y) + static_cast<std::size_t>(x) * 3;
  return (std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | p[2];
}

// Every pixel of a w x h picture its own colour (x below 65536, y below 256).
std::uint32_t GradientAt(int x, int y) {
  return static_cast<std::uint32_t>((x & 0xFF) << 16 | ((x >> 8) & 0xFF) << 8 | (y & 0xFF));
}
TMyBitmap Gradient(int w, int h) {
  TMyBitmap b;
  b.Resize(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) FillBitmapRect(b, {x, y, x + 1, y + 1}, GradientAt(x, y));
  return b;
}

class WallVideo : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("mivaro-wall-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
    store_ = std::make_shared<TMyFileWallpaperSettings>((dir_ / "desktop.txt").string());
    SaveValueLines(store_->Path(), {{"Background", "203040"}});
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string File(const char* name) const { return (dir_ / name).string(); }
  std::string Wallpaper(const TMyBitmap& image, const char* name = "wall.bmp") const {
    EXPECT_TRUE(capture::SaveBitmapAsBmp(image, File(name)));
    return File(name);
  }
  TMyWallVideoEnv Env(TMyScreen screen, int mainMonitor = 0) const {
    return {store_, [screen] { return screen; }, [mainMonitor] { return mainMonitor; },
            File("mivaro.wallpaper.bmp"), File("mivaro.wallpaper.restore")};
  }
  TMyBitmap Picture() const {
    TMyBitmap b;
    EXPECT_TRUE(capture::LoadBitmapFile(b, File("mivaro.wallpaper.bmp")));
    return b;
  }

  fs::path dir_;
  std::shared_ptr<TMyFileWallpaperSettings> store_;
};

// A 1920 x 1080 primary and a 1280 x 1024 monitor to its left.
TMyScreen LeftOfPrimary() {
  return TMyScreen({{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}},
                    {{-1280, 0, 0, 1024}, {-1280, 0, 0, 1024}}});
}

TEST_F(WallVideo, TiledWallpaperLeftOfPrimaryComposesAndArrangesInPlace) {
  const std::string wall = Wallpaper(Gradient(3, 7));
  store_->WriteValue(u"TileWallpaper", u"1");
  const TMyScreen screen = LeftOfPrimary();
  TMyBitmap composed;
  ComposeDesktopPicture(composed, U16(wall), screen, *store_, 0x203040);
  ASSERT_EQ(composed.width, 3200);
  ASSERT_EQ(composed.height, 1080);
  // Tiled from the primary's corner: desktop x = -1280 is image column (-1280 mod 3) = 1.
  EXPECT_EQ(Pixel(composed, 0, 0), GradientAt(1, 0));
  EXPECT_EQ(Pixel(composed, 1280, 0), GradientAt(0, 0));
  EXPECT_EQ(Pixel(composed, 1281 + 3 * 100, 1079), GradientAt(1, 1079 % 7));
  EXPECT_EQ(Pixel(composed, 5, 1050), 0x203040u) << "below the shorter monitor";

  TMyBitmap arranged;
  ArrangeForTiling(arranged, composed, 0x000000, screen);
  ASSERT_EQ(arranged.width, 3200);
  // The left monitor's region lands at x = 1920, the primary's at x = 0.
  EXPECT_EQ(Pixel(arranged, 1920, 0), GradientAt(1, 0));
  EXPECT_EQ(Pixel(arranged, 3199, 1023), Pixel(composed, 1279, 1023));
  EXPECT_EQ(Pixel(arranged, 0, 0), GradientAt(0, 0));
  EXPECT_EQ(Pixel(arranged, 1919, 1079), Pixel(composed, 3199, 1079));
  EXPECT_EQ(Pixel(arranged, 2500, 1050), 0x000000u);
}

TEST_F(WallVideo, ArrangedRegionWrapsOverTheRightEdge) {
  // Desktop (-30, 0, 100, 20), 130 wide: the lower monitor's left -30 wraps to 100 and its
  // 100 columns run past the right edge onto x = 0.
  const TMyScreen screen({{{0, 0, 100, 10}, {}}, {{-30, 10, 70, 20}, {}}});
  const TMyBitmap source = Gradient(130, 20);
  TMyBitmap arranged;
  ArrangeForTiling(arranged, source, 0, screen);
  EXPECT_EQ(Pixel(arranged, 100, 13), GradientAt(0, 13));
  EXPECT_EQ(Pixel(arranged, 10, 13), GradientAt(40, 13)) << "overflow continues at the left";
  EXPECT_EQ(Pixel(arranged, 0, 0), GradientAt(30, 0));
}

TEST_F(WallVideo, CentredAndStretchedStyles) {
  const TMyScreen screen(std::vector<TMyMonitor>{{{0, 0, 10, 4}, {}}});
  store_->WriteValue(u"TileWallpaper", u"0");
  // Wider than the monitor: (10 - 15) / 2 truncates to -2, so column 0 shows image column 2.
  TMyBitmap picture;
  ComposeDesktopPicture(picture, U16(Wallpaper(Gradient(15, 1))), screen, *store_, 0x111111);
  EXPECT_EQ(Pixel(picture, 0, 1), GradientAt(2, 0));
  EXPECT_EQ(Pixel(picture, 0, 0), 0x111111u);  // (4 - 1) / 2 = 1: row 0 is background

  store_->WriteValue(u"WallpaperStyle", u"2");
  TMyBitmap two;
  two.Resize(2, 1);
  FillBitmapRect(two, {0, 0, 1, 1}, 0xFF0000);
  FillBitmapRect(two, {1, 0, 2, 1}, 0x0000FF);
  ComposeDesktopPicture(picture, U16(Wallpaper(two, "two.bmp")), screen, *store_, 0);
  EXPECT_EQ(Pixel(picture, 4, 3), 0xFF0000u);
  EXPECT_EQ(Pixel(picture, 5, 0), 0x0000FFu);

  // A ".png" wallpaper is not drawn at all, even when the file holds a readable picture.
  fs::copy_file(File("two.bmp"), File("two.png"));
  ComposeDesktopPicture(picture, U16(File("two.png")), screen, *store_, 0x123456);
  EXPECT_EQ(Pixel(picture, 4, 3), 0x123456u);
  EXPECT_EQ(Pixel(picture, 5, 0), 0x123456u);
}

TEST_F(WallVideo, ModeKeysTheMonitorAndGivesTheStretchedWallpaperBack) {
  const std::string wall = Wallpaper(Gradient(4, 4));
  store_->SetWallpaper(U16(wall));
  WriteWallpaperStyle(*store_, 2);
  {
    TMyWallVideo mode(0, 0x00301020, Env(TMyScreen(std::vector<TMyMonitor>{{{0, 0, 1920, 1080}, {}}})));
    EXPECT_EQ(mode.SavedStyle, 2);
    const TMyBitmap picture = Picture();
    ASSERT_EQ(picture.width, 1920);
    ASSERT_EQ(picture.height, 1080);
    // COLORREF 0x00BBGGRR: red 0x20, green 0x10, blue 0x30.
    EXPECT_EQ(Pixel(picture, 0, 0), 0x201030u);
    EXPECT_EQ(Pixel(picture, 1919, 1079), 0x201030u);
    EXPECT_EQ(store_->Wallpaper(), U16(File("mivaro.wallpaper.bmp")));
    EXPECT_EQ(ReadWallpaperStyle(*store_), 1);
    const auto record = ReadWallVideoRecord(File("mivaro.wallpaper.restore"));
    ASSERT_TRUE(record);
    EXPECT_EQ(record->Wallpaper, U16(wall));
    EXPECT_EQ(record->Pid, ::getpid());
  }
  EXPECT_EQ(store_->ReadValue(u"TileWallpaper"), WString(u"0"));
  EXPECT_EQ(store_->ReadValue(u"WallpaperStyle"), WString(u"2"));
  EXPECT_EQ(store_->Wallpaper(), U16(wall));
  EXPECT_FALSE(fs::exists(File("mivaro.wallpaper.restore")));
  EXPECT_TRUE(fs::exists(File("mivaro.wallpaper.bmp"))) << "the picture stays on disk";
}

TEST_F(WallVideo, OutOfRangeMonitorTakesTheMainWindowsAndNoWallpaperComesBackEmpty) {
  const TMyScreen screen({{{0, 0, 40, 30}, {}}, {{40, 0, 60, 20}, {}}});
  {
    TMyWallVideo mode(7, 0x00000080, Env(screen, 1));
    EXPECT_EQ(mode.MonitorIndex, 1);
    const TMyBitmap picture = Picture();
    EXPECT_EQ(Pixel(picture, 45, 5), 0x800000u);
    EXPECT_EQ(Pixel(picture, 5, 5), 0x203040u);   // the other monitor: plain background
    EXPECT_EQ(Pixel(picture, 45, 25), 0x203040u);  // outside every monitor
    mode.Show(0);
    EXPECT_EQ(Pixel(Picture(), 5, 5), 0x800000u);
    EXPECT_EQ(Pixel(Picture(), 45, 5), 0x203040u);
  }
  EXPECT_EQ(store_->ReadValue(u"Wallpaper"), WString());
  EXPECT_EQ(ReadWallpaperStyle(*store_), 0);
}

TEST_F(WallVideo, RecordOfAGonePlayerIsRestoredOnceAndALiveOnesIsKept) {
  const std::string record = File("mivaro.wallpaper.restore");
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ASSERT_GT(child, 0);
  ::waitpid(child, nullptr, 0);
  store_->SetWallpaper(u"/somewhere/mode.bmp");
  ASSERT_TRUE(WriteWallVideoRecord(record, {u"/home/u/壁紙.jpg", 2, "", child}));
  EXPECT_TRUE(RestoreWallpaperLeftBehind(*store_, record));
  EXPECT_EQ(store_->Wallpaper(), u"/home/u/壁紙.jpg");
  EXPECT_EQ(ReadWallpaperStyle(*store_), 2);
  EXPECT_FALSE(RestoreWallpaperLeftBehind(*store_, record));

  ASSERT_TRUE(WriteWallVideoRecord(record, {u"/other.jpg", 1, "", ::getpid()}));
  EXPECT_FALSE(RestoreWallpaperLeftBehind(*store_, record));
  EXPECT_TRUE(fs::exists(record));
}

}  // namespace
}  // namespace mivaro
