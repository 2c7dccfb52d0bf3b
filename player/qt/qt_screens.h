// The monitor model filled from Qt's screens.
//
// InstallQtScreens() builds the program-wide TMyScreen from QGuiApplication::screens() (the
// primary first, then the others in Qt's order) and rebuilds it whenever a screen is added
// or removed or changes its geometry or work area. Call it once, after the application
// object exists.
#pragma once

#include <QRect>

class QWidget;

#include "player/monitor_model.h"

namespace mivaro {

void InstallQtScreens();
// The monitors as Qt reports them now.
TMyScreen QtScreensNow();

// The lookups by window, on the program-wide model: the index of the monitor that holds the
// window's top-left corner (-1: none), and the bounds of the monitor nearest to the window
// (the one it overlaps most), empty when there is no monitor.
int MonitorIndexOfWindow(const QWidget* window);
TMyRect MonitorRectOfWindow(const QWidget* window);

inline TMyRect ToMyRect(const QRect& r) {
  return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}
inline QRect ToQRect(const TMyRect& r) {
  return QRect(r.left, r.top, RectWidth(r), RectHeight(r));
}

}  // namespace mivaro
