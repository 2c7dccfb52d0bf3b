// The tray icon of the main window: its menu carries a TMyTaskBarMenu copy of the main
// pop-up menu under the product's name, followed by the window's own entries (restore,
// minimise). Clicking the icon shows or restores the window.
//
// QSystemTrayIcon uses the desktop's status-notifier service where there is one and the
// X tray otherwise. Without either the icon stays hidden and nothing is said; it appears
// when a tray turns up later.
#pragma once

#include <QList>
#include <QObject>
#include <functional>
#include <memory>

#include "ui/tray/task_bar_menu.h"

class QAction;
class QMenu;
class QSystemTrayIcon;
class QTimer;
class QWidget;

namespace mivaro {

class TMyTrayIcon : public QObject {
  Q_OBJECT

 public:
  // `window_entries` are the window's own commands that follow the copy.
  TMyTrayIcon(QWidget* window, QMenu* popup, const QList<QAction*>& window_entries,
              TMyTaskBarMenu::CaptionCallback caption);
  ~TMyTrayIcon() override;

  // Frees the copy and makes a new one (after the source menu's structure changed).
  void Rebuild();
  TMyTaskBarMenu* Menu() const { return menu_.get(); }
  QMenu* HostMenu() const { return host_; }
  QSystemTrayIcon* Icon() const { return icon_; }
  // Shows or restores the window (the icon's click).
  void ShowWindow();

 private:
  void ShowWhenTrayExists();

  QWidget* window_;
  QMenu* popup_;
  TMyTaskBarMenu::CaptionCallback caption_;
  QMenu* host_ = nullptr;
  QSystemTrayIcon* icon_ = nullptr;
  QTimer* tray_poll_ = nullptr;
  std::unique_ptr<TMyTaskBarMenu> menu_;
};

}  // namespace mivaro
