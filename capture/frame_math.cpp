#include "capture/frame_math.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace mivaro::capture {

double ClampSeek(const FrameClock& c, double t) {
  const double last = std::max(0.0, c.duration - c.frameDuration);
  return std::clamp(t, 0.0, last);
}

double StepTarget(const FrameClock& c, int n) {
  // Both ways the target is the middle of the wanted frame: a seek shows the frame that
  // contains its target, so half a frame before the wanted frame's start (FrameTime -
  // 1.5 FD for one frame back) would show the frame before it.
  const double fd = c.frameDuration;
  return ClampSeek(c, c.frameTime + n * fd + fd / 2);
}

Placement PlaceCapture(const FrameClock& c, int n, double t) {
  Placement p;
  p.captureStart = t + n * c.frameDuration;
  const double lead = n > 0 ? 0.4 * c.frameDuration : -0.6 * c.frameDuration;
  p.seekTo = ClampSeek(c, p.captureStart + lead);
  return p;
}

bool NearEnd(const FrameClock& c) {
  return !(c.duration - c.thumbs * c.frameDuration > c.frameTime);
}

double CaptureEndTime(const FrameClock& c) { return c.duration - 1.5 * c.frameDuration; }

int CaptureTimerInterval(double frameDuration) {
  const int ms = static_cast<int>(frameDuration * 1000.0);
  if (ms <= 0) return 30;
  return std::min(ms, 30);
}

int ThumbnailCount(int frameClientWidth, int backWidth, int nextWidth, int panelWidth) {
  if (panelWidth <= 0) return 5;
  return std::max(5, (frameClientWidth - backWidth - nextWidth) / panelWidth);
}

namespace {

constexpr std::array<double, 20> kZoomAboveOne = {0.9, 1.0, 1.1, 1.2, 1.3, 1.4, 1.5,
                                                  1.6, 1.7, 1.8, 1.9, 2.0, 3.0, 4.0,
                                                  5.0, 6.0, 7.0, 8.0, 9.0, 10.0};

// Below 1: snap to the nearest tenth and move one tenth; below a tenth the same rule runs
// on ten times the scale, so the steps continue in hundredths.
double ZoomBelowOne(double scale, bool up) {
  if (scale < 0.1) {
    const double r = ZoomBelowOne(scale * 10.0, up) / 10.0;
    return std::max(r, 0.01);
  }
  const double tenths = std::round(scale * 10.0);
  const double next = up ? tenths + 1 : tenths - 1;
  if (next <= 0) return 0.09;
  return next / 10.0;
}

}  // namespace

double ZoomStep(double scale, bool up) {
  if (!(scale > 0)) return 1.0;
  if (scale < 1.0) return ZoomBelowOne(scale, up);
  std::size_t nearest = 0;
  for (std::size_t i = 1; i < kZoomAboveOne.size(); ++i) {
    if (std::abs(kZoomAboveOne[i] - scale) < std::abs(kZoomAboveOne[nearest] - scale)) {
      nearest = i;
    }
  }
  if (up) return kZoomAboveOne[std::min(nearest + 1, kZoomAboveOne.size() - 1)];
  return kZoomAboveOne[nearest == 0 ? 0 : nearest - 1];
}

}  // namespace mivaro::capture
