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
