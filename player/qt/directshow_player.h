// TMyDirectShowPlayer: the player control as a Qt widget.
//
// A black, focusable native child widget whose X11 window hosts the video. All the
// playback logic and the whole public API (Open, Play, Pause, Replay, Close, Position,
// Duration, SetRate, SetVolume, FrameStep, SetVideoOwner, the notifications
// OnMediaOpen ... OnVideoSizeChange, ...) come from TMyMediaPlayer
// (player/media_player.h); this class answers its window questions, delivers the graph's
// events on the UI thread, and re-lays out the video when the widget is resized.
//
// Mouse events on the video reach the widget (the video window forwards none of its own),
// so the owner handles clicks, double-clicks and the wheel through the usual Qt signals
// below or an event filter.
#pragma once

#include <QWidget>

#include <memory>

#include "platform/media/media_types.h"
#include "player/media_player.h"

namespace mivaro {

class TMyDirectShowPlayer : public QWidget, public TMyMediaPlayer {
  Q_OBJECT

 public:
  explicit TMyDirectShowPlayer(QWidget* parent = nullptr);
  ~TMyDirectShowPlayer() override;

  // The native window id of a widget (creates the native window when needed).
  static TMyWindowHandle WindowOf(QWidget* widget);

  // Picks the renderer that starts on this display: XVideo (vmVMR7) where it exists,
  // else OpenGL (vmVMR9), else the X image renderer (vmVideoRenderer).
  static TMyVmMode BestRenderer();

 signals:
  // Qt signals mirroring the notifications, for owners that prefer connections.
  void mediaOpened();
  void mediaStarted();
  void mediaEnded();
  void mediaPaused();
  void mediaPlaying();
  void mediaStopped();
  void mediaClosed();
  void mediaError();
  void videoSizeChanged(int width, int height);
  void mouseDoubleClicked(QMouseEvent* event);

 protected:
  TMyWindowHandle OwnWindow() const override;
  bool IsLiveWindow(TMyWindowHandle window) const override;
  bool WindowClientSize(TMyWindowHandle window, int* width, int* height) const override;
  void PostGraphNotify() override;
  int MonitorCount() const override;
  TMyBounds MonitorBounds(int index) const override;
  int MonitorIndexOfWindow(TMyWindowHandle window) const override;
  void NotificationRaised(TMyNotification which) override;
  void VideoSizeChangeRaised(int width, int height) override;
  void VideoLaidOut() override { update(); }

  void resizeEvent(QResizeEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  bool event(QEvent* event) override;

 private:
  struct Private;
  std::shared_ptr<Private> d_;
};

}  // namespace mivaro
