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

}  // namespace
}  // namespace mivaro
