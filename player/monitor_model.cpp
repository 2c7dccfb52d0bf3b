#include "player/monitor_model.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <utility>

namespace mivaro {

namespace {

bool Holds(const TMyRect& r, TMyPoint p) {
  return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

std::int64_t OverlapArea(const TMyRect& a, const TMyRect& b) {
  const std::int64_t w = std::min(a.right, b.right) - std::max(a.left, b.left);
  const std::int64_t h = std::min(a.bottom, b.bottom) - std::max(a.top, b.top);
  return w > 0 && h > 0 ? w * h : 0;
}

// Squared distance between two rectangles (0 when they touch or overlap).
std::int64_t Distance2(const TMyRect& a, const TMyRect& b) {
  const std::int64_t dx = std::max({0, b.left - a.right + 1, a.left - b.right + 1});
  const std::int64_t dy = std::max({0, b.top - a.bottom + 1, a.top - b.bottom + 1});
  return dx * dx + dy * dy;
}

TMyScreen& Instance() {
  static TMyScreen screen;
  return screen;
}

}  // namespace

TMyScreen::TMyScreen(std::vector<TMyMonitor> monitors) : monitors_(std::move(monitors)) {
  for (const TMyMonitor& m : monitors_) {
    const TMyRect& b = m.BoundsRect;
    if (b.right <= b.left || b.bottom <= b.top) continue;
    desktop_.left = std::min(desktop_.left, b.left);
    desktop_.top = std::min(desktop_.top, b.top);
    desktop_.right = std::max(desktop_.right, b.right);
    desktop_.bottom = std::max(desktop_.bottom, b.bottom);
  }
}

const TMyMonitor& TMyScreen::Monitors(int index) const {
  static const TMyMonitor none;
  if (monitors_.empty()) return none;
  return monitors_[static_cast<std::size_t>(std::clamp(index, 0, MonitorCount() - 1))];
}

int TMyScreen::MonitorIndexAt(TMyPoint p) const {
  for (int i = 0; i < MonitorCount(); ++i)
    if (Holds(monitors_[static_cast<std::size_t>(i)].BoundsRect, p)) return i;
  return -1;
}

const TMyMonitor& TMyScreen::MonitorAt(const TMyRect& r) const {
  return Monitors(MonitorIndexAt({r.left, r.top}));
}

int TMyScreen::NearestMonitorIndexOfRect(const TMyRect& r) const {
  int best = -1;
  std::int64_t best_area = 0;
  std::int64_t best_distance = INT64_MAX;
  for (int i = 0; i < MonitorCount(); ++i) {
    const TMyRect& b = monitors_[static_cast<std::size_t>(i)].BoundsRect;
    const std::int64_t area = OverlapArea(b, r);
    const std::int64_t distance = Distance2(b, r);
    if (area > best_area || (best_area == 0 && area == 0 && distance < best_distance)) {
      best = i;
      best_area = area;
      best_distance = distance;
    }
  }
  return best;
}

TMyRect TMyScreen::MonitorRectOfRect(const TMyRect& r) const {
  const int i = NearestMonitorIndexOfRect(r);
  return i < 0 ? TMyRect{} : monitors_[static_cast<std::size_t>(i)].BoundsRect;
}

TMyRect TMyScreen::MonitorRectOfPoint(TMyPoint p) const {
  return MonitorRectOfRect({p.x, p.y, p.x + 1, p.y + 1});
}

TMyRect TMyScreen::WorkareaOfPoint(TMyPoint p) const {
  const int i = NearestMonitorIndexOfRect({p.x, p.y, p.x + 1, p.y + 1});
  return i < 0 ? TMyRect{} : monitors_[static_cast<std::size_t>(i)].WorkareaRect;
}

TMyRect TMyScreen::OnExistingMonitor(const TMyRect& bounds) const {
  // The centre as the toolkit gives it: the middle of the first and the last pixel.
  const TMyPoint centre{(bounds.left + bounds.right - 1) / 2, (bounds.top + bounds.bottom - 1) / 2};
  const TMyRect monitor = MonitorRectOfRect(bounds);
  if (RectWidth(monitor) <= 0 || MonitorIndexAt(centre) >= 0) return bounds;
  return CenterRectIn(WorkareaOfPoint({monitor.left, monitor.top}), bounds);
}

const TMyScreen& Screen() { return Instance(); }

void SetScreen(TMyScreen screen) { Instance() = std::move(screen); }

}  // namespace mivaro
