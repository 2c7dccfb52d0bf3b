// Settings, the open history, the external program list and the default dialogs of the
// capture window.
#include <QAction>
#include <QComboBox>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMenu>
#include <QMessageBox>
#include <QScreen>

#include "capture/save_names.h"
#include "core/files.h"
#include "core/hooks.h"
#include "core/paths.h"
#include "core/wstrings.h"
#include "platform/os/launch.h"
#include "settings/ini_file.h"
#include "ui/desktop/form_bounds.h"
#include "settings/param.h"
#include "ui/capture/app_tool_bmp_capture_ex.h"
#include "ui/capture/program_window.h"

namespace mivaro {

namespace {

constexpr size_t kHistoryMax = 10;
constexpr char16_t kOpenFilter[] =
    u"ビデオファイル (*.avi;*.mpg;*.mpeg;*.mp4;*.m4v;*.mkv;*.mov;*.wmv;*.asf;*.flv;*.webm;*.ts;"
    u"*.m2ts;*.ogv)|*.avi;*.mpg;*.mpeg;*.mp4;*.m4v;*.mkv;*.mov;*.wmv;*.asf;*.flv;*.webm;*.ts;"
    u"*.m2ts;*.ogv|すべてのファイル (*.*)|*.*";
constexpr char16_t kProgramFilter[] = u"プログラム (*)|*|デスクトップ項目 (*.desktop)|*.desktop";

QString Q(WStringView s) { return QString::fromStdU16String(WString(s)); }
WString W(const QString& s) { return s.toStdU16String(); }

void ReadCheck(TMyIniFile& ini, const char16_t* section, const char16_t* key, QAction* action) {
  action->setChecked(ini.ReadBool(section, key, action->isChecked()));
}

// "text|patterns|text|patterns" as Qt's name filters ("text" already shows the patterns;
// Qt reads them from the parentheses, separated by blanks).
QStringList NameFilters(WStringView filter) {
  const QStringList parts = Q(filter).split(QLatin1Char('|'));
  QStringList names;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    names << QString(parts[i]).replace(QLatin1Char(';'), QLatin1Char(' '));
  }
  return names;
}

bool RunFileDialog(QWidget* parent, TMyCaptureDialogKind kind, TMyCaptureDialog& dialog) {
  const bool save = kind == TMyCaptureDialogKind::Save;
  const WStringView filter = save ? WStringView(capture::kSaveFilter)
                             : kind == TMyCaptureDialogKind::Open ? WStringView(kOpenFilter)
                                                                  : WStringView(kProgramFilter);
  QFileDialog box(parent);
  box.setWindowTitle(kind == TMyCaptureDialogKind::SelProgram ? QStringLiteral("プログラムを追加...")
                     : save                                  ? QStringLiteral("名前を付けて保存")
                                                             : QStringLiteral("開く"));
  box.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  box.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  // The overwrite question is the window's own (it asks about the name actually written).
  box.setOption(QFileDialog::DontConfirmOverwrite);
  const QStringList names = NameFilters(filter);
  box.setNameFilters(names);
  if (dialog.filter_index >= 1 && dialog.filter_index <= names.size()) {
    box.selectNameFilter(names[dialog.filter_index - 1]);
  }
  if (!dialog.initial_dir.empty()) box.setDirectory(Q(dialog.initial_dir));
  if (!dialog.file_name.empty()) box.selectFile(Q(ExtractFileName(dialog.file_name)));
  if (box.exec() != QDialog::Accepted || box.selectedFiles().isEmpty()) return false;
  dialog.file_name = W(box.selectedFiles().front());
  dialog.initial_dir = ExtractFileDir(dialog.file_name);
  dialog.filter_index = static_cast<int>(names.indexOf(box.selectedNameFilter())) + 1;
  if (dialog.filter_index < 1) dialog.filter_index = 1;
  return true;
}

}  // namespace

void TApp_TOOLBmpCaptureEx::LoadSettings() {
  if (!ExecuteDialog) {
    ExecuteDialog = [this](TMyCaptureDialogKind kind, TMyCaptureDialog& dialog) {
      return RunFileDialog(this, kind, dialog);
    };
  }
  if (!AskOverwrite) {
    AskOverwrite = [this](const QString& text, const QString& title) {
      return QMessageBox::question(this, title, QString(text).replace(QLatin1Char('\r'), QLatin1Char('\n'))) ==
             QMessageBox::Yes;
    };
  }
  TMyIniFile ini;
  if (!Shift()) {
    TMyFormBounds bounds(this, u"App_TOOLBmpCaptureEx");
    if (ini.SectionExists(u"CAPTURE_Bounds")) ini.ReadFormBounds(u"CAPTURE_Bounds", bounds);
  }
  ReadCheck(ini, u"CAPTURE_Play", u"Mute", Action_Play_Mute);
  ReadCheck(ini, u"CAPTURE_Program", u"Foreground", Action_Program_Foreground);
  ReadCheck(ini, u"CAPTURE_Option", u"TimeVerbose", Action_Opt_TimeVerbose);
  ReadCheck(ini, u"CAPTURE_Option", u"ToolBar", Action_Opt_ToolBar);
  ReadCheck(ini, u"CAPTURE_Option", u"StatusBar", Action_Opt_StatusBar);
  ReadCheck(ini, u"CAPTURE_Option", u"HintPopup", Action_Opt_HintPopup);
  ReadCheck(ini, u"CAPTURE_Option", u"SampleGrabber", Action_Opt_SampleGrabber);
  Dialog_Open.initial_dir = ini.ReadString(u"CAPTURE_Dialog", u"OpenPath", Dialog_Open.initial_dir);
  Dialog_Save.initial_dir = ini.ReadString(u"CAPTURE_Dialog", u"SavePath", Dialog_Save.initial_dir);
  Dialog_SelProgram.initial_dir =
      ini.ReadString(u"CAPTURE_Dialog", u"SelProgramPath", Dialog_SelProgram.initial_dir);
  Dialog_Open.filter_index =
      ini.ReadInteger(u"CAPTURE_Dialog", u"OpenFilterIndex", Dialog_Open.filter_index);
  Dialog_Save.filter_index =
      ini.ReadInteger(u"CAPTURE_Dialog", u"SaveFilterIndex", Dialog_Save.filter_index);
  TMyWStrings lines;
  ini.ReadSectionLines(u"CAPTURE_ProgramList", lines);
  for (int i = 0; i < lines.Count(); ++i) {
    if (!lines.Get(i).empty()) AddProgram(lines.Get(i));
  }
  ini.ReadSectionLines(u"CAPTURE_OpenHistory", lines);
  for (int i = lines.Count() - 1; i >= 0; --i) AddHistory(lines.Get(i));
}

void TApp_TOOLBmpCaptureEx::SaveSettings() {
  const Qt::KeyboardModifiers keys = Keys();
  if (keys.testFlag(Qt::ShiftModifier) && keys.testFlag(Qt::ControlModifier)) return;
  TMyIniFile ini;
  if (!keys.testFlag(Qt::ShiftModifier) && !isMinimized() && !isMaximized()) {
    TMyFormBounds bounds(this, u"App_TOOLBmpCaptureEx");
    ini.WriteFormBounds(u"CAPTURE_Bounds", bounds);
  }
  ini.WriteBool(u"CAPTURE_Play", u"Mute", Action_Play_Mute->isChecked());
  ini.WriteBool(u"CAPTURE_Program", u"Foreground", Action_Program_Foreground->isChecked());
  ini.WriteBool(u"CAPTURE_Option", u"TimeVerbose", Action_Opt_TimeVerbose->isChecked());
  ini.WriteBool(u"CAPTURE_Option", u"ToolBar", Action_Opt_ToolBar->isChecked());
  ini.WriteBool(u"CAPTURE_Option", u"StatusBar", Action_Opt_StatusBar->isChecked());
  ini.WriteBool(u"CAPTURE_Option", u"HintPopup", Action_Opt_HintPopup->isChecked());
  ini.WriteBool(u"CAPTURE_Option", u"SampleGrabber", Action_Opt_SampleGrabber->isChecked());
  ini.WriteString(u"CAPTURE_Dialog", u"OpenPath", Dialog_Open.initial_dir);
  ini.WriteString(u"CAPTURE_Dialog", u"SavePath", Dialog_Save.initial_dir);
  ini.WriteString(u"CAPTURE_Dialog", u"SelProgramPath", Dialog_SelProgram.initial_dir);
  ini.WriteInteger(u"CAPTURE_Dialog", u"OpenFilterIndex", Dialog_Open.filter_index);
  ini.WriteInteger(u"CAPTURE_Dialog", u"SaveFilterIndex", Dialog_Save.filter_index);
  TMyWStrings lines;
  for (const WString& p : ProgramList()) lines.Add(p);
  ini.WriteSectionLines(u"CAPTURE_ProgramList", lines);
  lines.Clear();
  for (const WString& p : history_) lines.Add(p);
  ini.WriteSectionLines(u"CAPTURE_OpenHistory", lines);
  ini.UpdateFile();
}

// ---- Open history ---------------------------------------------------------------------------

void TApp_TOOLBmpCaptureEx::AddHistory(WStringView path) {
  if (path.empty()) return;
  const WString upper = ParamUpper(path);
  std::erase_if(history_, [&](const WString& p) { return ParamUpper(p) == upper; });
  history_.insert(history_.begin(), WString(path));
  if (history_.size() > kHistoryMax) history_.resize(kHistoryMax);
  Menu_OpenHistory->clear();
  for (const WString& p : history_) {
    const QString full = Q(p);
    QAction* item = Menu_OpenHistory->addAction(QString(full).replace(QLatin1Char('&'), QStringLiteral("&&")));
    item->setData(full);
    connect(item, &QAction::triggered, this, [this, full] { OpenFile(W(full)); });
  }
  Menu_OpenHistory->setEnabled(!history_.empty());
}

std::vector<WString> TApp_TOOLBmpCaptureEx::HistoryPaths() const { return history_; }

// ---- External programs ----------------------------------------------------------------------

std::vector<WString> TApp_TOOLBmpCaptureEx::ProgramList() const {
  std::vector<WString> list;
  for (int i = 0; i < ComboBox_Program->count(); ++i) {
    list.push_back(W(ComboBox_Program->itemData(i).toString()));
  }
  return list;
}

void TApp_TOOLBmpCaptureEx::AddProgram(WStringView path) {
  const QString full = Q(path);
  if (ComboBox_Program->findData(full) >= 0) {
    ShowMessage(WString(path) + u"\rは登録済みです", MessageKind::Notice);
    return;
  }
  ComboBox_Program->addItem(Q(ExtractFileName(path)), full);
  ComboBox_Program->setItemData(ComboBox_Program->count() - 1, full, Qt::ToolTipRole);
  ComboBox_Program->setCurrentIndex(ComboBox_Program->count() - 1);
  RebuildProgramMenu();
}

void TApp_TOOLBmpCaptureEx::RebuildProgramMenu() {
  // The program menu: the list commands, then one item per program.
  Menu_Program->clear();
  for (QAction* a : {Action_Program_Add, Action_Program_Delete, Action_Program_Run,
                     Action_Program_Foreground}) {
    Menu_Program->addAction(a);
  }
  if (ComboBox_Program->count() > 0) Menu_Program->addSeparator();
  for (int i = 0; i < ComboBox_Program->count(); ++i) {
    const QString program = ComboBox_Program->itemData(i).toString();
    QAction* item = Menu_Program->addAction(ComboBox_Program->itemText(i));
    item->setToolTip(program);
    connect(item, &QAction::triggered, this, [this, program] {
      ComboBox_Program->setCurrentIndex(ComboBox_Program->findData(program));
      RunProgram(W(program));
    });
  }
}

void TApp_TOOLBmpCaptureEx::Action_Program_AddExecute(QObject* sender) {
  if (sender && ExecuteDialog &&
      !ExecuteDialog(TMyCaptureDialogKind::SelProgram, Dialog_SelProgram)) {
    return;
  }
  if (!Dialog_SelProgram.file_name.empty()) AddProgram(Dialog_SelProgram.file_name);
}

void TApp_TOOLBmpCaptureEx::Action_Program_DeleteExecute(QObject*) {
  const int index = ComboBox_Program->currentIndex();
  if (index < 0) return;
  const std::vector<WString> rest = [&] {
    std::vector<WString> list = ProgramList();
    list.erase(list.begin() + index);
    return list;
  }();
  ComboBox_Program->clear();
  for (const WString& p : rest) AddProgram(p);
  RebuildProgramMenu();
  ComboBox_Program->setCurrentIndex(std::min(index, ComboBox_Program->count() - 1));
}

void TApp_TOOLBmpCaptureEx::Action_Program_RunExecute(QObject*) {
  const int index = ComboBox_Program->currentIndex();
  if (index >= 0) RunProgram(W(ComboBox_Program->itemData(index).toString()));
}

void TApp_TOOLBmpCaptureEx::RunProgram(const WString& program) {
  if (!FileExists(program)) return;
  const std::string file = Utf8(program);
  if (Action_Program_Foreground->isChecked() && RaiseProgramWindow(file)) return;
  int pid = 0;
  std::string error;
  const bool started = AsciiLowerText(ExtractFileExt(program)) == u".desktop"
                           ? os::LaunchDesktopFile(file, {}, pid, &error)
                           : os::SpawnProgram({file}, pid, &error);
  if (!started) ShowMessage(program + u"\rは開けません", MessageKind::Error);
}

}  // namespace mivaro
