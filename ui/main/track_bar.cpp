#include "ui/main/track_bar.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QProxyStyle>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QWheelEvent>

namespace mivaro {

// The application's style with the slider's thickness scaled.
class TMyTrackBarStyle : public QProxyStyle {
 public:
  int scale = 1;
  int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
    const int value = QProxyStyle::pixelMetric(metric, option, widget);
    if (metric == PM_SliderThickness || metric == PM_SliderControlThickness) return value * scale;
    return value;
  }
};

TMyTrackBar::TMyTrackBar(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
}

void TMyTrackBar::SetLargeThumb(bool large) {
  if (!style_ && !large) return;
  if (!style_) {
    style_ = new TMyTrackBarStyle;
    style_->setParent(this);
    setStyle(style_);
  }
  style_->scale = large ? 2 : 1;
  // The style's metrics changed: the widget measures itself again.
  QEvent change(QEvent::StyleChange);
  QCoreApplication::sendEvent(this, &change);
  updateGeometry();
  update();
}

QRect TMyTrackBar::ChannelRect() const {
  QStyleOptionSlider opt;
  initStyleOption(&opt);
  return style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderGroove, this);
}

QRect TMyTrackBar::ThumbRect() const {
  QStyleOptionSlider opt;
  initStyleOption(&opt);
  return style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, this);
}

double TMyTrackBar::ValueAtX(int x) const {
  const QRect channel = ChannelRect();
  const int h = (ThumbRect().width() + 1) / 2;  // half the thumb, rounded up
  const int start = channel.left() + h;
  const int end = channel.right() - h;
  if (x < start) return minimum();
  if (x > end) return maximum();
  const int length = channel.width() - 2 * h;
  if (length <= 0) return minimum();
  return minimum() + static_cast<double>(x - start) / length * (maximum() - minimum());
}

void TMyTrackBar::mousePressEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  if (event->button() == Qt::LeftButton && isEnabled() && ThumbRect().contains(pos)) {
    thumb_held_ = true;
    passed_press_ = true;
    QSlider::mousePressEvent(event);
  } else {
    passed_press_ = false;
    event->accept();
  }
  if (OnMouseDown) OnMouseDown(event->button(), pos);
}

void TMyTrackBar::mouseMoveEvent(QMouseEvent* event) {
  if (passed_press_) QSlider::mouseMoveEvent(event);
  if (OnMouseMove) OnMouseMove(event->buttons(), event->position().toPoint());
}

void TMyTrackBar::mouseReleaseEvent(QMouseEvent* event) {
  if (passed_press_) QSlider::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton) {
    thumb_held_ = false;
    passed_press_ = false;
  }
  if (OnMouseUp) OnMouseUp(event->button(), event->position().toPoint());
}

void TMyTrackBar::wheelEvent(QWheelEvent* event) {
  // The wheel never moves the position by accident.
  event->accept();
}

}  // namespace mivaro
