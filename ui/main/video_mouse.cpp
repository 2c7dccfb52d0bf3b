// The mouse on the video and on the form: double-clicks between the screen modes, the click
// latch after a switch, dragging the window (and with Ctrl the video inside it) with the snap
// back, right-button gestures, the wheel, and the full-screen panels a click calls up.
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QSequentialAnimationGroup>
#include <QStyleHints>
#include <QVariantAnimation>
#include <QWheelEvent>

#include "player/qt/directshow_player.h"
#include "player/qt/qt_screens.h"
#include "ui/main/app_mivaro.h"
#include "ui/main/busy_guard.h"
#include "ui/main/video_frame.h"

namespace mivaro {

namespace {

void Run(QAction* action) {
  if (action->isEnabled() && !IsBusy()) action->trigger();
}

TMyPoint ToMyPoint(QPoint p) { return {p.x(), p.y()}; }

// The visible part of a panel `k` pixels into a slide (k from 1 to its height).
QRegion SlideMask(const QWidget* panel, const TMyPanelSlide& slide, int k) {
  const int w = panel->width();
  const int h = panel->height();
  // Shown: the part that has rolled in; hidden: the part that has not rolled out yet.
  const int visible = slide.show ? k : h - k;
  const bool from_top = slide.show == slide.downward;
  return QRegion(0, from_top ? 0 : h - visible, w, std::max(visible, 0));
}

}  // namespace

bool TMyVideoFrame::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type == QEvent::Resize) {
    if (watched == form_.Panel_Video) Layout();
    if (watched == form_.centralWidget() && FullScreenWithVideo()) PlaceFullScreenParts();
    return false;
  }
  if (type == QEvent::WindowDeactivate && watched == &form_) {
    HidePanels();
    return false;
  }
  if (watched == form_.DShow_Player && type == QEvent::ContextMenu) return true;  // a gesture
  if (!watched->isWidgetType()) return false;
  return MouseEvent(static_cast<QWidget*>(watched), event);
}

bool TMyVideoFrame::MouseEvent(QWidget* widget, QEvent* event) {
  const bool video = widget == form_.DShow_Player || widget == form_.Panel_Video;
  if (!video && widget != &form_) return false;
  if (IsBusy()) return false;
  switch (event->type()) {
    case QEvent::MouseButtonDblClick: {
      auto* e = static_cast<QMouseEvent*>(event);
      if (e->button() != Qt::LeftButton) return false;
      DoubleClick(Shift());
      return true;
    }
    case QEvent::MouseButtonPress: {
      auto* e = static_cast<QMouseEvent*>(event);
      if (e->button() == Qt::LeftButton) {
        LeftDown(widget, e->globalPosition().toPoint(), e->modifiers());
        return true;
      }
      if (e->button() == Qt::RightButton) {
        gesture_start_ = e->globalPosition().toPoint();
        gesture_ = true;
        return true;
      }
      return false;
    }
    case QEvent::MouseMove: {
      auto* e = static_cast<QMouseEvent*>(event);
      if (!dragged_ || FullScreenWithVideo() || !(e->buttons() & Qt::LeftButton)) return false;
      const QPoint global = e->globalPosition().toPoint();
      if (dragged_ == &form_)
        form_.move(global - drag_offset_);
      else
        dragged_->move(dragged_->parentWidget()->mapFromGlobal(global) - drag_offset_);
      return true;
    }
    case QEvent::MouseButtonRelease: {
      auto* e = static_cast<QMouseEvent*>(event);
      if (e->button() == Qt::LeftButton) {
        LeftUp(e->modifiers() | (Ctrl() ? Qt::ControlModifier : Qt::NoModifier));
        return true;
      }
      if (e->button() == Qt::RightButton) {
        RightUp(e->globalPosition().toPoint());
        return true;
      }
      return false;  // the middle button is the capture tool's
    }
    case QEvent::Wheel: {
      if (!video) return false;
      auto* e = static_cast<QWheelEvent*>(event);
      const QPoint angle = e->angleDelta();
      Wheel(e->globalPosition().toPoint(), angle.y() != 0 ? angle.y() : angle.x(), e->buttons());
      return true;
    }
    default:
      return false;
  }
}

void TMyVideoFrame::DoubleClick(bool shift) {
  dragged_ = nullptr;
  const TMyDoubleClick step = DoubleClickStep(Mode(), shift);
  if (step.wallpaper_command) {
    form_.Action_Zoom_Wallvideo->setChecked(false);
    WallpaperCommand();
    return;
  }
  switch (step.mode) {
    case TMyScreenMode::FullScreen: form_.Action_Zoom_FullScreen->setChecked(true); break;
    case TMyScreenMode::MaxScreen: form_.Action_Zoom_MaxScreen->setChecked(true); break;
    default:
      form_.Action_Zoom_FullScreen->setChecked(false);
      form_.Action_Zoom_MaxScreen->setChecked(false);
      break;
  }
  ScreenModeCommand();
  click_latch_ = true;
}

void TMyVideoFrame::LeftDown(QWidget* widget, QPoint global, Qt::KeyboardModifiers keys) {
  (void)widget;
  if (FullScreenWithVideo()) {
    if (click_latch_) {
      click_latch_ = false;
      return;
    }
    const int y = form_.centralWidget()->mapFromGlobal(global).y();
    switch (PanelAtClick(y, form_.centralWidget()->height(), form_.Panel_Top->height(),
                         form_.Panel_Bottom->height())) {
      case TMyPanelCall::Top: CallPanels(true, false); break;
      case TMyPanelCall::Bottom: CallPanels(false, true); break;
      case TMyPanelCall::None: CallPanels(false, false); break;
    }
    return;
  }
  click_latch_ = false;
  const bool shift = keys.testFlag(Qt::ShiftModifier) || Shift();
  const bool ctrl = keys.testFlag(Qt::ControlModifier) || Ctrl();
  if (shift) {
    Run(form_.Action_Play_PlayPause);
    return;
  }
  if (ctrl) {
    dragged_ = form_.DShow_Player;
    drag_offset_ = form_.Panel_Video->mapFromGlobal(global) - dragged_->pos();
  } else {
    dragged_ = &form_;
    drag_offset_ = global - form_.pos();
  }
}

void TMyVideoFrame::LeftUp(Qt::KeyboardModifiers keys) {
  QWidget* dragged = dragged_;
  dragged_ = nullptr;
  if (dragged != form_.DShow_Player || !keys.testFlag(Qt::ControlModifier)) return;
  form_.DShow_Player->setGeometry(
      ToQRect(SnapBackRect(ToMyRect(form_.DShow_Player->geometry()), ToMyRect(form_.Panel_Video->rect()))));
}

void TMyVideoFrame::RightUp(QPoint global) {
  if (!gesture_) return;
  gesture_ = false;
  const int drag = QGuiApplication::styleHints()->startDragDistance();
  switch (GestureOf(ToMyPoint(gesture_start_), ToMyPoint(global), drag, drag)) {
    case TMyGesture::Menu: form_.PopupMenu_Main->popup(global); break;
    case TMyGesture::PlayPause: Run(form_.Action_Play_PlayPause); break;
    case TMyGesture::Replay: Run(form_.Action_Play_Replay); break;
    case TMyGesture::Back: Run(form_.Action_Play_Back); break;
    case TMyGesture::Next: Run(form_.Action_Play_Next); break;
  }
}

void TMyVideoFrame::Wheel(QPoint global, int delta, Qt::MouseButtons buttons) {
  (void)global;
  if (delta == 0) return;
  if (buttons & Qt::RightButton) {
    // Turning the wheel with the right button held skips; releasing it shows no menu.
    Run(delta < 0 ? form_.Action_Play_SkipNext : form_.Action_Play_SkipBack);
    gesture_ = false;
    return;
  }
  Run(delta < 0 ? form_.Action_Zoom_Down : form_.Action_Zoom_Up);
}

// ---- The full-screen panels -------------------------------------------------------------

void TMyVideoFrame::HidePanels() {
  if (FullScreenWithVideo() && !QCoreApplication::closingDown()) CallPanels(false, false);
}

void TMyVideoFrame::FinishSlides() {
  if (slides_) {
    QAbstractAnimation* running = slides_;
    slides_ = nullptr;
    running->stop();
    running->deleteLater();
  }
  for (const auto& [panel, show] : pending_) {
    panel->clearMask();
    panel->setVisible(show);
  }
  pending_.clear();
}

void TMyVideoFrame::CallPanels(bool top, bool bottom) {
  FinishSlides();
  QWidget* top_panel = form_.Panel_Top;
  QWidget* bottom_panel = form_.Panel_Bottom;
  const std::vector<TMyPanelSlide> slides =
      PanelSlides(top_panel->isVisible(), bottom_panel->isVisible(), top, bottom);
  const bool animate = slide_ms > 0 && QApplication::isEffectEnabled(Qt::UI_FadeMenu);
  if (!animate) {
    for (const TMyPanelSlide& s : slides) (s.top_panel ? top_panel : bottom_panel)->setVisible(s.show);
    return;
  }
  auto* group = new QSequentialAnimationGroup(this);
  for (const TMyPanelSlide& s : slides) {
    QWidget* panel = s.top_panel ? top_panel : bottom_panel;
    pending_.emplace_back(panel, s.show);
    auto* a = new QVariantAnimation(group);
    a->setDuration(slide_ms);
    a->setStartValue(1);
    a->setEndValue(std::max(panel->height(), 1));
    connect(a, &QVariantAnimation::valueChanged, panel, [panel, s](const QVariant& v) {
      panel->setMask(SlideMask(panel, s, v.toInt()));
      if (s.show && !panel->isVisible()) panel->show();
    });
    connect(a, &QAbstractAnimation::finished, panel, [panel, s] {
      panel->clearMask();
      panel->setVisible(s.show);
      if (s.show) panel->repaint();
    });
    group->addAnimation(a);
  }
  connect(group, &QAbstractAnimation::finished, this, [this, group] {
    if (slides_ != group) return;
    slides_ = nullptr;
    pending_.clear();
    group->deleteLater();
  });
  slides_ = group;
  group->start();
}

}  // namespace mivaro
