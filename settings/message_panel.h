// Message panels: the synchronous text channel between a player and its sub player.
//
// A panel is a listening local socket (Linux abstract namespace, so it vanishes with its
// process, also when the process is killed). Its handle is the positive number that names
// the socket; handles are what the processes write into "/FROM:%d" and "/TO_SUBPLAYER:%d".
// 0 is never a panel.
//
// Sending connects to the panel, writes the text as UTF-7 and waits until the receiver has
// run its handler and acknowledged, as a window-text message would. While it waits, the
// sending thread still serves the panels it owns, so two processes that message each other
// from their handlers (or a process messaging itself) cannot deadlock. Sending to 0 or to a
// panel that is gone returns at once.
//
// The receiving side is toolkit-free: whoever owns a TMyMessagePanelChannel watches Fd()
// for readability (a QSocketNotifier in the window code) and calls ProcessPending().
//
// Only processes of the same user can reach a panel; others are refused.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/ustring.h"

namespace mivaro {

// Longest text that a panel accepts, in bytes of UTF-7.
inline constexpr size_t kMaxPanelTextBytes = 1 << 20;

// The receiving end of one panel.
class TMyMessagePanelChannel {
 public:
  // Called with the received text (already decoded from UTF-7), after it was stored.
  using TextHandler = std::function<void(const WString& text)>;
  // Answers which top-level window hosts the panel (an X11 window id; 0 when none).
  using HostWindowProvider = std::function<std::uint64_t()>;

  // Opens a panel with a fresh handle. When no socket can be made, Handle() is 0.
  TMyMessagePanelChannel();
  ~TMyMessagePanelChannel();
  TMyMessagePanelChannel(const TMyMessagePanelChannel&) = delete;
  TMyMessagePanelChannel& operator=(const TMyMessagePanelChannel&) = delete;

  int Handle() const { return handle_; }
  // The listening socket to watch for readability; -1 when the panel is not open.
  int Fd() const { return fd_; }

  void SetTextHandler(TextHandler handler) { on_text_ = std::move(handler); }
  void SetHostWindowProvider(HostWindowProvider provider) { host_window_ = std::move(provider); }

  // The last text received (or set), as stored: UTF-7 bytes.
  const std::string& RawText() const { return raw_text_; }
  // The last text received, decoded.
  WString Text() const;
  // Stores a text without calling the handler.
  void SetText(WStringView text);

  // Serves every connection waiting on the panel: stores each text, runs the handler and
  // acknowledges. Returns how many texts were handled. Never blocks for long: a client that
  // does not deliver its text within a second is dropped.
  int ProcessPending();

 private:
  // Handles one connection; true when it delivered a text.
  bool Serve(int conn);

  int handle_ = 0;
  int fd_ = -1;
  TextHandler on_text_;
  HostWindowProvider host_window_;
  std::string raw_text_;
};

// Sends `text` to the panel `handle` and returns after the receiver ran its handler.
// True when the receiver acknowledged. Does nothing for 0 or a panel that is gone; gives up
// after `timeout_ms` when the receiver does not answer.
bool SendPanelText(int handle, WStringView text, int timeout_ms = 5000);

// True when the panel `handle` exists ("is a window").
bool IsPanelAlive(int handle);

// The window that hosts panel `handle` as its owner reported it; 0 when none or gone.
std::uint64_t PanelHostWindow(int handle, int timeout_ms = 2000);

// Text <-> UTF-7 as the panels carry it (ICU's UTF-7 converter).
std::string EncodePanelText(WStringView text);
WString DecodePanelText(std::string_view bytes);

}  // namespace mivaro
