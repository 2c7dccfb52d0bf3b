// The seek bar of the main window as the user works it: a press on the thumb, its drag
// (quick key-frame seeks that the picture follows) and its release (an exact seek); a
// click on the channel seeks there, one beyond either end of the channel skips; the hint
// under the mouse shows the time there or the skip's hint. It also keeps the time
// display's tick from moving the thumb while the user holds it or a seek runs.
// User-interface thread only.
#pragma once

#include <QObject>
#include <QPoint>
#include <functional>

class QAction;

namespace mivaro {

class TMyTrackBar;

class TMySeekBarPresenter : public QObject {
 public:
  struct TCommands {
    std::function<void(double seconds)> seek_to;  // an exact seek (pumps)
    std::function<void(int seconds)> scrub_to;     // the thumb dragged there
    std::function<void(int direction)> skip;       // -1 back, +1 forward
  };
  // A click beyond the channel's ends skips when `skip_back` or `skip_next` is enabled;
  // their hints are shown there. A child of `parent`.
  TMySeekBarPresenter(TMyTrackBar* bar, QAction* skip_back, QAction* skip_next,
                      TCommands commands, QObject* parent);

  // The thumb at `seconds` and the range 0..`length`, set by the program.
  void ShowPosition(int seconds);
  void SetLength(int length);
  // The time display's tick: the thumb follows the player unless the user holds it or a
  // seek runs.
  void Follow(int seconds);
  // A seek to `seconds` runs until EndSeek (its fades pump messages; a tick meanwhile
  // must not move the thumb back).
  void BeginSeek(double seconds);
  void EndSeek() { seeking_ = false; }

 private:
  void MouseDown(Qt::MouseButton button, QPoint pos);
  void MouseMove(Qt::MouseButtons buttons, QPoint pos);
  void MouseUp(Qt::MouseButton button, QPoint pos);

  TMyTrackBar* bar_;
  QAction* skip_back_;
  QAction* skip_next_;
  TCommands commands_;
  bool seeking_ = false;
  // The left button went down on the thumb: its release seeks to the bar's value.
  bool thumb_pressed_ = false;
};

}  // namespace mivaro
