#include "ui/desktop/form_bounds.h"

#include <QGuiApplication>
#include <QScreen>

namespace mivaro {
namespace {

TMyRect FromQRect(const QRect& r) { return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}; }

}  // namespace

TMyRect TMyFormBounds::BoundsRect() const {
  if (form_->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)) {
    const QRect normal = form_->normalGeometry();
    if (normal.isValid()) return FromQRect(normal);
  }
  return FromQRect(form_->geometry());
}

void TMyFormBounds::SetBoundsRect(const TMyRect& rect) {
  const int w = rect.right - rect.left;
  const int h = rect.bottom - rect.top;
  if (w <= 0 || h <= 0) return;
  // A window that was never placed and is given back its own corner (no stored bounds: the
  // default is the current rectangle) is only resized, so the window manager chooses where
  // it goes. Setting the corner would pin the client area at (0, 0) and push the title bar
  // above the screen.
  if (!form_->testAttribute(Qt::WA_Moved) && !form_->isVisible() &&
      QPoint(rect.left, rect.top) == form_->geometry().topLeft()) {
    form_->resize(w, h);
    return;
  }
  form_->setGeometry(rect.left, rect.top, w, h);
}

TMyRect TMyFormBounds::WorkAreaNear(const TMyRect& rect) const {
  QScreen* screen =
      QGuiApplication::screenAt(QPoint((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2));
  if (!screen) screen = QGuiApplication::primaryScreen();
  if (!screen) return rect;
  return FromQRect(screen->availableGeometry());
}

}  // namespace mivaro
