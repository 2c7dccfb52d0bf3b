// Opening files, folders and playlists: the one adding operation AddFiles, the three open
// commands with their dialogs and histories, dropped files, paste, copy, save as and the
// properties of an entry.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMimeData>
#include <QStringList>
#include <QTimer>
#include <QElapsedTimer>
#include <malloc.h>

#include <cstdio>

#include "core/files.h"
#include "core/hooks.h"
#include "core/paths.h"
#include "core/shell.h"
#include "core/text_lines.h"
#include "core/text_encoding.h"
#include "core/version.h"
#include "core/wstrings.h"
#include "player/open_policy.h"
#include "player/qt/directshow_player.h"
#include "playlist/media_strings.h"
#include "settings/param.h"
#include "ui/main/app_mivaro.h"
#include "ui/main/history_menus.h"
#include "ui/main/busy_guard.h"
#include "ui/main/message_boxes.h"
#include "ui/main/properties_dialog.h"

namespace mivaro {
namespace {

// Lists at least this long return the heap pages their reading freed.
constexpr int kTrimAfterEntries = 1000;

QString Q(WStringView s) { return QString::fromStdU16String(WString(s)); }

WString FormatPath(WStringView pattern, WStringView path) {
  QString text = Q(pattern);
  text.replace(QStringLiteral("%s"), Q(path));
  return text.toStdU16String();
}

// Lines of a text (core/text_lines.h); empty lines are left out.
std::vector<WString> SplitLines(WStringView text) {
  std::vector<WString> lines;
  ForEachTextLine(text, [&](WStringView line) {
    if (!line.empty()) lines.emplace_back(line);
  });
  return lines;
}

}  // namespace

WString TApp_Mivaro::ResumeListFileName() { return mivaro::ResumeListFileName(GetAppBaseFileName()); }

WString TApp_Mivaro::ListTextFileName() { return ChangeFileExt(GetAppBaseFileName(), u".txt"); }

WString TApp_Mivaro::InitialFolder() {
  for (const WString& folder : {GetMyVideosFolder(), GetMyMusicFolder(), GetMyDocumentsFolder()}) {
    if (!folder.empty()) return folder;
  }
  return {};
}

// ---- AddFiles ---------------------------------------------------------------------------------

void TApp_Mivaro::AddFiles(const std::vector<WString>& paths) {
  const int old = playlist_->Count();
  TMyMediaStrings found;
  found.SetExcludeExtensions(ExcludedExtensions());
  found.OnFileAdded = [this](int number, WStringView path) {
    file_count_ = number;
    file_path_ = WString(path);
  };
  found.EscapeCancels = true;
  TMyWStrings sources;
  for (const WString& path : paths) {
    if (!path.empty()) sources.Add(path);
  }
  file_count_ = 0;
  file_path_.clear();
  QElapsedTimer timing;
  timing.start();
  Timer_GetFile->start();
  found.AddFromSources(sources);
  Timer_GetFile->stop();
  file_count_ = 0;
  file_path_.clear();
  UpdateCaption();

  const int count = found.Count();
  if (count == 0) {
    if (controller_->ResumeIndex() < 0) {
      ShowNotice(u"取得ファイルがありませんでした");
      setWindowTitle(product_name_);
    }
    return;
  }
  playlist_->AddWStrings(found);
  found.Clear();
  // Reading a large playlist leaves its intermediate copies (the file's text, the parsed
  // entries, the found list) as free space spread through the heap, which the allocator
  // keeps resident; hand those pages back now that the list holds the entries.
  if (count >= kTrimAfterEntries) malloc_trim(0);
  if (qEnvironmentVariableIsSet("MIVARO_REPORT_TIMES"))
    std::fprintf(stderr, "@metric add_ms=%lld files=%d\n", static_cast<long long>(timing.elapsed()), count);
  RefreshListWindow();
  UpdateActionStates();
  controller_->PlayAdded(old, count);
}

// ---- Dialogs ------------------------------------------------------------------------------

void TApp_Mivaro::StartFolderRule(TMyDialogState& dialog, bool file_dialog) {
  if (Keys().testFlag(Qt::ShiftModifier)) {
    dialog.initial_dir = InitialFolder();
    if (file_dialog) dialog.file_name.clear();
  } else if (!FolderExists(dialog.initial_dir)) {
    dialog.initial_dir = NearestExistingFolder(dialog.initial_dir);
  }
}

bool TApp_Mivaro::RunDialog(TMyDialogKind kind, TMyDialogState& state) {
  return ExecuteDialog ? ExecuteDialog(kind, state) : RunFileDialog(this, kind, state);
}

// ---- Open commands --------------------------------------------------------------------------

void TApp_Mivaro::Action_File_OpenFileExecute(QObject* sender) {
  TMyBusyScope busy;
  TMyDialogState& dialog = Dialog_File_OpenFile;
  StartFolderRule(dialog, true);
  if (sender && !RunDialog(TMyDialogKind::OpenFile, dialog)) return;
  std::vector<WString> paths = dialog.files;
  if (paths.empty() && !dialog.file_name.empty()) paths.push_back(dialog.file_name);
  if (!paths.empty()) dialog.initial_dir = ExtractFileDir(paths.front());
  AddFiles(paths);
  for (const WString& path : paths) {
    if (FolderExists(path)) {
      InsertHistory(PopupMenu_File_OpenFolder, path);
    } else if (FileExists(path)) {
      InsertHistory(PopupMenu_File_OpenFile, path);
    }
  }
}

void TApp_Mivaro::OpenFolderCommand(QObject* sender, TMyDialogState& dialog, QMenu* history,
                                    bool with_subfolders) {
  TMyBusyScope busy;
  StartFolderRule(dialog, false);
  const TMyDialogKind kind = with_subfolders ? TMyDialogKind::OpenFolder : TMyDialogKind::OpenThisFolder;
  if (sender && !RunDialog(kind, dialog)) return;
  if (dialog.files.empty() && !dialog.file_name.empty()) dialog.files = {dialog.file_name};
  if (dialog.files.empty()) return;
  const WString selected = dialog.file_name.empty() ? dialog.files.front() : dialog.file_name;
  dialog.initial_dir = ExtractFileDir(ExcludeTrailingPathDelimiter(selected));
  if (with_subfolders) {
    AddFiles(dialog.files);
  } else {
    // The chosen folders' own files only, without their subfolders.
    std::vector<WString> files;
    for (const WString& folder : dialog.files) {
      const std::vector<WString> here = FolderOwnFiles(folder, [] { ProcessMessages(); });
      files.insert(files.end(), here.begin(), here.end());
    }
    AddFiles(files);
  }
  InsertHistory(history, selected);
}

void TApp_Mivaro::Action_File_OpenFolderExecute(QObject* sender) {
  OpenFolderCommand(sender, Dialog_File_OpenFolder, PopupMenu_File_OpenFolder, true);
}

void TApp_Mivaro::Action_File_OpenThisFolderExecute(QObject* sender) {
  OpenFolderCommand(sender, Dialog_File_OpenThisFolder, PopupMenu_File_OpenThisFolder, false);
}

// ---- Histories ------------------------------------------------------------------------------

void TApp_Mivaro::InsertHistory(QMenu* menu, WStringView path) { histories_->Insert(menu, path); }

std::vector<WString> TApp_Mivaro::HistoryPaths(QMenu* menu) const { return TMyOpenHistories::Paths(menu); }

void TApp_Mivaro::HistoryClicked(QMenu* menu, const WString& path) {
  if (menu == PopupMenu_File_OpenFile) {
    Dialog_File_OpenFile.files.clear();
    Dialog_File_OpenFile.file_name = path;
    Action_File_OpenFileExecute(nullptr);
  } else if (menu == PopupMenu_File_OpenFolder) {
    Dialog_File_OpenFolder.files = {path};
    Dialog_File_OpenFolder.file_name = path;
    Action_File_OpenFolderExecute(nullptr);
  } else if (menu == PopupMenu_File_OpenThisFolder) {
    Dialog_File_OpenThisFolder.files = {path};
    Dialog_File_OpenThisFolder.file_name = path;
    Action_File_OpenThisFolderExecute(nullptr);
  }
}

// ---- Drops, clipboard -------------------------------------------------------------------------

void TApp_Mivaro::DropFiles(const std::vector<WString>& names) {
  if (IsBusy()) return;
  TMyBusyScope busy;
  std::vector<WString> keep;
  for (const WString& name : names) {
    if (FileExists(name) || FolderExists(name)) keep.push_back(name);
  }
  if (keep.empty()) return;
  Dialog_File_OpenFile.files = keep;
  Dialog_File_OpenFile.file_name = keep.front();
  Action_File_OpenFileExecute(nullptr);
}

void TApp_Mivaro::Action_List_PasteExecute(QObject*) {
  TMyBusyScope busy;
  if (Keys().testFlag(Qt::ShiftModifier)) {
    DShow_Player->Clear();
    UpdateCaption();
  }
  const QString text = QGuiApplication::clipboard()->text();
  AddFiles(SplitLines(text.toStdU16String()));
}

void TApp_Mivaro::Action_List_CopyExecute(QObject*) {
  if (playlist_->Count() == 0) return;
  WString text;
  for (int i = 0; i < playlist_->Count(); ++i) text += playlist_->At(i) + u"\r\n";
  QGuiApplication::clipboard()->setText(Q(text));
  if (!Keys().testFlag(Qt::ControlModifier)) return;
  const WString file = ListTextFileName();
  TMyWStrings copy;
  copy.AddWStrings(*playlist_);
  copy.LineBreak = kLineBreakCrLf;
  copy.SaveToFileEnc(file, kEncodingUtf8Bom);
  if (!FileExists(file)) return;
  if (OpenWithProgram) {
    OpenWithProgram(file);
  } else {
    ShellExecuteFile(file, u"");
  }
}

// ---- Save as ------------------------------------------------------------------------------

bool TApp_Mivaro::WriteM3u8(WStringView file_name) {
  const WString base = ExtractFilePath(file_name);
  TMyWStrings lines;
  lines.BeginUpdate();
  for (int i = 0; i < playlist_->Count(); ++i) lines.Add(MakeRelativeFileName(playlist_->At(i), base));
  lines.EndUpdate();
  lines.LineBreak = kLineBreakCrLf;
  return SaveM3u8(file_name, lines);
}

void TApp_Mivaro::Action_File_SaveAsExecute(QObject* sender) {
  if (playlist_->Count() == 0) return;
  if (sender && !RunDialog(TMyDialogKind::Save, Dialog_Save)) return;
  WString name = Dialog_Save.file_name;
  if (name.empty()) return;
  if (AsciiLowerText(ExtractFileExt(name)) != u".m3u8") name += u".m3u8";
  Dialog_Save.initial_dir = ExtractFileDir(name);
  if (FileExists(name) && sender &&
      AskYesNo(FormatPath(u"%s\rは既に存在します。上書きしますか?", name)) != kIdYes)
    return;
  if (!WriteM3u8(name)) ShowNotice(FormatPath(u"%s\rに保存できませんでした", name));
}

// ---- Properties ---------------------------------------------------------------------------

void TApp_Mivaro::Action_File_PropertyExecute(QObject*) {
  if (ItemIndex() >= 0) ShowEntryProperties(ItemIndex());
}

void TApp_Mivaro::ShowEntryProperties(int index) {
  const WString path = playlist_->Get(index);
  if (path.empty()) return;
  if (Keys().testFlag(Qt::ShiftModifier)) {
    OpenContainingFolder(path);
    return;
  }
  TApp_MivaroProperties dialog(path, this);
  dialog.exec();
}

}  // namespace mivaro
