// TForm_Debug "デバッグ": the window over the diagnostics log (platform/media/debug_log.h).
//
// The list shows the log's last 1000 lines with the newest visible. Writers may be on any
// thread and may write in floods; the window is told only that something changed and
// fetches what is new once per turn of the event loop, so a burst of lines costs one
// update of the list.
#pragma once

#include <QWidget>
#include <atomic>
#include <functional>

#include "platform/media/debug_log.h"

class QListWidget;
class QMenu;
class QPushButton;

namespace mivaro {

class TForm_Debug : public QWidget {
  Q_OBJECT

 public:
  explicit TForm_Debug(QWidget* parent = nullptr);
  ~TForm_Debug() override;

  QListWidget* ListBox1 = nullptr;
  QPushButton* Button_Clear = nullptr;
  QPushButton* Button_Save = nullptr;
  QPushButton* Button_Copy = nullptr;
  QMenu* PopupMenu1 = nullptr;

  // Asks for the file to save the log to (empty: cancelled); tests replace it.
  std::function<QString()> AskSaveFileName;
  // The beep of a copy without a selected line; tests replace it.
  std::function<void()> Beep;

  // The button commands and the pop-up menu's copy.
  void ClearClick();
  void SaveClick();
  void CopyClick();
  void PopupCopyClick();

  // Brings the list up to date with the log now (normally done on the next turn of the
  // event loop after a write).
  void SyncWithLog();

 private:
  void LogChanged();

  TDebugLog::TCursor cursor_;
  std::atomic<bool> syncPosted_{false};
  QString lastFolder_;
};

// Creates the process-wide log window on first use and shows it.
TForm_Debug* ShowDebugWindow();
// The log window when it has been created, else nullptr.
TForm_Debug* DebugWindow();

}  // namespace mivaro
