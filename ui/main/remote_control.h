// The main window's side of the MPRIS service (platform/desktop/mpris.h): the remote
// commands run the window's own commands, and the window's state (the open entry and its
// tags, the play state, volume, random play, rate) is reported to the service whenever it
// may have changed. Everything runs on the user-interface thread; the service calls the
// commands from the event loop.
#pragma once

#include <QObject>

class QTimer;

namespace mivaro {

class TApp_Mivaro;
class TMyMpris;

class TMyRemoteControl : public QObject {
 public:
  // A child of `form`; `time_tick` is the time display's timer (the length of sound may
  // arrive after it has started, and its tick sees it).
  TMyRemoteControl(TApp_Mivaro& form, QTimer* time_tick);

  // Offers the service on the session bus and follows the window's own changes; false
  // when the bus is not there (the window then reports nothing).
  bool Start();
  // Reports the window's state (nothing when the service is not running).
  void UpdateStatus();
  // Reports a jump of the position.
  void Seeked();

 private:
  TApp_Mivaro& form_;
  QTimer* time_tick_;
  TMyMpris* mpris_ = nullptr;  // a child
};

}  // namespace mivaro
