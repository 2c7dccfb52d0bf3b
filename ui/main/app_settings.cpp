// Settings of the main window (the program's INI file), resume play and the icon size.
#include <QAction>
#include <QGuiApplication>
#include <QLayout>
#include <QMenu>
#include <QScreen>
#include <QSlider>
#include <QToolBar>

#include "core/files.h"
#include "core/shell.h"
#include "core/wstrings.h"
#include "playlist/media_strings.h"
#include "settings/ini_file.h"
#include "settings/main_settings.h"
#include "ui/desktop/form_bounds.h"
#include "ui/main/app_mivaro.h"
#include "ui/main/history_menus.h"
#include "ui/main/playlist_combo.h"
#include "ui/main/settings_binding.h"
#include "ui/main/track_bar.h"

namespace mivaro {

void TApp_Mivaro::LoadSettings() {
  const Qt::KeyboardModifiers keys = Keys();
  const bool shift = keys.testFlag(Qt::ShiftModifier);
  if (shift && keys.testFlag(Qt::ControlModifier)) return;
  TMyIniFile ini;
  if (!shift) {
    TMyFormBounds bounds(this, u"App_Mivaro");
    ini.ReadFormBounds(u"Bounds", bounds);
  }
  TMyMainSettings settings = WindowSettings(*this);
  LoadMainSettings(ini, settings);
  ApplyWindowSettings(*this, settings);
  if (links.playlist) links.playlist->LoadSettings(ini, !shift);
  if (links.send_to) links.send_to->LoadSettings(ini);

  // Resume play: only for a start without arguments and with the list file present.
  if (Action_Opt_Resume->isChecked() && arguments_.empty() && FileExists(ResumeListFileName())) {
    controller_->SetResume(ini.ReadInteger(u"RESUME", u"Index", -1),
                           ini.ReadInteger(u"RESUME", u"Time", 0));
  } else {
    controller_->SetResume(-1, 0);
  }

  histories_->Load(ini);
}

void TApp_Mivaro::SaveSettings() {
  const Qt::KeyboardModifiers keys = Keys();
  if (keys.testFlag(Qt::ShiftModifier) && keys.testFlag(Qt::ControlModifier)) return;
  TMyIniFile ini;
  {
    TMyFormBounds bounds(this, u"App_Mivaro");
    ini.WriteFormBounds(u"Bounds", bounds);
  }
  SaveMainSettings(ini, WindowSettings(*this));

  if (links.playlist) links.playlist->SaveSettings(ini);

  histories_->Save(ini);

  if (Action_Opt_Resume->isChecked()) {
    ini.WriteInteger(u"RESUME", u"Index", ItemIndex());
    ini.WriteInteger(u"RESUME", u"Time", static_cast<int>(PlayerPosition()));
    const WString list = ResumeListFileName();
    if (playlist_->Count() > 0) {
      TMyWStrings copy;
      copy.AddWStrings(*playlist_);
      copy.LineBreak = kLineBreakCrLf;
      SaveM3u8(list, copy);
    } else if (FileExists(list)) {
      RecycleItem(list);
    }
  } else {
    ini.WriteInteger(u"RESUME", u"Index", -1);
    ini.WriteInteger(u"RESUME", u"Time", -1);
  }
  if (links.send_to) links.send_to->SaveSettings(ini);
  ini.UpdateFile();
}

void TApp_Mivaro::Action_Opt_LargeIconExecute(QObject*) { ApplyIconSize(); }

void TApp_Mivaro::ApplyIconSize() {
  const bool large = Action_Opt_LargeIcon->isChecked();
  const int size = large ? 32 : 16;
  if (seek_height_ == 0) seek_height_ = TrackBar_Seek->sizeHint().height();
  image_size_ = size;
  ToolBar_Main->setIconSize(QSize(size, size));
  ToolBar_Control->setIconSize(QSize(size, size));
  // Menus measure their items again with the new icon size.
  for (QMenu* menu : findChildren<QMenu*>()) {
    QEvent change(QEvent::StyleChange);
    QCoreApplication::sendEvent(menu, &change);
  }
  // The seek bar, its panel and its thumb double with large icons; the bottom panel then
  // holds one tool bar and the seek bar.
  const int seek_bar = large ? seek_height_ * 2 : seek_height_;
  TrackBar_Seek->setFixedHeight(seek_bar);
  TrackBar_Seek->SetLargeThumb(large);
  const QMargins seek_margins = Panel_Seek->layout()->contentsMargins();
  const int seek_panel = seek_height_ + seek_margins.top() + seek_margins.bottom();
  Panel_Seek->setFixedHeight(large ? seek_panel * 2 : seek_panel);
  // At least that: the file-command progress bar may add its line below.
  Panel_Bottom->setMinimumHeight(ToolBar_Main->sizeHint().height() + seek_bar);
  if (links.send_to) links.send_to->UpdateStates();
}

}  // namespace mivaro
