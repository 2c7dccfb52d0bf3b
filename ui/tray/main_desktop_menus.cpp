#include "ui/tray/main_desktop_menus.h"

#include <QAction>
#include <QMenu>

#include "core/paths.h"
#include "ui/main/app_mivaro.h"
#include "ui/sendto/send_to.h"
#include "ui/tray/tray_icon.h"

namespace mivaro {

namespace {

// The tray shows a Send-To entry of the pop-up menu by its program's file name.
void SendToCaption(QObject*, QAction* item, QString& caption) {
  if (!item->objectName().contains(QStringLiteral("__MenuItem_PSendTo"))) return;
  caption = QString::fromStdU16String(ExtractFileName(item->statusTip().toStdU16String()))
                .replace(QLatin1Char('&'), QStringLiteral("&&"));
}

}  // namespace

TMyMainDesktopMenus::TMyMainDesktopMenus(TApp_Mivaro* window) : QObject(window), window_(window) {
  setObjectName(QStringLiteral("MainDesktopMenus"));
  send_to_ = new TMySendTo(window);
  send_to_->AttachMenu(window->MenuItem_SendTo);
  send_to_->AttachMenu(window->MenuItem_PSendTo);
  window->links.send_to = this;

  tray_ = new TMyTrayIcon(window, window->PopupMenu_Main,
                          {window->Action_File_Restore, window->Action_File_Minimize},
                          &SendToCaption);
  send_to_->OnChange = [this](TMySendTo*) {
    tray_->Rebuild();
    window_->UpdateActionStates();
  };
  send_to_->Refresh();
}

TMyMainDesktopMenus::~TMyMainDesktopMenus() {
  if (window_->links.send_to == this) window_->links.send_to = nullptr;
}

void TMyMainDesktopMenus::SetTarget(WStringView file) { send_to_->SetTarget(file); }
void TMyMainDesktopMenus::UpdateStates() { send_to_->UpdateActionStates(); }
void TMyMainDesktopMenus::LoadSettings(TMyIniFile& ini) { send_to_->LoadSettings(ini); }
void TMyMainDesktopMenus::SaveSettings(TMyIniFile& ini) { send_to_->SaveSettings(ini); }

}  // namespace mivaro
