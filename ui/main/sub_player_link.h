// The player's side of its sub player: a second process of the same executable, started
// with "/SUBPLAYER /FROM:<panel>", that provides a top-level window outside the player's
// process (the host of video while the main window is minimised, and of wallpaper video).
//
// Wiring in the main window:
//   MyMessagePanel1 = new TMyMessagePanel(this);
//   SubPlayer = std::make_unique<TMySubPlayerLink>(MyMessagePanel1);
//   MyMessagePanel1->OnTextChange = [this](QObject*, const WString& t) { SubPlayer->HandleText(t); };
//   ... at the end of start-up: SubPlayer->Start();
//   ... when the sub player's window is needed: if (SubPlayer->Need()) use HostWindow();
//   ... at shutdown: SubPlayer->Close();
#pragma once

#include <cstdint>

#include "core/ustring.h"

namespace mivaro {

class TMyMessagePanel;

class TMySubPlayerLink {
 public:
  // `panel` is the main window's own MyMessagePanel1; the sub player greets it.
  explicit TMySubPlayerLink(TMyMessagePanel* panel);

  // Starts a sub player for `panel` and waits, processing events but no user input, until
  // it greets or `wait_ms` passed. True when a sub player is available afterwards.
  bool Start(int wait_ms = 2000);

  // Feed every text received on the main window's panel here: each "/TO_SUBPLAYER:%d"
  // stores the sub player's panel handle (the newest reply wins). Other texts do nothing.
  // True when a handle was stored.
  bool HandleText(const WString& text);

  // "Needing the sub player": starts one when the stored one is gone. True when available.
  bool Need();

  // The sub player's panel handle; 0 until a sub player reported.
  int Handle() const { return handle_; }
  // True when the stored sub player panel answers.
  bool IsAvailable() const;
  // X11 id of the sub player's window (to hand to a video overlay); 0 when unavailable.
  std::uint64_t HostWindow() const;
  // Process id of the last sub player started; 0 when none was started.
  long long ProcessId() const { return pid_; }

  // Sends "/CLOSE" to the sub player (nothing happens when there is none). From then on no
  // sub player is started, and one that is still starting gets "/CLOSE" when it greets.
  void Close();

 private:
  TMyMessagePanel* panel_;
  int handle_ = 0;
  long long pid_ = 0;
  bool greeted_ = false;
  bool starting_ = false;  // Start waits for the greeting
  bool closing_ = false;
};

}  // namespace mivaro
