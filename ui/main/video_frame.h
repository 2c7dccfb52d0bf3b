// TMyVideoFrame: how the main window sizes itself around the video and the video inside
// itself, its screen modes, and what the mouse does on the video.
//
//   video_frame.cpp  fixed zoom, zoom steps, aspect presets, keep aspect, the layout of the
//                    player in the video area, the size label, full screen and back
//   video_mouse.cpp  clicks, double-clicks, drags with snap back, right-button gestures,
//                    the wheel, and the full-screen panels called up by a click
//
// The arithmetic lives in player/video_sizing.h; this class measures the widgets, applies
// the results and keeps the little state the mouse rules need. The main window owns one and
// forwards its events to it.
#pragma once

#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <functional>
#include <utility>
#include <vector>

#include "player/video_sizing.h"

class QAction;
class QAbstractAnimation;
class QWidget;

namespace mivaro {

class TApp_Mivaro;

class TMyVideoFrame : public QObject {
  Q_OBJECT

 public:
  explicit TMyVideoFrame(TApp_Mivaro& form);
  ~TMyVideoFrame() override;

  // Binds the zoom and screen-mode actions and watches the video and the form's mouse.
  // Runs once, after the form built its components.
  void Attach();

  // ---- Commands (each also runs without a sender, with the current state) ---------------
  void FixedZoom(int percent);
  void AspectFit(double factor);  // 0: the video's own proportion
  void ZoomStep(int delta);
  // Enters the checked full-screen mode, or leaves full screen when none is checked or
  // there is no video.
  void ScreenModeCommand();
  // The wallpaper command: the implementation set below, else nothing changes (the action
  // is switched off again).
  void WallpaperCommand();
  // A double-click on the video or the form.
  void DoubleClick(bool shift);

  // The wallpaper video, when the desktop side provides it: called for Action_Zoom_Wallvideo
  // and for the double-click that leaves wallpaper mode, with the action's new state.
  void SetWallpaperCommand(std::function<void(bool on)> command) { wallpaper_ = std::move(command); }
  // Brings a video hosted on the desktop back before full screen is entered.
  void SetWallpaperBringBack(std::function<void()> back) { wallpaper_back_ = std::move(back); }

  // ---- What the rest of the window calls ---------------------------------------------------
  // Media opened: wallpaper video, then full screen, as the actions say.
  void ApplyScreenModes();
  // The playlist was cleared: wallpaper video ends, full screen falls back to the window.
  void LeaveScreenModes();
  // The form closes: the window returns to its normal bounds (which the settings keep);
  // the screen-mode actions keep their state for the next run.
  void LeaveForClose();
  // Fits the player to the video area (or places it for the full-screen mode).
  void Layout();
  void UpdateSizeLabel();
  TMyScreenMode Mode() const;
  // The window covers its monitor with video.
  bool FullScreenWithVideo() const;
  // Hides both full-screen panels (the form or the video lost the focus).
  void HidePanels();
  // Where the window was before full screen (its normal bounds while in full screen).
  QRect NormalGeometry() const { return normal_geometry_; }

  // Milliseconds each full-screen panel slides; 0 switches the slide off (tests).
  int slide_ms = 100;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // video_frame.cpp
  QSize AreaSize() const;
  QSize MaxWindowSize() const;
  void ResizeWindow(QSize size);
  void EnterFullScreen();
  void LeaveFullScreen();
  void PlaceFullScreenParts();
  void BringVideoHome();
  void ScreenRemoved();
  bool Shift() const;
  bool Ctrl() const;

  // video_mouse.cpp
  bool MouseEvent(QWidget* widget, QEvent* event);
  void LeftDown(QWidget* widget, QPoint global, Qt::KeyboardModifiers keys);
  void LeftUp(Qt::KeyboardModifiers keys);
  void RightUp(QPoint global);
  void Wheel(QPoint global, int delta, Qt::MouseButtons buttons);
  // Brings the panels to the wanted visibility, sliding when the desktop animates.
  void CallPanels(bool top, bool bottom);
  void FinishSlides();

  TApp_Mivaro& form_;
  std::function<void(bool on)> wallpaper_;
  std::function<void()> wallpaper_back_;
  bool full_ = false;            // the window is in its full-screen state
  bool click_latch_ = false;     // the next left press after a mode switch is ignored
  QRect normal_geometry_;        // the window's bounds before full screen
  bool was_maximized_ = false;
  QSize max_size_;               // the maximum-size constraint outside full screen
  QWidget* dragged_ = nullptr;   // the form or the player while the left button drags
  QPoint drag_offset_;
  QPoint gesture_start_;
  bool gesture_ = false;
  QAbstractAnimation* slides_ = nullptr;              // the running slides
  std::vector<std::pair<QWidget*, bool>> pending_;    // their panels and final visibility
  std::vector<int> panel_rows_;                        // the panels' rows in the layout
};

}  // namespace mivaro
