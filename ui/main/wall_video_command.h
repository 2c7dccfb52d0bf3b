// The wallpaper command of the main window: the playing video on the desktop of the
// monitor that holds the main window, behind every other window, and back.
//
// On: the sub player's window becomes a desktop window over that monitor (TMyDesktopHost),
// the video moves into it (SetVideoOwner) and the player starts wallpaper mode
// (StartWallVideo, which keys the monitor's wallpaper); where XVideo works, the file is
// reopened with the overlay renderer. Off, or without video: the overlay renderer is
// swapped back for the window's own choice, the video comes home, the wallpaper is
// restored and the sub player's window is given back.
//
// The video also comes home when the media closes and nothing else opens (a stop, the end
// of the list); the action stays on, so the next file that opens goes to the desktop again.
#pragma once

#include <QObject>
#include <functional>

#include "platform/desktop/wall_video_host.h"

class QWidget;

namespace mivaro {

class TMyDirectShowPlayer;
class TMySubPlayerLink;
enum TMyVmMode : int;

class TMyWallVideoCommand : public QObject {
  Q_OBJECT

 public:
  struct Env {
    TMyDirectShowPlayer* Player = nullptr;
    // The sub player; when this answers nullptr, there is none and the command does nothing.
    std::function<TMySubPlayerLink*()> SubPlayer;
    // The main window, whose monitor gets the video.
    QWidget* Window = nullptr;
    // The main window's renderer choice, and where a reopen leaves its resume time.
    std::function<TMyVmMode()> RendererChoice;
    std::function<void(double seconds)> SetResumeTime;
    // After the video came home: lay out, update the size label and the action states.
    std::function<void()> VideoHome;
  };

  explicit TMyWallVideoCommand(Env env, QObject* parent = nullptr);
  ~TMyWallVideoCommand() override;

  // Runs the command with the action's state `on`.
  void Execute(bool on);
  // Brings the video back into the player when it is hosted outside: the player's own
  // window, StopWallVideo, the host given back. The screen-mode command calls it before
  // entering full screen.
  void BringVideoBack();

  bool Hosting() const { return host_.Placed(); }
  // The video is out of the player's window: on a desktop host or in wallpaper mode.
  bool VideoOut() const;
  std::uint64_t HostWindow() const { return host_.Window(); }

 private:
  void Reopen(TMyVmMode renderer);
  void MediaClosed();

  Env env_;
  TMyDesktopHost host_;
};

// Index of the window's monitor in the toolkit's monitor list; 0 when unknown.
int MonitorIndexOfWidget(const QWidget* window);

}  // namespace mivaro
