#include "player/video_sizing.h"

#include <gtest/gtest.h>

namespace mivaro {
namespace {

// The picture height of a 4:3 video, as the player gives it (truncated).
int FourThree(int w) { return w * 3 / 4; }

TEST(VideoSizing, WindowStepsKeepTheFrameAndShiftMovesOnePixel) {
  // A 660 x 460 window around a 640 x 360 video area (20 of frame, 100 of panels).
  const TMySize window{660, 460};
  const TMySize area{640, 360};
  const int one = ZoomStepSize(640, true, 1920);
  EXPECT_EQ(WindowZoomSize(window, area, +1, one, nullptr), (TMySize{661, 460}));
  EXPECT_EQ(WindowZoomSize(window, area, -1, one, FourThree), (TMySize{659, 579}));
  // A tenth of the width, but never below 2 nor above a tenth of the work area.
  EXPECT_EQ(ZoomStepSize(15, false, 1920), 2);
  EXPECT_EQ(ZoomStepSize(3000, false, 1920), 192);
  // The maximum (the work area) wins over the minimum.
  EXPECT_EQ(ClampWindowSize({50, 5000}, {100, 100}, {1280, 1000}), (TMySize{100, 1000}));
}

TEST(VideoSizing, CtrlZoomStopsAtFiveTimesTheAreaAndKeepsThePointUnderTheCursor) {
  const TMySize area{400, 300};
  TMyRect player{0, 0, 400, 300};
  int steps = 0;
  while (auto next = InnerZoomRect(player, area, +1, ZoomStepSize(RectWidth(player), false, 1920),
                                   FourThree, std::nullopt)) {
    player = *next;
    ASSERT_LT(++steps, 100);
  }
  EXPECT_LE(RectWidth(player), 2000);
  EXPECT_GT(RectWidth(player), 2000 - 192);
  // 400 -> 440 wide: the point a quarter across and a sixth down stays at (100, 50).
  const auto zoomed = InnerZoomRect({0, 0, 400, 300}, area, +1, 40, FourThree, TMyPoint{100, 50});
  ASSERT_TRUE(zoomed.has_value());
  EXPECT_EQ(*zoomed, (TMyRect{-10, -5, 430, 325}));
  EXPECT_FALSE(InnerZoomRect({0, 0, 400, 300}, area, +1, 40, nullptr, std::nullopt));
}

TEST(VideoSizing, SnapBackPullsASmallVideoInAndALargeOneOut) {
  const TMyRect area{0, 0, 640, 360};
  EXPECT_EQ(SnapBackRect({400, -20, 720, 160}, area), (TMyRect{320, 0, 640, 180}));
  EXPECT_EQ(SnapBackRect({10, 10, 1290, 730}, area), (TMyRect{0, 0, 1280, 720}));
  EXPECT_EQ(SnapBackRect({-700, -400, 580, 320}, area), (TMyRect{-640, -360, 640, 360}));
}

TEST(VideoSizing, EnlargedFullScreenCropsFourThreeOnSixteenNine) {
  EXPECT_EQ(CoverRect({1920, 1080}, 640, 480), (TMyRect{0, -180, 1920, 1260}));
  // A 2.35:1 film on a 4:3 screen fills the height and cuts the sides.
  EXPECT_EQ(CoverRect({1024, 768}, 1880, 800), (TMyRect{-390, 0, 1415, 768}));
  EXPECT_EQ(RectWidth(CoverRect({1920, 1080}, 0, 0)), 0);
}

TEST(VideoSizing, DoubleClickLeavesWallpaperInsteadOfGoingFullScreen) {
  const TMyDoubleClick wall = DoubleClickStep(TMyScreenMode::Wallvideo, true);
  EXPECT_EQ(wall.mode, TMyScreenMode::Normal);
  EXPECT_TRUE(wall.wallpaper_command);
  EXPECT_EQ(DoubleClickStep(TMyScreenMode::Normal, true).mode, TMyScreenMode::FullScreen);
  EXPECT_EQ(DoubleClickStep(TMyScreenMode::Normal, false).mode, TMyScreenMode::MaxScreen);
  EXPECT_FALSE(DoubleClickStep(TMyScreenMode::MaxScreen, false).wallpaper_command);
}

TEST(VideoSizing, GesturesNeedMoreThanThreeDragThresholds) {
  EXPECT_EQ(GestureOf({100, 100}, {112, 88}, 4, 4), TMyGesture::Menu);
  EXPECT_EQ(GestureOf({100, 100}, {100, 87}, 4, 4), TMyGesture::PlayPause);  // screen y up
  EXPECT_EQ(GestureOf({100, 100}, {60, 110}, 4, 4), TMyGesture::Back);
}

TEST(VideoSizing, PanelsHideBeforeTheOtherSlidesInAndLabelSurvivesZeroHeight) {
  const std::vector<TMyPanelSlide> to_top = PanelSlides(false, true, true, false);
  ASSERT_EQ(to_top.size(), 2u);
  EXPECT_EQ(to_top[0], (TMyPanelSlide{false, false, true}));
  EXPECT_EQ(to_top[1], (TMyPanelSlide{true, true, true}));
  EXPECT_TRUE(PanelSlides(false, false, false, false).empty());
  EXPECT_EQ(PanelAtClick(1000, 1080, 60, 90), TMyPanelCall::Bottom);
  EXPECT_EQ(SizeLabelText(true, 640, 480, u"29.97", 800, 0), u"640x480 29.97fps [800x0 -:1]");
}

}  // namespace
}  // namespace mivaro
