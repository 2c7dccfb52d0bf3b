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
#include "ui/main/track_bar.h"

namespace mivaro {
namespace {

// Where each check of the settings record lives in the window.
struct TMyCheckBinding {
  bool TMyMainSettings::*field;
  QAction* TApp_Mivaro::*action;
};
using S = TMyMainSettings;
using W = TApp_Mivaro;
const TMyCheckBinding kChecks[] = {
    {&S::main_folder_name, &W::Action_List_FolderName}, {&S::mute, &W::Action_Play_Mute},
    {&S::keep_aspect, &W::Action_Zoom_KeepAspect},      {&S::wallvideo, &W::Action_Zoom_Wallvideo},
    {&S::full_screen, &W::Action_Zoom_FullScreen},      {&S::max_screen, &W::Action_Zoom_MaxScreen},
    {&S::random, &W::Action_Opt_Random},                {&S::time_verbose, &W::Action_Opt_TimeVerbose},
    {&S::allow_image, &W::Action_Opt_AllowImage},       {&S::large_icon, &W::Action_Opt_LargeIcon},
    {&S::resume, &W::Action_Opt_Resume},
};

// Where each folder of the settings record lives.
struct TMyFolderBinding {
  WString TMyMainSettings::*field;
  TMyDialogState TApp_Mivaro::*dialog;
};
const TMyFolderBinding kFolders[] = {
    {&S::open_file_dir, &W::Dialog_File_OpenFile},
    {&S::open_folder_dir, &W::Dialog_File_OpenFolder},
    {&S::open_this_folder_dir, &W::Dialog_File_OpenThisFolder},
    {&S::file_cmd_move_dir, &W::Dialog_FileCmd_Move},
    {&S::file_cmd_copy_dir, &W::Dialog_FileCmd_Copy},
    {&S::debug_save_grf_dir, &W::Dialog_Debug_SaveAsGRF},
};

}  // namespace

TMyMainSettings TApp_Mivaro::CurrentSettings() const {
  TMyMainSettings settings;
  for (const TMyCheckBinding& b : kChecks) settings.*b.field = (this->*b.action)->isChecked();
  for (const TMyFolderBinding& b : kFolders) settings.*b.field = (this->*b.dialog).initial_dir;
  settings.volume = TrackBar_Volume->value();
  return settings;
}

void TApp_Mivaro::ApplySettings(const TMyMainSettings& settings) {
  for (const TMyCheckBinding& b : kChecks) (this->*b.action)->setChecked(settings.*b.field);
  for (const TMyFolderBinding& b : kFolders) (this->*b.dialog).initial_dir = settings.*b.field;
  TrackBar_Volume->setValue(settings.volume);
}

void TApp_Mivaro::LoadSettings() {
  const Qt::KeyboardModifiers keys = Keys();
  const bool shift = keys.testFlag(Qt::ShiftModifier);
  if (shift && keys.testFlag(Qt::ControlModifier)) return;
  TMyIniFile ini;
  if (!shift) {
    TMyFormBounds bounds(this, u"App_Mivaro");
    ini.ReadFormBounds(u"Bounds", bounds);
  }
  TMyMainSettings settings = CurrentSettings();
  LoadMainSettings(ini, settings);
  ApplySettings(settings);
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
  SaveMainSettings(ini, CurrentSettings());

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
