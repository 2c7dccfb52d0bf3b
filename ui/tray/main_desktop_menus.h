// The main window's desktop menus: its two "送る(&N)" sub-menus (the main menu's and the
// pop-up menu's, sent the current file) and the tray icon carrying the pop-up menu. The
// tray copy is rebuilt each time the Send-To entries change.
#pragma once

#include <QObject>

#include "ui/main/window_links.h"

namespace mivaro {

class TApp_Mivaro;
class TMySendTo;
class TMyTrayIcon;

class TMyMainDesktopMenus : public QObject, public TMySendToLink {
  Q_OBJECT

 public:
  // Attaches to the window (which owns the result) as its Send-To link.
  explicit TMyMainDesktopMenus(TApp_Mivaro* window);
  ~TMyMainDesktopMenus() override;

  void SetTarget(WStringView file) override;
  void UpdateStates() override;
  void LoadSettings(TMyIniFile& ini) override;
  void SaveSettings(TMyIniFile& ini) override;

  TMySendTo* SendTo() const { return send_to_; }
  TMyTrayIcon* Tray() const { return tray_; }

 private:
  TApp_Mivaro* window_;
  TMySendTo* send_to_ = nullptr;
  TMyTrayIcon* tray_ = nullptr;
};

}  // namespace mivaro
