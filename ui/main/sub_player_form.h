// TApp_MivaroSubForm: the window of a sub player process ("/SUBPLAYER /FROM:<panel>").
//
// A borderless, zero-size window at the bottom of the stacking order with no taskbar
// entry. It greets its player's panel with "/TO_SUBPLAYER:<own panel>", ends on "/CLOSE",
// and ends by itself about a second after its player's panel has gone (Timer2).
#pragma once

#include <QWidget>

#include "core/ustring.h"

class QTimer;

namespace mivaro {

class TMyMessagePanel;

class TApp_MivaroSubForm : public QWidget {
  Q_OBJECT

 public:
  explicit TApp_MivaroSubForm(QWidget* parent = nullptr);
  ~TApp_MivaroSubForm() override;

  // Puts the window in place, handles `start_text` (the process's own arguments) like a
  // panel message, shows the window and starts Timer2. When the start text already closed
  // the form, nothing is shown.
  void Start(const WString& start_text);

  // The text handler of MyMessagePanel1: "/CLOSE" closes the form; "/FROM:%d" stores the
  // player's panel and greets it. Other texts are ignored.
  void MyMessagePanel1TextChange(QObject* sender, const WString& text);

  int PlayerHandle() const { return player_handle_; }
  bool IsClosed() const { return closed_; }

  TMyMessagePanel* MyMessagePanel1 = nullptr;
  QTimer* Timer2 = nullptr;

 signals:
  // The form was closed; the program entry ends the process on it.
  void Closed();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void Timer2Timer();

  int player_handle_ = 0;
  bool closed_ = false;
};

}  // namespace mivaro
