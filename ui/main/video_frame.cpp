// The main window's sizing commands and screen modes: fixed zoom, zoom steps, the aspect
// presets, the layout of the player in the video area, the size label, and full screen
// (letterboxed or filling the screen) with the exact way back.
#include <QAction>
#include <QActionGroup>
#include <QCursor>
#include <QEvent>
#include <QApplication>
#include <QComboBox>
#include <QSlider>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>

#include "core/hooks.h"
#include "player/qt/directshow_player.h"
#include "player/qt/qt_screens.h"
#include "ui/main/app_mivaro.h"
#include "ui/main/busy_guard.h"
#include "ui/main/playlist_combo.h"
#include "ui/main/track_bar.h"
#include "ui/main/video_frame.h"

namespace mivaro {

namespace {

QVBoxLayout* Column(TApp_Mivaro& form) {
  return qobject_cast<QVBoxLayout*>(form.centralWidget()->layout());
}

int PrimaryWorkWidth() {
  const QScreen* primary = QGuiApplication::primaryScreen();
  return primary ? primary->availableGeometry().width() : 0;
}

TMyHeightForWidth PictureHeight(TMyDirectShowPlayer* player) {
  if (!player->HasVideo()) return {};
  return [player](int w) { return player->HeightForWidth(w); };
}

// The height a panel takes when it is called up over the full-screen video.
int PanelHeight(const QWidget* panel) {
  return std::max(panel->sizeHint().height(), panel->minimumHeight());
}

}  // namespace

TMyVideoFrame::TMyVideoFrame(TApp_Mivaro& form) : QObject(&form), form_(form) {}

TMyVideoFrame::~TMyVideoFrame() = default;

void TMyVideoFrame::Attach() {
  InstallQtScreens();
  TMyDirectShowPlayer* player = form_.DShow_Player;
  // The player is placed by hand: it fills the video area, except while the video is zoomed
  // or dragged inside the window, or covers the screen in the enlarged full-screen mode.
  if (QLayout* own = form_.Panel_Video->layout()) own->removeWidget(player);
  form_.Panel_Video->installEventFilter(this);
  form_.centralWidget()->installEventFilter(this);
  player->installEventFilter(this);
  form_.installEventFilter(this);

  const auto bind = [this](QAction* action, auto command) {
    connect(action, &QAction::triggered, this, [command] {
      if (!IsBusy()) command();
    });
  };
  bind(form_.Action_Zoom_50, [this] { FixedZoom(50); });
  bind(form_.Action_Zoom_100, [this] { FixedZoom(100); });
  bind(form_.Action_Zoom_200, [this] { FixedZoom(200); });
  bind(form_.Action_Zoom_Up, [this] { ZoomStep(+1); });
  bind(form_.Action_Zoom_Down, [this] { ZoomStep(-1); });
  bind(form_.Action_Zoom_Fit, [this] { AspectFit(0); });
  const std::pair<QAction*, TMyAspectPreset> presets[] = {
      {form_.Action_Zoom_AspectStandard, TMyAspectPreset::Standard},
      {form_.Action_Zoom_AspectHiVision, TMyAspectPreset::HiVision},
      {form_.Action_Zoom_AspectEVista, TMyAspectPreset::EVista},
      {form_.Action_Zoom_AspectAVista, TMyAspectPreset::AVista},
      {form_.Action_Zoom_AspectWideScope, TMyAspectPreset::WideScope}};
  for (const auto& [action, preset] : presets) {
    const double factor = AspectHeightFactor(preset);
    bind(action, [this, factor] { AspectFit(factor); });
  }
  bind(form_.Action_Zoom_FullScreen, [this] { ScreenModeCommand(); });
  bind(form_.Action_Zoom_MaxScreen, [this] { ScreenModeCommand(); });
  bind(form_.Action_Zoom_Wallvideo, [this] { WallpaperCommand(); });


  connect(qApp, &QGuiApplication::screenRemoved, this, [this] {
    // Qt still lists the screen while it tells; look once the model was rebuilt.
    QMetaObject::invokeMethod(this, [this] { ScreenRemoved(); }, Qt::QueuedConnection);
  });
  connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState s) {
    if (s != Qt::ApplicationActive) HidePanels();
  });
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
    if (old != form_.DShow_Player) return;
    if (now == form_.TrackBar_Seek || now == form_.ComboBox_Playlist || now == form_.TrackBar_Volume)
      return;
    HidePanels();
  });
  Layout();
}

bool TMyVideoFrame::Shift() const {
  if (form_.HeldKeys) return form_.HeldKeys().testFlag(Qt::ShiftModifier);
  return HeldModifiers().shift;
}

bool TMyVideoFrame::Ctrl() const {
  if (form_.HeldKeys) return form_.HeldKeys().testFlag(Qt::ControlModifier);
  return HeldModifiers().ctrl;
}

TMyScreenMode TMyVideoFrame::Mode() const {
  if (form_.Action_Zoom_FullScreen->isChecked()) return TMyScreenMode::FullScreen;
  if (form_.Action_Zoom_MaxScreen->isChecked()) return TMyScreenMode::MaxScreen;
  if (form_.Action_Zoom_Wallvideo->isChecked()) return TMyScreenMode::Wallvideo;
  return TMyScreenMode::Normal;
}

bool TMyVideoFrame::FullScreenWithVideo() const { return full_ && form_.DShow_Player->HasVideo(); }

QSize TMyVideoFrame::AreaSize() const { return form_.Panel_Video->size(); }

// The work area of the monitor under the cursor, less the window manager's frame.
QSize TMyVideoFrame::MaxWindowSize() const {
  const QPoint cursor = QCursor::pos();
  const TMyRect work = Screen().WorkareaOfPoint({cursor.x(), cursor.y()});
  if (RectWidth(work) <= 0 || RectHeight(work) <= 0) return {};
  const QSize frame = form_.frameGeometry().size() - form_.geometry().size();
  return {RectWidth(work) - frame.width(), RectHeight(work) - frame.height()};
}

void TMyVideoFrame::ResizeWindow(QSize size) {
  const QSize minimum = form_.minimumSize().expandedTo(form_.minimumSizeHint());
  const QSize maximum = MaxWindowSize();
  const TMySize s = ClampWindowSize({size.width(), size.height()},
                                    {minimum.width(), minimum.height()},
                                    {maximum.width(), maximum.height()});
  form_.resize(s.width, s.height);
}

// ---- Commands ---------------------------------------------------------------------------

void TMyVideoFrame::FixedZoom(int percent) {
  TMyDirectShowPlayer* player = form_.DShow_Player;
  if (!player->HasVideo() || full_ || Mode() == TMyScreenMode::FullScreen ||
      Mode() == TMyScreenMode::MaxScreen)
    return;
  const TMySize target = FixedZoomArea(player->VideoWidth(), player->VideoHeight(), percent);
  const QSize area = AreaSize();
  ResizeWindow({target.width + form_.width() - area.width(),
                target.height + form_.height() - area.height()});
}

void TMyVideoFrame::AspectFit(double factor) {
  TMyDirectShowPlayer* player = form_.DShow_Player;
  if (full_) return;
  if (factor == 0) {
    if (!player->HasVideo()) return;
    factor = static_cast<double>(player->VideoHeight()) / player->VideoWidth();
  }
  const QSize area = AreaSize();
  const int h = AspectFitHeight(area.width(), factor);
  if (h <= 0) return;
  const QSize maximum = MaxWindowSize();
  int height = h + form_.height() - area.height();
  if (maximum.height() > 0) height = std::min(height, maximum.height());
  form_.resize(form_.width(), height);
}

void TMyVideoFrame::ZoomStep(int delta) {
  if (full_ || Mode() == TMyScreenMode::FullScreen || Mode() == TMyScreenMode::MaxScreen) return;
  TMyBusyScope busy;
  TMyDirectShowPlayer* player = form_.DShow_Player;
  const bool shift = Shift();
  const int work = PrimaryWorkWidth();
  const QSize area = AreaSize();
  if (player->HasVideo() && Ctrl()) {
    if (Mode() == TMyScreenMode::Wallvideo) return;
    const QRect bounds = player->geometry();
    std::optional<TMyPoint> cursor;
    const QPoint c = player->mapFromGlobal(QCursor::pos());
    if (player->rect().contains(c)) cursor = TMyPoint{c.x(), c.y()};
    const auto r = InnerZoomRect(ToMyRect(bounds), {area.width(), area.height()}, delta,
                                 ZoomStepSize(bounds.width(), shift, work), PictureHeight(player),
                                 cursor);
    if (r) {
      player->setGeometry(ToQRect(*r));
      UpdateSizeLabel();
    }
    return;
  }
  const TMySize s = WindowZoomSize({form_.width(), form_.height()}, {area.width(), area.height()},
                                   delta, ZoomStepSize(area.width(), shift, work),
                                   PictureHeight(player));
  // The work area under the cursor stays the window's limit from now on.
  const QSize maximum = MaxWindowSize();
  if (maximum.isValid()) form_.setMaximumSize(maximum);
  ResizeWindow({s.width, s.height});
}

void TMyVideoFrame::ScreenModeCommand() {
  const TMyScreenMode mode = Mode();
  if (form_.DShow_Player->HasVideo() &&
      (mode == TMyScreenMode::FullScreen || mode == TMyScreenMode::MaxScreen))
    EnterFullScreen();
  else
    LeaveFullScreen();
  UpdateSizeLabel();
  form_.UpdateActionStates();
}

void TMyVideoFrame::WallpaperCommand() {
  const bool on = form_.Action_Zoom_Wallvideo->isChecked();
  if (on && full_) LeaveFullScreen();
  if (wallpaper_) {
    wallpaper_(on);
  } else {
    // No desktop side: wallpaper video cannot start, and nothing else changes.
    if (on) form_.Action_Zoom_Wallvideo->setChecked(false);
    BringVideoHome();
  }
  UpdateSizeLabel();
  form_.UpdateActionStates();
}

void TMyVideoFrame::ApplyScreenModes() {
  if (form_.Action_Zoom_Wallvideo->isChecked()) WallpaperCommand();
  if (Mode() == TMyScreenMode::FullScreen || Mode() == TMyScreenMode::MaxScreen) ScreenModeCommand();
}

void TMyVideoFrame::LeaveScreenModes() {
  if (form_.Action_Zoom_Wallvideo->isChecked())
    WallpaperCommand();
  else if (Mode() == TMyScreenMode::FullScreen || Mode() == TMyScreenMode::MaxScreen || full_)
    ScreenModeCommand();
}

void TMyVideoFrame::LeaveForClose() {
  FinishSlides();
  LeaveFullScreen();
}

// ---- Layout -----------------------------------------------------------------------------

void TMyVideoFrame::Layout() {
  if (FullScreenWithVideo()) {
    PlaceFullScreenParts();
  } else {
    form_.DShow_Player->setGeometry(form_.Panel_Video->rect());
  }
  UpdateSizeLabel();
}

void TMyVideoFrame::UpdateSizeLabel() {
  TMyDirectShowPlayer* player = form_.DShow_Player;
  const bool video = player->HasVideo();
  form_.Label_Size->setText(QString::fromStdU16String(SizeLabelText(
      video, player->VideoWidth(), player->VideoHeight(), video ? player->FrameRateText() : WString(),
      player->width(), player->height())));
}

void TMyVideoFrame::BringVideoHome() {
  TMyDirectShowPlayer* player = form_.DShow_Player;
  const TMyWindowHandle own = TMyDirectShowPlayer::WindowOf(player);
  if (player->VideoOwner() == own || form_.isMinimized()) return;
  player->SetVideoOwner(own);
  player->StopWallVideo();
  Layout();
}

// ---- Full screen ------------------------------------------------------------------------

void TMyVideoFrame::EnterFullScreen() {
  // A video on the desktop comes home first: the desktop window is given back and the
  // user's wallpaper restored.
  if (wallpaper_back_) wallpaper_back_();
  BringVideoHome();
  if (!full_) {
    FinishSlides();
    was_maximized_ = form_.isMaximized();
    normal_geometry_ = was_maximized_ ? form_.normalGeometry() : form_.geometry();
    max_size_ = form_.maximumSize();
    full_ = true;
    // The panels leave the layout and float over the video until a click calls them up.
    QVBoxLayout* column = Column(form_);
    panel_rows_ = {column->indexOf(form_.Panel_Top), column->indexOf(form_.Panel_Bottom)};
    form_.Panel_Top->hide();
    form_.Panel_Bottom->hide();
    column->removeWidget(form_.Panel_Top);
    column->removeWidget(form_.Panel_Bottom);
    form_.menuBar()->hide();
    form_.setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    form_.showFullScreen();
  }
  PlaceFullScreenParts();
}

void TMyVideoFrame::PlaceFullScreenParts() {
  TMyDirectShowPlayer* player = form_.DShow_Player;
  const QSize client = form_.Panel_Video->size();
  if (Mode() == TMyScreenMode::MaxScreen)
    player->setGeometry(ToQRect(CoverRect({client.width(), client.height()}, player->VideoWidth(),
                                          player->VideoHeight())));
  else
    player->setGeometry(QRect(QPoint(0, 0), client));
  const QSize central = form_.centralWidget()->size();
  const int top = PanelHeight(form_.Panel_Top);
  const int bottom = PanelHeight(form_.Panel_Bottom);
  form_.Panel_Top->setGeometry(0, 0, central.width(), top);
  form_.Panel_Bottom->setGeometry(0, central.height() - bottom, central.width(), bottom);
  form_.Panel_Top->raise();
  form_.Panel_Bottom->raise();
}

void TMyVideoFrame::LeaveFullScreen() {
  if (!full_) return;
  FinishSlides();
  full_ = false;
  click_latch_ = false;
  QVBoxLayout* column = Column(form_);
  // Back into their rows, the upper one first so that the lower row is right again.
  const bool top_first = panel_rows_.size() == 2 && panel_rows_[0] <= panel_rows_[1];
  const auto put_back = [column](QWidget* panel, int row) { column->insertWidget(row, panel); };
  if (top_first) {
    put_back(form_.Panel_Top, panel_rows_[0]);
    put_back(form_.Panel_Bottom, panel_rows_[1]);
  } else if (panel_rows_.size() == 2) {
    put_back(form_.Panel_Bottom, panel_rows_[1]);
    put_back(form_.Panel_Top, panel_rows_[0]);
  }
  form_.menuBar()->show();
  if (was_maximized_) {
    form_.showMaximized();
  } else {
    form_.showNormal();
    // Back to where the window was, on a monitor that still exists.
    form_.setGeometry(ToQRect(Screen().OnExistingMonitor(ToMyRect(normal_geometry_))));
  }
  form_.setMaximumSize(max_size_);
  CallPanels(true, true);
  Layout();
}

void TMyVideoFrame::ScreenRemoved() {
  if (!full_) return;
  const QPoint centre = form_.frameGeometry().center();
  // The way back must lead to a monitor that exists.
  const TMyRect normal = ToMyRect(normal_geometry_);
  const TMyRect back = Screen().OnExistingMonitor(normal);
  if (back != normal) normal_geometry_ = ToQRect(back);
  if (Screen().MonitorIndexAt({centre.x(), centre.y()}) >= 0) return;
  // The window covered the monitor that went away: cover the one it returns to.
  form_.showNormal();
  form_.setGeometry(normal_geometry_);
  form_.showFullScreen();
}

}  // namespace mivaro
