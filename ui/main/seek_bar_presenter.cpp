#include "ui/main/seek_bar_presenter.h"

#include <QAction>
#include <QToolTip>

#include "ui/main/time_text.h"
#include "ui/main/track_bar.h"

namespace mivaro {

TMySeekBarPresenter::TMySeekBarPresenter(TMyTrackBar* bar, QAction* skip_back, QAction* skip_next,
                                         TCommands commands, QObject* parent)
    : QObject(parent), bar_(bar), skip_back_(skip_back), skip_next_(skip_next),
      commands_(std::move(commands)) {
  bar_->OnMouseDown = [this](Qt::MouseButton b, QPoint p) { MouseDown(b, p); };
  bar_->OnMouseMove = [this](Qt::MouseButtons b, QPoint p) { MouseMove(b, p); };
  bar_->OnMouseUp = [this](Qt::MouseButton b, QPoint p) { MouseUp(b, p); };
  // The picture follows a dragged thumb with quick key-frame seeks; letting go seeks
  // exactly (MouseUp).
  connect(bar_, &QSlider::sliderMoved, this, [this](int value) { commands_.scrub_to(value); });
}

void TMySeekBarPresenter::ShowPosition(int seconds) {
  seeking_ = true;
  bar_->setValue(seconds);
  seeking_ = false;
}

void TMySeekBarPresenter::SetLength(int length) {
  seeking_ = true;
  bar_->setRange(0, length);
  seeking_ = false;
}

void TMySeekBarPresenter::Follow(int seconds) {
  if (!bar_->IsThumbHeld() && !thumb_pressed_ && !seeking_) bar_->setValue(seconds);
}

void TMySeekBarPresenter::BeginSeek(double seconds) {
  seeking_ = true;
  bar_->setValue(static_cast<int>(seconds));
}

void TMySeekBarPresenter::MouseDown(Qt::MouseButton button, QPoint pos) {
  if (button != Qt::LeftButton) {
    thumb_pressed_ = false;
    bar_->releaseMouse();
  } else if (bar_->ThumbRect().contains(pos)) {
    thumb_pressed_ = true;
  }
}

void TMySeekBarPresenter::MouseMove(Qt::MouseButtons buttons, QPoint pos) {
  QString hint;
  if (bar_->minimum() < bar_->maximum()) {
    const QRect channel = bar_->ChannelRect();
    if (buttons.testFlag(Qt::LeftButton) && bar_->IsThumbHeld()) {
      hint = SecondsHint(bar_->value());
    } else if (pos.x() < channel.left()) {
      hint = skip_back_->toolTip();
    } else if (pos.x() > channel.right()) {
      hint = skip_next_->toolTip();
    } else {
      const int value = static_cast<int>(bar_->ValueAtX(pos.x()));
      hint = SecondsHint(value);
    }
  }
  bar_->setToolTip(hint);
  if (hint.isEmpty()) {
    QToolTip::hideText();
  } else {
    QToolTip::showText(bar_->mapToGlobal(pos), hint, bar_);
  }
}

void TMySeekBarPresenter::MouseUp(Qt::MouseButton button, QPoint pos) {
  if (button != Qt::LeftButton) return;
  if (thumb_pressed_) {
    commands_.seek_to(bar_->value());
  } else {
    const QRect channel = bar_->ChannelRect();
    if (pos.x() < channel.left()) {
      if (skip_back_->isEnabled()) commands_.skip(-1);
    } else if (pos.x() > channel.right()) {
      if (skip_next_->isEnabled()) commands_.skip(+1);
    } else {
      commands_.seek_to(bar_->ValueAtX(pos.x()));
    }
  }
  thumb_pressed_ = false;
}

}  // namespace mivaro
