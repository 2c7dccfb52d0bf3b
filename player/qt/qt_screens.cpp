#include "player/qt/qt_screens.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace mivaro {

namespace {

void Rebuild() { SetScreen(QtScreensNow()); }

void Watch(QScreen* screen) {
  QObject::connect(screen, &QScreen::geometryChanged, qApp, [] { Rebuild(); });
  QObject::connect(screen, &QScreen::availableGeometryChanged, qApp, [] { Rebuild(); });
}

}  // namespace

TMyScreen QtScreensNow() {
  std::vector<TMyMonitor> monitors;
  QScreen* primary = QGuiApplication::primaryScreen();
  if (primary) monitors.push_back({ToMyRect(primary->geometry()), ToMyRect(primary->availableGeometry())});
  for (QScreen* s : QGuiApplication::screens())
    if (s != primary) monitors.push_back({ToMyRect(s->geometry()), ToMyRect(s->availableGeometry())});
  return TMyScreen(std::move(monitors));
}

int MonitorIndexOfWindow(const QWidget* window) {
  const QPoint p = window->frameGeometry().topLeft();
  return Screen().MonitorIndexAt({p.x(), p.y()});
}

TMyRect MonitorRectOfWindow(const QWidget* window) {
  return Screen().MonitorRectOfRect(ToMyRect(window->frameGeometry()));
}

void InstallQtScreens() {
  static bool installed = false;
  if (!installed && qApp) {
    installed = true;
    for (QScreen* s : QGuiApplication::screens()) Watch(s);
    QObject::connect(qApp, &QGuiApplication::screenAdded, qApp, [](QScreen* s) {
      Watch(s);
      Rebuild();
    });
    // The screen is still listed while this signal runs; rebuild once it has gone.
    QObject::connect(qApp, &QGuiApplication::screenRemoved, qApp,
                     [] { QMetaObject::invokeMethod(qApp, [] { Rebuild(); }, Qt::QueuedConnection); });
    QObject::connect(qApp, &QGuiApplication::primaryScreenChanged, qApp, [] { Rebuild(); });
  }
  Rebuild();
}

}  // namespace mivaro
