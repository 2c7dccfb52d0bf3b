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

void ReadCheck(TMyIniFile& ini, const char16_t* section, const char16_t* key, QAction* action) {
  action->setChecked(ini.ReadBool(section, key, action->isChecked()));
}

void ReadFolder(TMyIniFile& ini, const char16_t* key, TMyDialogState& dialog) {
  dialog.initial_dir = ini.ReadString(u"Dialog", key, dialog.initial_dir);
}

}  // namespace

void TApp_Mivaro::LoadSettings() {
  const Qt::KeyboardModifiers keys = Keys();
  const bool shift = keys.testFlag(Qt::ShiftModifier);
  if (shift && keys.testFlag(Qt::ControlModifier)) return;
  TMyIniFile ini;
  if (!shift) {
    TMyFormBounds bounds(this);
    ini.ReadFormBounds(u"Bounds", bounds);
  }
  ReadCheck(ini, u"List", u"Main_FolderName", Action_List_FolderName);
  ReadCheck(ini, u"Play", u"Mute", Action_Play_Mute);
  TrackBar_Volume->setValue(ini.ReadInteger(u"Play", u"Volume", TrackBar_Volume->value()));
  ReadCheck(ini, u"Zoom", u"KeepAspect", Action_Zoom_KeepAspect);
  ReadCheck(ini, u"Zoom", u"Wallvideo", Action_Zoom_Wallvideo);
  ReadCheck(ini, u"Zoom", u"FullScreen", Action_Zoom_FullScreen);
  ReadCheck(ini, u"Zoom", u"MaxScreen", Action_Zoom_MaxScreen);
  ReadFolder(ini, u"OpenFile", Dialog_File_OpenFile);
  ReadFolder(ini, u"OpenFolder", Dialog_File_OpenFolder);
  ReadFolder(ini, u"OpenThisFolder", Dialog_File_OpenThisFolder);
  ReadFolder(ini, u"FileCmdMove", Dialog_FileCmd_Move);
  ReadFolder(ini, u"FileCmdCopy", Dialog_FileCmd_Copy);
  ReadFolder(ini, u"DebugSaveAsGRF", Dialog_Debug_SaveAsGRF);
  ReadCheck(ini, u"Option", u"Random", Action_Opt_Random);
  ReadCheck(ini, u"Option", u"TimeVerbose", Action_Opt_TimeVerbose);
  ReadCheck(ini, u"Option", u"AllowImage", Action_Opt_AllowImage);
  ReadCheck(ini, u"Option", u"LargeIcon", Action_Opt_LargeIcon);
  ReadCheck(ini, u"RESUME", u"Resume", Action_Opt_Resume);
  // The playlist window's own keys are kept as they are until that window reads them.
  list_folder_name_ = ini.ReadBool(u"List", u"List_FolderName", list_folder_name_);
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
  const std::pair<const char16_t*, QMenu*> histories[] = {
      {u"OpenFileHistory", PopupMenu_File_OpenFile},
      {u"OpenFolderHistory", PopupMenu_File_OpenFolder},
      {u"OpenThisFolderHistory", PopupMenu_File_OpenThisFolder}};
  for (const auto& [section, menu] : histories) {
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
  ini.WriteBool(u"List", u"Main_FolderName", Action_List_FolderName->isChecked());
  ini.WriteBool(u"List", u"List_FolderName", list_folder_name_);
  ini.WriteBool(u"Play", u"Mute", Action_Play_Mute->isChecked());
  ini.WriteInteger(u"Play", u"Volume", TrackBar_Volume->value());
  ini.WriteBool(u"Zoom", u"KeepAspect", Action_Zoom_KeepAspect->isChecked());
  ini.WriteBool(u"Zoom", u"Wallvideo", Action_Zoom_Wallvideo->isChecked());
  ini.WriteBool(u"Zoom", u"FullScreen", Action_Zoom_FullScreen->isChecked());
  ini.WriteBool(u"Zoom", u"MaxScreen", Action_Zoom_MaxScreen->isChecked());
  ini.WriteString(u"Dialog", u"OpenFile", Dialog_File_OpenFile.initial_dir);
  ini.WriteString(u"Dialog", u"OpenFolder", Dialog_File_OpenFolder.initial_dir);
  ini.WriteString(u"Dialog", u"OpenThisFolder", Dialog_File_OpenThisFolder.initial_dir);
  ini.WriteString(u"Dialog", u"FileCmdMove", Dialog_FileCmd_Move.initial_dir);
  ini.WriteString(u"Dialog", u"FileCmdCopy", Dialog_FileCmd_Copy.initial_dir);
  ini.WriteString(u"Dialog", u"DebugSaveAsGRF", Dialog_Debug_SaveAsGRF.initial_dir);
  ini.WriteBool(u"Option", u"Random", Action_Opt_Random->isChecked());
  ini.WriteBool(u"Option", u"TimeVerbose", Action_Opt_TimeVerbose->isChecked());
  ini.WriteBool(u"Option", u"AllowImage", Action_Opt_AllowImage->isChecked());
  ini.WriteBool(u"Option", u"LargeIcon", Action_Opt_LargeIcon->isChecked());

  TMyWStrings lines;
  if (!find_history_.empty()) {
    for (const WString& line : find_history_) lines.Add(line);
    ini.WriteSectionLines(u"FindHistory", lines);
  }
  const std::pair<const char16_t*, QMenu*> histories[] = {
      {u"OpenFileHistory", PopupMenu_File_OpenFile},
      {u"OpenFolderHistory", PopupMenu_File_OpenFolder},
      {u"OpenThisFolderHistory", PopupMenu_File_OpenThisFolder}};
  for (const auto& [section, menu] : histories) {
    lines.Clear();
    for (const WString& path : HistoryPaths(menu)) lines.Add(path);
    ini.WriteSectionLines(section, lines);
  }

  const bool resume = Action_Opt_Resume->isChecked();
  ini.WriteBool(u"RESUME", u"Resume", resume);
  if (resume) {
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
