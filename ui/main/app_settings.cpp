// Settings of the main window (the program's INI file), resume play and the icon size.
#include <QAction>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QSlider>
#include <QToolBar>

#include "core/files.h"
#include "core/shell.h"
#include "core/wstrings.h"
#include "settings/ini_file.h"
#include "settings/main_settings.h"
#include "ui/main/app_mivaro.h"
#include "ui/main/playlist_combo.h"
#include "ui/main/track_bar.h"

namespace mivaro {
namespace {

// The window rectangle as the settings store reads and writes it.
class TMyFormBounds : public TMyIniForm {
 public:
  explicit TMyFormBounds(QWidget* form) : form_(form) {}
  WString ComponentName() const override { return u"App_Mivaro"; }
  TMyRect BoundsRect() const override {
    const QRect r = form_->geometry();
    return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
  }
  void SetBoundsRect(const TMyRect& rect) override {
    const int w = rect.right - rect.left;
    const int h = rect.bottom - rect.top;
    if (w <= 0 || h <= 0) return;
    form_->setGeometry(rect.left, rect.top, w, h);
  }
  TMyRect WorkAreaNear(const TMyRect& rect) const override {
    QScreen* screen = QGuiApplication::screenAt(
        QPoint((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2));
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) return rect;
    const QRect a = screen->availableGeometry();
    return {a.left(), a.top(), a.left() + a.width(), a.top() + a.height()};
  }

 private:
  QWidget* form_;
};

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
  settings.list_folder_name = list_folder_name_;
  return settings;
}

void TApp_Mivaro::ApplySettings(const TMyMainSettings& settings) {
  for (const TMyCheckBinding& b : kChecks) (this->*b.action)->setChecked(settings.*b.field);
  for (const TMyFolderBinding& b : kFolders) (this->*b.dialog).initial_dir = settings.*b.field;
  TrackBar_Volume->setValue(settings.volume);
  list_folder_name_ = settings.list_folder_name;
}

std::array<std::pair<const char16_t*, QMenu*>, 3> TApp_Mivaro::HistorySections() const {
  return {{{u"OpenFileHistory", PopupMenu_File_OpenFile},
           {u"OpenFolderHistory", PopupMenu_File_OpenFolder},
           {u"OpenThisFolderHistory", PopupMenu_File_OpenThisFolder}}};
}

void TApp_Mivaro::LoadSettings() {
  const Qt::KeyboardModifiers keys = Keys();
  const bool shift = keys.testFlag(Qt::ShiftModifier);
  if (shift && keys.testFlag(Qt::ControlModifier)) return;
  TMyIniFile ini;
  if (!shift) {
    TMyFormBounds bounds(this);
    ini.ReadFormBounds(u"Bounds", bounds);
  }
  TMyMainSettings settings = CurrentSettings();
  LoadMainSettings(ini, settings);
  ApplySettings(settings);
  TMyWStrings lines;
  ini.ReadSectionLines(u"FindHistory", lines);
  find_history_.clear();
  for (int i = 0; i < lines.Count(); ++i) find_history_.push_back(lines.Get(i));
  while (!find_history_.empty() && find_history_.back().empty()) find_history_.pop_back();

  // Resume play: only for a start without arguments and with the list file present.
  if (Action_Opt_Resume->isChecked() && arguments_.empty() && FileExists(ResumeListFileName())) {
    controller_->SetResume(ini.ReadInteger(u"RESUME", u"Index", -1),
                           ini.ReadInteger(u"RESUME", u"Time", 0));
  } else {
    controller_->SetResume(-1, 0);
  }

  // Histories: the first line ends on top.
  for (const auto& [section, menu] : HistorySections()) {
    if (!ini.SectionExists(section)) continue;
    ini.ReadSectionLines(section, lines);
    for (int i = lines.Count() - 1; i >= 0; --i) InsertHistory(menu, lines.Get(i));
  }
}

void TApp_Mivaro::SaveSettings() {
  const Qt::KeyboardModifiers keys = Keys();
  if (keys.testFlag(Qt::ShiftModifier) && keys.testFlag(Qt::ControlModifier)) return;
  TMyIniFile ini;
  if (!windowState().testFlag(Qt::WindowMinimized) && !windowState().testFlag(Qt::WindowFullScreen)) {
    TMyFormBounds bounds(this);
    ini.WriteFormBounds(u"Bounds", bounds);
  }
  SaveMainSettings(ini, CurrentSettings());

  TMyWStrings lines;
  if (!find_history_.empty()) {
    for (const WString& line : find_history_) lines.Add(line);
    ini.WriteSectionLines(u"FindHistory", lines);
  }
  for (const auto& [section, menu] : HistorySections()) {
    lines.Clear();
    for (const WString& path : HistoryPaths(menu)) lines.Add(path);
    ini.WriteSectionLines(section, lines);
  }

  if (Action_Opt_Resume->isChecked()) {
    ini.WriteInteger(u"RESUME", u"Index", ItemIndex());
    ini.WriteInteger(u"RESUME", u"Time", static_cast<int>(PlayerPosition()));
    const WString list = ResumeListFileName();
    if (playlist_->Count() > 0) {
      TMyWStrings copy;
      copy.AddWStrings(*playlist_);
      copy.LineBreak = kLineBreakCrLf;
      copy.SaveToFileEnc(list, kEncodingUtf8);
    } else if (FileExists(list)) {
      RecycleItem(list);
    }
  } else {
    ini.WriteInteger(u"RESUME", u"Index", -1);
    ini.WriteInteger(u"RESUME", u"Time", -1);
  }
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
  TrackBar_Seek->setFixedHeight(large ? seek_height_ * 2 : seek_height_);
  if (hooks.send_to_update) hooks.send_to_update();
}

}  // namespace mivaro
