// Frame arithmetic against hand-computed positions of a 25 fps strip of five.
#include <gtest/gtest.h>

#include "capture/frame_math.h"

using namespace mivaro::capture;

namespace {
FrameClock Clock25(double frameTime) { return {60.0, 0.04, frameTime, 5}; }
}  // namespace

TEST(FrameMath, PlacingTheStripBeforeTheFirstThumbnail) {
  // Five frames before a strip whose first frame is at 10.0 s.
  const Placement p = PlaceCapture(Clock25(0), -6, 10.0);
  EXPECT_NEAR(p.captureStart, 9.76, 1e-9);
  EXPECT_NEAR(p.seekTo, 9.736, 1e-9);
  // After the strip the seek goes 0.4 frames past the start.
  EXPECT_NEAR(PlaceCapture(Clock25(0), 1, 10.0).seekTo, 10.056, 1e-9);
  // A placement before the start of the file seeks to 0.
  EXPECT_EQ(PlaceCapture(Clock25(0), -6, 0.1).seekTo, 0.0);
}

TEST(FrameMath, StepsLandInsideTheWantedFrame) {
  EXPECT_NEAR(StepTarget(Clock25(2.0), 1), 2.06, 1e-9);
  EXPECT_NEAR(StepTarget(Clock25(2.0), 5), 2.22, 1e-9);
  EXPECT_NEAR(StepTarget(Clock25(2.0), -1), 1.98, 1e-9);  // inside 1.96 .. 2.00
  EXPECT_NEAR(StepTarget(Clock25(2.0), -5), 1.82, 1e-9);  // inside 1.80 .. 1.84
  EXPECT_EQ(StepTarget(Clock25(0.0), -1), 0.0);
  EXPECT_NEAR(StepTarget(Clock25(59.95), 1), 59.96, 1e-9);  // last frame, not past the end
}

TEST(FrameMath, NearEndAndEarlyStop) {
  EXPECT_FALSE(NearEnd(Clock25(59.79)));
  EXPECT_TRUE(NearEnd(Clock25(59.8)));  // 60 - 5 x 0.04 is not greater than 59.8
  EXPECT_NEAR(CaptureEndTime(Clock25(0)), 59.94, 1e-9);
}

TEST(FrameMath, TimerIntervalAndPanelCount) {
  EXPECT_EQ(CaptureTimerInterval(0.04), 30);
  EXPECT_EQ(CaptureTimerInterval(1.0 / 60), 16);
  EXPECT_EQ(CaptureTimerInterval(0.0), 30);
  EXPECT_EQ(ThumbnailCount(500, 20, 20, 92), 5);
  EXPECT_EQ(ThumbnailCount(1000, 20, 20, 92), 10);
}

TEST(FrameMath, ZoomWalksTheTable) {
  EXPECT_DOUBLE_EQ(ZoomStep(1.0, true), 1.1);
  EXPECT_DOUBLE_EQ(ZoomStep(2.0, true), 3.0);
  EXPECT_DOUBLE_EQ(ZoomStep(2.4, false), 1.9);  // snaps to 2.0 first
  EXPECT_DOUBLE_EQ(ZoomStep(10.0, true), 10.0);
  EXPECT_DOUBLE_EQ(ZoomStep(0.43, false), 0.3);
  EXPECT_DOUBLE_EQ(ZoomStep(0.1, false), 0.09);
  EXPECT_DOUBLE_EQ(ZoomStep(0.05, false), 0.04);
}
