// TMyTrackBar: a horizontal slider that reports its mouse to its owner instead of paging.
//
// A press on the thumb drags it as usual (the thumb-hold state is true until the left
// button goes up); a press anywhere else does not move the thumb: the owner decides on
// mouse up what to do (skip or seek). ValueAtX() maps a mouse x to a value the way the
// seek bar's rules need it, and ChannelRect()/ThumbRect() give the geometry those rules
// test against.
#pragma once

#include <QSlider>
#include <functional>

namespace mivaro {

class TMyTrackBarStyle;

class TMyTrackBar : public QSlider {
  Q_OBJECT

 public:
  explicit TMyTrackBar(QWidget* parent = nullptr);

  // True while the left button holds the thumb.
  bool IsThumbHeld() const { return thumb_held_; }
  // The thumb's extent across the bar (its "length" in the trackbar sense): the style's own
  // when `large` is off, twice that when on. The bar's height follows from its owner.
  void SetLargeThumb(bool large);

  QRect ChannelRect() const;
  QRect ThumbRect() const;
  // Value under x: x before the channel's usable start gives the minimum, beyond its end
  // the maximum, in between the linear share of (maximum - minimum), not rounded.
  double ValueAtX(int x) const;

  std::function<void(Qt::MouseButton button, QPoint pos)> OnMouseDown;
  std::function<void(Qt::MouseButtons buttons, QPoint pos)> OnMouseMove;
  std::function<void(Qt::MouseButton button, QPoint pos)> OnMouseUp;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  TMyTrackBarStyle* style_ = nullptr;
  bool thumb_held_ = false;
  bool passed_press_ = false;  // the press went to QSlider (thumb drag)
};

}  // namespace mivaro
