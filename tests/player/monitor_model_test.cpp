#include "player/monitor_model.h"

#include <gtest/gtest.h>

namespace mivaro {
namespace {

// A 1920 x 1080 primary and a 1280 x 1024 monitor to its left.
TMyScreen LeftOfPrimary() {
  return TMyScreen({{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}},
                    {{-1280, 0, 0, 1024}, {-1280, 0, 0, 1024}}});
}

TEST(MonitorModel, DesktopSpansMonitorLeftOfOrigin) {
  const TMyScreen s = LeftOfPrimary();
  EXPECT_EQ(s.DesktopRect(), (TMyRect{-1280, 0, 1920, 1080}));
  EXPECT_EQ(s.DesktopWidth(), 3200);
  EXPECT_EQ(s.MonitorIndexAt({-1, 500}), 1);
  EXPECT_EQ(s.MonitorIndexAt({0, 0}), 0);
  EXPECT_EQ(s.MonitorIndexAt({-10, 1050}), -1);  // below the shorter monitor
  EXPECT_EQ(s.Monitors(7).Left(), -1280);        // clamped
}

TEST(MonitorModel, WindowHalfOffTheDesktopFindsNearestMonitor) {
  const TMyScreen s = LeftOfPrimary();
  // Mostly on the left monitor although its corner lies on no monitor at all.
  EXPECT_EQ(s.MonitorRectOfRect({-1500, 100, -200, 600}), (TMyRect{-1280, 0, 0, 1024}));
  EXPECT_EQ(s.MonitorRectOfPoint({5000, 5000}), (TMyRect{0, 0, 1920, 1080}));
  EXPECT_EQ(s.WorkareaOfPoint({100, 100}).bottom, 1040);
  EXPECT_EQ(TMyScreen().MonitorRectOfPoint({0, 0}), TMyRect{});
}

// A window whose centre is on no monitor (its monitor went away) is centred in the work
// area of the nearest one; one whose centre is on a monitor stays, even half off it.
TEST(MonitorModel, WindowsComeBackOntoAMonitorThatExists) {
  const TMyScreen s = LeftOfPrimary();
  // 400 x 300, centre (-1100, 1150) below the left monitor: into its work area.
  EXPECT_EQ(s.OnExistingMonitor({-1300, 1000, -900, 1300}), (TMyRect{-840, 362, -440, 662}));
  // Centre (1800, 500) on the primary although the right part is off the desktop.
  EXPECT_EQ(s.OnExistingMonitor({1600, 350, 2000, 650}), (TMyRect{1600, 350, 2000, 650}));
  EXPECT_EQ(TMyScreen().OnExistingMonitor({5, 5, 10, 10}), (TMyRect{5, 5, 10, 10}));
}

}  // namespace
}  // namespace mivaro
