// The monitor model: every display monitor's bounds and work area in virtual-desktop
// coordinates, and the lookups the window code and the wallpaper composer use.
//
// The model itself knows no toolkit. A source (the Qt screens in the desktop layer, or a
// synthetic layout in tests) fills it; one program-wide instance is rebuilt whenever a
// screen is added, removed or resized.
#pragma once

#include <vector>

#include "core/numbers.h"

namespace mivaro {

struct TMyMonitor {
  TMyRect BoundsRect;
  TMyRect WorkareaRect;

  int Left() const { return BoundsRect.left; }
  int Top() const { return BoundsRect.top; }
  int Width() const { return RectWidth(BoundsRect); }
  int Height() const { return RectHeight(BoundsRect); }
};

class TMyScreen {
 public:
  TMyScreen() = default;
  // Monitors in the system's enumeration order (the primary first).
  explicit TMyScreen(std::vector<TMyMonitor> monitors);

  int MonitorCount() const { return static_cast<int>(monitors_.size()); }
  // Index clamped into 0 .. count - 1; an empty model answers an all-zero monitor.
  const TMyMonitor& Monitors(int index) const;

  // The smallest rectangle holding (0, 0) and every monitor's bounds.
  TMyRect DesktopRect() const { return desktop_; }
  int DesktopLeft() const { return desktop_.left; }
  int DesktopTop() const { return desktop_.top; }
  int DesktopWidth() const { return RectWidth(desktop_); }
  int DesktopHeight() const { return RectHeight(desktop_); }

  // Index of the monitor whose bounds hold the point, -1 when none.
  int MonitorIndexAt(TMyPoint p) const;
  // The monitor of the rectangle's top-left corner, index clamped into range.
  const TMyMonitor& MonitorAt(const TMyRect& r) const;
  // Index of the monitor that shares the most area with the rectangle; when none does,
  // the nearest one. -1 only for an empty model.
  int NearestMonitorIndexOfRect(const TMyRect& r) const;
  // Bounds of the monitor nearest to the rectangle or the point; empty when there is none.
  TMyRect MonitorRectOfRect(const TMyRect& r) const;
  TMyRect MonitorRectOfPoint(TMyPoint p) const;
  // Work area of the monitor nearest to the point; empty when there is none.
  TMyRect WorkareaOfPoint(TMyPoint p) const;
  // A window's bounds when their centre lies on a monitor; otherwise the same size centred
  // in the work area of the monitor nearest to them (unchanged when there is none). A
  // window coming back from full screen, or off a monitor that went away, lands there.
  TMyRect OnExistingMonitor(const TMyRect& bounds) const;

 private:
  std::vector<TMyMonitor> monitors_;
  TMyRect desktop_;
};

// The program-wide model. Empty until a source installs one.
const TMyScreen& Screen();
void SetScreen(TMyScreen screen);

}  // namespace mivaro
