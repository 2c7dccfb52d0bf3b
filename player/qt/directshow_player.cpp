// The player control as a black native Qt widget (see directshow_player.h).
#include "player/qt/directshow_player.h"

#include <dlfcn.h>

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <atomic>
#include <mutex>

#include "platform/media/gst_graph.h"

namespace mivaro {

namespace {

// A private Xlib connection for questions about windows of other processes (the sub
// player's host window): does it still exist, and how large is it. Xlib is loaded at run
// time; without it foreign windows count as live and of unknown size.
class TForeignWindows {
 public:
  static TForeignWindows& Get() {
    static TForeignWindows instance;
    return instance;
  }

  // True and the size when the window exists.
  bool Geometry(TMyWindowHandle window, int* width, int* height) {
    std::lock_guard lock(mutex_);
    if (!display_ || !getGeometry_) return false;
    unsigned long root = 0;
    int x = 0, y = 0;
    unsigned w = 0, h = 0, border = 0, depth = 0;
    // A destroyed window answers BadDrawable; the X error guard swallows it and the call
    // returns 0.
    int ok = getGeometry_(display_, window, &root, &x, &y, &w, &h, &border, &depth);
    if (!ok) return false;
    if (width) *width = static_cast<int>(w);
    if (height) *height = static_cast<int>(h);
    return true;
  }
  bool Available() const { return display_ != nullptr; }

 private:
  using OpenDisplay = void* (*)(const char*);
  using GetGeometry = int (*)(void*, unsigned long, unsigned long*, int*, int*, unsigned*,
                              unsigned*, unsigned*, unsigned*);
  TForeignWindows() {
    InstallXErrorGuard();
    void* lib = dlopen("libX11.so.6", RTLD_LAZY);
    if (!lib) return;
    auto open = reinterpret_cast<OpenDisplay>(dlsym(lib, "XOpenDisplay"));
    getGeometry_ = reinterpret_cast<GetGeometry>(dlsym(lib, "XGetGeometry"));
    if (open && getGeometry_) display_ = open(nullptr);
  }
  std::mutex mutex_;
  void* display_ = nullptr;
  GetGeometry getGeometry_ = nullptr;
};

}  // namespace

struct TMyDirectShowPlayer::Private {
  std::mutex mutex;
  TMyDirectShowPlayer* owner = nullptr;  // cleared when the widget goes
  std::atomic<bool> notifyPending{false};
  QTimer* ownerWatch = nullptr;
};

TMyDirectShowPlayer::TMyDirectShowPlayer(QWidget* parent)
    : QWidget(parent), d_(std::make_shared<Private>()) {
  d_->owner = this;
  InstallXErrorGuard();
  setAttribute(Qt::WA_NativeWindow);
  setAttribute(Qt::WA_DontCreateNativeAncestors);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAutoFillBackground(false);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::black);
  setPalette(pal);
  setFocusPolicy(Qt::StrongFocus);
  setMouseTracking(false);
  resize(240, height());
  // A video owner in another process can disappear at any time (the sub player ends):
  // bring the video home instead of drawing into a window that no longer exists.
  d_->ownerWatch = new QTimer(this);
  d_->ownerWatch->setInterval(250);
  connect(d_->ownerWatch, &QTimer::timeout, this, [this] {
    TMyWindowHandle owner = VideoOwner();
    if (Graph() && owner != OwnWindow() && !IsLiveWindow(owner)) SetVideoOwner(OwnWindow());
  });
  d_->ownerWatch->start();
}

TMyDirectShowPlayer::~TMyDirectShowPlayer() {
  {
    std::lock_guard lock(d_->mutex);
    d_->owner = nullptr;
  }
  Clear();
}

TMyWindowHandle TMyDirectShowPlayer::WindowOf(QWidget* widget) {
  return widget ? static_cast<TMyWindowHandle>(widget->winId()) : 0;
}

TMyVmMode TMyDirectShowPlayer::BestRenderer() { return ChooseBestRenderer(); }

TMyWindowHandle TMyDirectShowPlayer::OwnWindow() const {
  return static_cast<TMyWindowHandle>(winId());
}

bool TMyDirectShowPlayer::IsLiveWindow(TMyWindowHandle window) const {
  if (window == 0) return false;
  if (QWidget::find(static_cast<WId>(window))) return true;
  auto& foreign = TForeignWindows::Get();
  if (!foreign.Available()) return true;
  return foreign.Geometry(window, nullptr, nullptr);
}

bool TMyDirectShowPlayer::WindowClientSize(TMyWindowHandle window, int* width,
                                           int* height) const {
  if (width) *width = 0;
  if (height) *height = 0;
  if (window == 0) return false;
  if (QWidget* w = QWidget::find(static_cast<WId>(window))) {
    // The video window lives in device pixels.
    const qreal ratio = w->devicePixelRatioF();
    if (width) *width = qRound(w->width() * ratio);
    if (height) *height = qRound(w->height() * ratio);
    return true;
  }
  return TForeignWindows::Get().Geometry(window, width, height);
}

void TMyDirectShowPlayer::PostGraphNotify() {
  // Called from GStreamer's threads: post once, the pump reads the whole queue.
  std::lock_guard lock(d_->mutex);
  if (!d_->owner || d_->notifyPending.exchange(true)) return;
  std::weak_ptr<Private> weak = d_;
  QMetaObject::invokeMethod(
      d_->owner,
      [this, weak] {
        auto d = weak.lock();
        if (!d) return;
        d->notifyPending = false;
        HandleGraphNotify();
      },
      Qt::QueuedConnection);
}

int TMyDirectShowPlayer::MonitorCount() const {
  return static_cast<int>(QGuiApplication::screens().size());
}

TMyBounds TMyDirectShowPlayer::MonitorBounds(int index) const {
  const auto screens = QGuiApplication::screens();
  if (screens.isEmpty()) return {};
  index = std::clamp(index, 0, static_cast<int>(screens.size()) - 1);
  const QScreen* s = screens[index];
  const QRect g = s->geometry();
  const qreal ratio = s->devicePixelRatio();
  return {qRound(g.left() * ratio), qRound(g.top() * ratio), qRound(g.width() * ratio),
          qRound(g.height() * ratio)};
}

int TMyDirectShowPlayer::MonitorIndexOfWindow(TMyWindowHandle window) const {
  const auto screens = QGuiApplication::screens();
  QWidget* w = QWidget::find(static_cast<WId>(window));
  QScreen* screen = w ? w->screen() : this->screen();
  int index = static_cast<int>(screens.indexOf(screen));
  return index < 0 ? 0 : index;
}

void TMyDirectShowPlayer::NotificationRaised(TMyNotification which) {
  switch (which) {
    case TMyNotification::Open:
      // A paint that ran while the file was opening covered its first picture with black.
      update();
      emit mediaOpened();
      break;
    case TMyNotification::Start:
      update();
      emit mediaStarted();
      break;
    case TMyNotification::Ended: emit mediaEnded(); break;
    case TMyNotification::Paused: emit mediaPaused(); break;
    case TMyNotification::Play: emit mediaPlaying(); break;
    case TMyNotification::Stopped: emit mediaStopped(); break;
    case TMyNotification::Closed: emit mediaClosed(); break;
    case TMyNotification::Error: emit mediaError(); break;
  }
}

void TMyDirectShowPlayer::VideoSizeChangeRaised(int width, int height) {
  emit videoSizeChanged(width, height);
}

void TMyDirectShowPlayer::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Resize();
}

void TMyDirectShowPlayer::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Qt::black);
  p.end();
  if (HasVideoSize() && VideoOwner() == OwnWindow()) {
    // A renderer that draws straight into this window shares it with Qt, and Qt copies
    // the black above to the window only after this handler returns. Draw the frame again
    // once that has happened: a paused picture or a still image gets no next frame that
    // would cover the black.
    QMetaObject::invokeMethod(this, [this] { RepaintVideo(); }, Qt::QueuedConnection);
  }
}

void TMyDirectShowPlayer::mouseDoubleClickEvent(QMouseEvent* event) {
  emit mouseDoubleClicked(event);
  QWidget::mouseDoubleClickEvent(event);
}

bool TMyDirectShowPlayer::event(QEvent* event) { return QWidget::event(event); }

}  // namespace mivaro
