#include "ui/main/file_commands.h"

#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QFileDialog>
#include <QProgressBar>
#include <QRegularExpression>
#include <QTimer>
#include <atomic>
#include <string>
#include <thread>

#include "core/file_command_errors.h"
#include "core/files.h"
#include "core/paths.h"
#include "core/shell.h"
#include "core/text_encoding.h"
#include "core/version.h"
#include "core/wstrings.h"
#include "platform/os/file_transfer.h"
#include "platform/os/native_path.h"
#include "platform/os/trash.h"
#include "player/qt/directshow_player.h"
#include "playlist/playlist_follow.h"
#include "ui/list/app_mivaro_list.h"
#include "ui/main/app_mivaro.h"
#include "ui/main/busy_guard.h"
#include "ui/main/dialog_filters.h"
#include "ui/main/message_boxes.h"

namespace mivaro {

namespace {

QString Q(WStringView s) { return QString::fromStdU16String(WString(s)); }

// The message text with each "%s" replaced by the next of `args`.
WString Format(WStringView pattern, std::initializer_list<WStringView> args) {
  WString out;
  auto next = args.begin();
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == u'%' && i + 1 < pattern.size() && pattern[i + 1] == u's' && next != args.end()) {
      out += *next++;
      ++i;
    } else {
      out += pattern[i];
    }
  }
  return out;
}

// The 1-based index of the first entry of a "text|patterns|..." filter whose patterns take
// the file's name; 1 when none does.
int FilterIndexFor(const QString& filter, WStringView path) {
  const QString name = Q(ExtractFileName(path));
  const QStringList parts = filter.split(QLatin1Char('|'));
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    for (const QString& p : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
      const QString pattern = p.trimmed() == QStringLiteral("*.*") ? QStringLiteral("*") : p.trimmed();
      const QRegularExpression re(QRegularExpression::wildcardToRegularExpression(pattern),
                                  QRegularExpression::CaseInsensitiveOption);
      if (re.match(name).hasMatch()) return i / 2 + 1;
    }
  }
  return 1;
}

// True when both paths name one existing file or folder (links followed).
bool SameItem(WStringView a, WStringView b) {
  FileIdentity x, y;
  return GetFileIdentity(a, x) && GetFileIdentity(b, y) && x == y;
}

// True when `target` is a file other than `source`: writing it would replace that file.
bool OtherFileAt(WStringView source, WStringView target) {
  return FileExists(target) && !SameItem(source, target);
}

int AskOrStop(WStringView text) { return AskYesNoCancel(text); }

// The rename dialog: a save dialog on the file's own name. Its filter is chosen before the
// name is put in, as choosing a filter replaces the extension of the name shown.
bool RunRenameDialog(QWidget* owner, TMyDialogState& state) {
  QFileDialog dialog(owner, state.title, Q(state.initial_dir));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  // The program asks its own overwrite question afterwards.
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  const QStringList filters = QtFilters(state.filter);
  dialog.setNameFilters(filters);
  if (state.filter_index >= 1 && state.filter_index <= filters.size())
    dialog.selectNameFilter(filters[state.filter_index - 1]);
  dialog.selectFile(Q(ExtractFileName(state.file_name)));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
  state.file_name = dialog.selectedFiles().front().toStdU16String();
  state.files = {state.file_name};
  state.filter_index = static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1;
  return true;
}

}  // namespace

TMyFileCommands::TMyFileCommands(TApp_Mivaro& main) : QObject(&main), main_(main) {
  Bind(main_.Action_FileCmd_Rename, [this](QObject* s) { RenameExecute(s); });
  Bind(main_.Action_FileCmd_Copy, [this](QObject* s) { CopyExecute(s); });
  Bind(main_.Action_FileCmd_Move, [this](QObject* s) { MoveExecute(s); });
  Bind(main_.Action_FileCmd_Trash, [this](QObject* s) { TrashExecute(s); });
  const std::pair<QAction*, int> sorts[] = {{main_.Action_Sort_FileName, kSortPath},
                                            {main_.Action_Sort_Path, kSortFolder},
                                            {main_.Action_Sort_Name, kSortName},
                                            {main_.Action_Sort_Ext, kSortExtension}};
  for (const auto& [action, key] : sorts)
    Bind(action, [this, k = key](QObject* s) { SortExecute(s, k); });
  Bind(main_.Action_Sort_Shuffle, [this](QObject* s) { ShuffleExecute(s); });
  // Attached: the window's state rules now offer the file and sort commands.
  main_.links.file_commands = this;

  if (auto* list = main_.findChild<TApp_MivaroList*>(QString(), Qt::FindDirectChildrenOnly)) {
    list->RenameMediaFile = [this](WStringView p) { return RenameMediaFile(p); };
    list->CopyMediaFile = [this](WStringView p) { return CopyMediaFile(p); };
    list->MoveMediaFile = [this](WStringView p) { return MoveMediaFile(p); };
    list->RecycleMediaFile = [this](WStringView p) { return RecycleMediaFile(p); };
    list->ChooseTargetFolder = [this](bool copy) { return ChooseTargetFolder(copy); };
    list->ForgetSortOrder = [this] { SortExecute(nullptr, kSortPath); };
  }
}

TMyFileCommands::~TMyFileCommands() {
  if (main_.links.file_commands == this) main_.links.file_commands = nullptr;
}

void TMyFileCommands::Bind(QAction* action, std::function<void(QObject*)> command) {
  connect(action, &QAction::triggered, this, [action, command = std::move(command)] {
    if (!IsBusy()) command(action);
  });
}

WString TMyFileCommands::CommandFile() const {
  if (main_.DShow_Player->IsOpened() && !main_.DShow_Player->FileName().empty())
    return main_.DShow_Player->FileName();
  return main_.Playlist().Get(main_.ItemIndex());
}

// ---- Stopping and restarting the file that plays -----------------------------------------

void TMyFileCommands::Interrupt(WStringView path) {
  if (!main_.DShow_Player->IsOpened() || main_.DShow_Player->FileName() != path) return;
  resume_time_ = main_.DShow_Player->Position();
  resume_index_ = main_.ItemIndex();
  resume_paused_ = main_.DShow_Player->PlayState() == 2;
  main_.StopMedia();
}

void TMyFileCommands::Restart(bool from_start) {
  if (resume_index_ < 0) return;
  const int index = resume_index_;
  resume_index_ = -1;
  if (main_.Playlist().Count() == 0) return;
  // The controller's open step starts the file at its resume time; its resume entry (for
  // a list filled later) stays as it was.
  TMyPlaybackController& controller = main_.Controller();
  controller.SetResume(controller.ResumeIndex(), from_start ? 0 : resume_time_);
  main_.SetItemIndex(index);
  main_.PlayCurrent();
  // The open only seeks to the resume time; playing (unless it was paused) is the caller's.
  if (!from_start && main_.DShow_Player->IsOpened() && !resume_paused_) main_.DShow_Player->Play();
}

// ---- Transfers -------------------------------------------------------------------------------

int TMyFileCommands::RunTransfer(bool copies,
                                 const std::function<int(const os::TransferOptions&)>& transfer) {
  QProgressBar* bar = main_.ProgressBar_FileCmd;
  bar->setValue(copies ? bar->minimum() : bar->maximum());
  bar->show();
  std::atomic<uint64_t> done{0}, total{0};
  std::atomic<bool> finished{false};
  os::TransferOptions options;
  options.replace_existing = true;
  options.journal_folder = os::NativePath(GetTransferJournalFolder());
  options.progress = [&done, &total](uint64_t d, uint64_t t) {
    total = t;
    done = d;
  };
  QEventLoop loop;
  int result = 0;
  // The copy runs on its own thread; this one pumps the window's events meanwhile (user
  // input stays blocked by the busy guard), so no step of a large copy or of its final
  // flush to disk holds the window.
  std::thread worker([&] {
    result = transfer(options);
    finished = true;
    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
  });
  QTimer tick;
  tick.setInterval(30);
  QObject::connect(&tick, &QTimer::timeout, [&] {
    const uint64_t t = total;
    bar->setValue(t > 0 ? static_cast<int>(done * 100 / t) : bar->maximum());
  });
  tick.start();
  if (!finished) loop.exec();
  worker.join();
  bar->hide();
  return result;
}

// ---- Rename ------------------------------------------------------------------------------------

int TMyFileCommands::RenameMediaFile(WStringView path_view) {
  const WString path(path_view);
  const bool old_read_only = IsReadOnlyFile(path);
  if (old_read_only) {
    const int answer = AskOrStop(Format(
        u"名前を変更しようとしているファイル\r%s\rには読み取り専用属性がついています。名前を変更しますか",
        {path}));
    if (answer != kIdYes) return answer;
  }
  TMyDialogState& dialog = main_.Dialog_FileCmd_Rename;
  dialog.file_name = path;
  dialog.initial_dir = ExtractFileDir(path);
  dialog.filter_index = FilterIndexFor(dialog.filter, path);
  const bool chosen = main_.ExecuteDialog ? main_.ExecuteDialog(TMyDialogKind::Save, dialog)
                                          : RunRenameDialog(QApplication::activeWindow(), dialog);
  if (!chosen) return kIdCancel;
  const WString target = dialog.file_name;

  const bool case_only = target.size() == path.size() && UpperCaseText(target) == UpperCaseText(path);
  if (target == path) {
    ShowNotice(Format(u"%s\rファイル名が同じです", {target}));
    return kIdNo;
  }
  if (!case_only && !SameFileExt(path, target)) {
    const int answer = AskOrStop(Format(
        u"%s → %s\r\r拡張子を変更すると、ファイルが使えなくなる可能性があります。\r変更しますか?",
        {ExtractFileExt(path), ExtractFileExt(target)}));
    if (answer != kIdYes) return answer;
  }
  // A change of case only names the same file, unless the file system tells case apart and
  // the new spelling is a file of its own: that one would be replaced, so it is asked too.
  bool new_read_only = false;
  if (OtherFileAt(path, target)) {
    new_read_only = IsReadOnlyFile(target);
    const int answer = AskOrStop(Format(new_read_only ? u"%s\rは既に存在し読み取り専用属性がついています\r上書きしますか"
                                                      : u"%s\rは既に存在します\r上書きしますか",
                                        {target}));
    if (answer != kIdYes) return answer;
  } else if (!case_only && !ForceFolders(ExtractFileDir(target))) {
    ShowNotice(Format(u"%s\rフォルダの作成に失敗しました", {ExtractFileDir(target)}));
    return kIdNo;
  }

  Interrupt(path);
  if (old_read_only && !ClearReadOnlyFile(path)) {
    ShowNotice(Format(u"変更前のファイル\r%s\rの読み取り専用属性の解除ができませんでした\r名前の変更はできません",
                      {path}));
  } else if (new_read_only && !ClearReadOnlyFile(target)) {
    if (old_read_only) SetReadOnlyFile(path);
    ShowNotice(Format(u"変更後のファイル\r%s\rの読み取り専用属性の解除ができませんでした\r名前の変更はできません",
                      {target}));
  } else {
    const std::string from = os::NativePath(path), to = os::NativePath(target);
    const int error = RunTransfer(!os::SameFileSystem(from, to), [&](const os::TransferOptions& o) {
      return os::RenameFileSafely(from, to, o);
    });
    if (error == 0) {
      ReplacePlaylistPath(main_.Playlist(), path, target);
      if ((old_read_only || new_read_only) && !SetReadOnlyFile(target))
        ShowNotice(Format(u"%s\r名前の変更はできましたが読み取り専用属性をセットできませんでした", {target}));
    } else {
      // Nothing changed on disk: the files get their attributes back.
      if (old_read_only) SetReadOnlyFile(path);
      if (new_read_only) SetReadOnlyFile(target);
      ShowNotice(Format(u"%s\rの名前を変更できませんでした\r\r%s",
                        {path, FileCommandErrorText(os::FileCommandErrorCode(error), TMyFileCommand::Rename)}));
    }
  }
  Restart(false);
  return kIdYes;
}

void TMyFileCommands::RenameExecute(QObject*) {
  if (main_.ItemIndex() < 0) return;
  TMyBusyScope busy;
  if (RenameMediaFile(CommandFile()) == kIdYes) SortExecute(nullptr, kSortPath);
  main_.RefreshListWindow();
}

// ---- Move and copy -------------------------------------------------------------------------

bool TMyFileCommands::ChooseTargetFolder(bool copy) {
  TMyDialogState& dialog = copy ? main_.Dialog_FileCmd_Copy : main_.Dialog_FileCmd_Move;
  if (main_.Keys().testFlag(Qt::ShiftModifier)) {
    dialog.initial_dir = copy ? GetMyDocumentsFolder() : TApp_Mivaro::InitialFolder();
  } else if (!FolderExists(dialog.initial_dir)) {
    dialog.initial_dir = NearestExistingFolder(dialog.initial_dir);
  }
  if (!main_.RunDialog(TMyDialogKind::OpenFolder, dialog)) return false;
  if (!dialog.file_name.empty()) dialog.initial_dir = dialog.file_name;
  return true;
}

int TMyFileCommands::MoveMediaFile(WStringView path_view) {
  const WString source(path_view);
  const WString folder = main_.Dialog_FileCmd_Move.initial_dir;
  const WString target = IncludeTrailingPathDelimiter(folder) + ExtractFileName(source);
  if (target == source || SameItem(ExtractFileDir(source), folder)) {
    ShowNotice(Format(u"%s\r同じフォルダを指定することはできません", {folder}));
    return kIdNo;
  }
  const bool source_read_only = IsReadOnlyFile(source);
  if (source_read_only) {
    const int answer = AskOrStop(Format(
        u"%s\r移動しようとしているファイルには読み取り専用属性がついています。移動しますか", {source}));
    if (answer != kIdYes) return answer;
  }
  bool target_read_only = false;
  if (FileExists(target)) {
    target_read_only = IsReadOnlyFile(target);
    const int answer = AskOrStop(Format(
        target_read_only
            ? u"%s\r移動先のフォルダには既に同名のファイルが存在し、更に読み取り専用属性がついています\r上書きしますか"
            : u"%s\r移動先のフォルダには既に同名のファイルが存在します\r上書きしますか",
        {target}));
    if (answer != kIdYes) return answer;
  } else if (!ForceFolders(folder)) {
    ShowNotice(Format(u"%s\rフォルダの作成に失敗しました\r移動はできません", {folder}));
    return kIdNo;
  }

  Interrupt(source);
  if (source_read_only && !ClearReadOnlyFile(source)) {
    ShowNotice(Format(u"%s\r移動元ファイルの読み取り専用属性の解除ができませんでした\r移動はできません", {source}));
  } else if (target_read_only && !ClearReadOnlyFile(target)) {
    if (source_read_only) SetReadOnlyFile(source);
    ShowNotice(Format(u"%s\r移動先ファイルの読み取り専用属性の解除ができませんでした\r移動はできません", {target}));
  } else {
    const std::string from = os::NativePath(source), to = os::NativePath(target);
    const int error = RunTransfer(!os::SameFileSystem(from, to), [&](const os::TransferOptions& o) {
      return os::MoveFileSafely(from, to, o);
    });
    if (error == 0) {
      ReplacePlaylistPath(main_.Playlist(), source, target);
      if ((source_read_only || target_read_only) && !SetReadOnlyFile(target))
        ShowNotice(Format(u"%s\rファイルの移動はできましたが読み取り専用属性をセットできませんでした", {target}));
    } else {
      if (source_read_only) SetReadOnlyFile(source);
      if (target_read_only) SetReadOnlyFile(target);
      ShowNotice(Format(u"%s\r移動できませんでした\r\r%s",
                        {source, FileCommandErrorText(os::FileCommandErrorCode(error), TMyFileCommand::Move)}));
    }
  }
  Restart(false);
  return kIdYes;
}

void TMyFileCommands::MoveExecute(QObject* sender) {
  if (main_.ItemIndex() < 0) return;
  if (sender && !ChooseTargetFolder(false)) return;
  TMyBusyScope busy;
  if (MoveMediaFile(main_.Playlist().Get(main_.ItemIndex())) == kIdYes) SortExecute(nullptr, kSortPath);
  main_.RefreshListWindow();
}

int TMyFileCommands::CopyMediaFile(WStringView path_view) {
  const WString source(path_view);
  const WString folder = main_.Dialog_FileCmd_Copy.initial_dir;
  const WString target = IncludeTrailingPathDelimiter(folder) + ExtractFileName(source);
  if (target == source || SameItem(ExtractFileDir(source), folder)) {
    ShowNotice(Format(u"%s\r同じフォルダを指定することはできません", {folder}));
    return kIdNo;
  }
  bool target_read_only = false;
  if (FileExists(target)) {
    target_read_only = IsReadOnlyFile(target);
    const int answer = AskOrStop(Format(
        target_read_only
            ? u"%s\rコピー先のフォルダには既に同名のファイルが存在し、更に読み取り専用属性がついています\r上書きしますか"
            : u"%s\rコピー先のフォルダには既に同名のファイルが存在します\r上書きしますか",
        {target}));
    if (answer != kIdYes) return answer;
  } else if (!ForceFolders(folder)) {
    ShowNotice(Format(u"%s\rフォルダの作成に失敗しました\rファイルコピーはできません", {folder}));
    return kIdNo;
  }
  if (target_read_only && !ClearReadOnlyFile(target)) {
    ShowNotice(Format(u"%s\rコピー先ファイルの読み取り専用属性の解除ができませんでした\rコピーはできません", {target}));
    return kIdNo;
  }
  const std::string from = os::NativePath(source), to = os::NativePath(target);
  const int error = RunTransfer(true, [&](const os::TransferOptions& o) {
    return os::CopyFileSafely(from, to, o);
  });
  if (error != 0) {
    if (target_read_only) SetReadOnlyFile(target);
    const int code = os::FileCommandErrorCode(error);
    if (code == 19) {
      ShowNotice(Format(u"%s\rはコピーできませんでした\r移動先のメディア %s は書き込み禁止になっています。",
                        {source, folder}));
    } else if (code == 5) {
      ShowNotice(Format(u"%s\rはコピーできませんでした\r%s\rがほかの人またはプログラムによって使用されています。\r"
                        u"ファイルを使用している可能性があるプログラムをすべて閉じてから、やり直してください。",
                        {source, target}));
    } else {
      ShowNotice(Format(u"%s\rはコピーできませんでした\r\r", {source}) + FileCommandErrorText(code, TMyFileCommand::Move));
    }
  }
  return kIdYes;
}

void TMyFileCommands::CopyExecute(QObject* sender) {
  if (main_.ItemIndex() < 0) return;
  if (sender && !ChooseTargetFolder(true)) return;
  TMyBusyScope busy;
  CopyMediaFile(CommandFile());
}

// ---- Trash ---------------------------------------------------------------------------------------

int TMyFileCommands::RecycleMediaFile(WStringView path_view) {
  const WString path(path_view);
  bool trashed = true;
  if (FileExists(path)) {
    if (IsReadOnlyFile(path)) {
      const int answer = AskOrStop(Format(
          u"%s\r削除しようとしているファイルには読み取り専用属性がついています\r削除しますか", {path}));
      if (answer != kIdYes) return answer;
      if (!ClearReadOnlyFile(path)) {
        ShowNotice(Format(u"%s\r読み取り専用属性の解除ができませんでした\r削除はできません", {path}));
        return kIdNo;
      }
    }
    Interrupt(path);
    std::string why;
    bool no_trash = false;
    trashed = os::TrashItem(os::NativePath(path), &why, &no_trash);
    if (!trashed) {
      // Without a trash on its file system the file stays where it is: never deleted for good.
      ShowNotice(Format(u"%s\rをごみ箱へ移動できませんでした\rファイルは削除していません\r\r%s",
                        {path, no_trash ? WString(u"このメディアにはごみ箱がありません") : U16(why)}));
    }
  }
  if (!trashed) {
    Restart(false);
    return kIdYes;
  }
  RemovePlaylistPath(main_.Playlist(), path, resume_index_ >= 0 ? &resume_index_ : nullptr);
  main_.RefreshListWindow();
  Restart(true);
  return kIdYes;
}

void TMyFileCommands::TrashExecute(QObject* sender) {
  if (main_.ItemIndex() < 0) return;
  const WString path = CommandFile();
  if (sender && ShowMessage(Format(u"%s\rこのファイルをメディアから削除します\rよろしいですか", {path}),
                            MessageKind::YesNo, kTrashQuestionStyle) != kIdYes)
    return;
  TMyBusyScope busy;
  RecycleMediaFile(path);
}

// ---- Sorting -----------------------------------------------------------------------------------

void TMyFileCommands::ShowSortMarks() {
  const std::pair<QAction*, int> sorts[] = {{main_.Action_Sort_FileName, kSortPath},
                                            {main_.Action_Sort_Path, kSortFolder},
                                            {main_.Action_Sort_Name, kSortName},
                                            {main_.Action_Sort_Ext, kSortExtension}};
  for (const auto& [action, key] : sorts)
    action->setText(Q(sort_.Caption(action->text().toStdU16String(), key)));
}

void TMyFileCommands::SortExecute(QObject* sender, int key) {
  if (!sender) {
    sort_.Reset();
    ShowSortMarks();
    return;
  }
  TMyBusyScope busy;
  const WString followed = CommandFile();
  TMyWStrings& list = main_.Playlist();
  list.BeginUpdate();
  if (key == kSortShuffled) {
    sort_.SetShuffled();
    ShufflePlaylist(list);
  } else {
    SortPlaylist(list, sort_.Choose(key));
  }
  list.EndUpdate();
  ShowSortMarks();
  if (!followed.empty()) {
    const int index = FindPlaylistPath(list, followed);
    if (index < 0) {
      ShowNotice(u"ソートエラー");
    } else {
      main_.SetItemIndex(index);
    }
  }
  main_.RefreshListWindow();
}

void TMyFileCommands::ShuffleExecute(QObject* sender) {
  if (sender) SortExecute(sender, kSortShuffled);
}

}  // namespace mivaro
