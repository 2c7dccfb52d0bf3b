// TMyMessagePanel: the hidden control through which a player and its sub player talk.
//
// It owns a message-panel channel (settings/message_panel.h) and serves it from the Qt
// event loop. The control is never shown: it sits at (-1, -1) with zero size. Its handle
// (Handle()) is the number other processes send to; 0 when no channel could be opened.
#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>

#include "core/ustring.h"
#include "settings/message_panel.h"

class QSocketNotifier;

namespace mivaro {

class TMyMessagePanel : public QWidget {
  Q_OBJECT

 public:
  // Called after a text arrived and was stored, with the panel as sender. The sending
  // process waits until this returns.
  using TextChangeEvent = std::function<void(QObject* sender, const WString& text)>;

  explicit TMyMessagePanel(QWidget* parent = nullptr);
  ~TMyMessagePanel() override;

  int Handle() const { return channel_->Handle(); }
  // The last text received, decoded; empty at creation.
  WString Text() const { return channel_->Text(); }

  TextChangeEvent OnTextChange;

  // Sends `text` to the panel `handle` (see SendPanelText): nothing happens for 0 or a
  // panel that is gone; otherwise returns after the receiver handled it.
  static bool SendText(int handle, WStringView text) { return SendPanelText(handle, text); }
  // True when the panel `handle` exists ("is a window").
  static bool IsPanel(int handle) { return IsPanelAlive(handle); }
  // X11 id of the top-level window that holds the panel `handle`; 0 when none.
  static std::uint64_t HostWindowOf(int handle) { return PanelHostWindow(handle); }

 private:
  void Serve();

  std::unique_ptr<TMyMessagePanelChannel> channel_;
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace mivaro
