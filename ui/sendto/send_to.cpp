#include "ui/sendto/send_to.h"

#include <QAction>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QIcon>
#include <QMenu>
#include <QMimeDatabase>
#include <QTimer>
#include <algorithm>

#include "core/component_names.h"
#include "core/files.h"
#include "core/hooks.h"
#include "core/paths.h"
#include "core/shell.h"
#include "platform/desktop/icons.h"
#include "settings/ini_file.h"
#include "ui/sendto/send_to_dialog.h"
#include "sendto/send_to_register.h"

namespace mivaro {

namespace {

// A burst of changes (a program unpacking many files, an editor's save) is gathered into
// one rebuild after this pause.
constexpr int kRefreshDelayMs = 150;

QString Q(WStringView s) { return QString::fromStdU16String(WString(s)); }

// T_MySendToList: every instance, for the dialogs' shared folders.
std::vector<TMySendTo*>& Registry() {
  static std::vector<TMySendTo*> list;
  return list;
}

// A named icon from the program's own icon set, else from the desktop's theme.
QIcon NamedIcon(const QString& name) {
  if (name.isEmpty()) return {};
  if (!HasThemeImage(name, 16)) return QIcon::fromTheme(name);
  QIcon icon;
  icon.addPixmap(LoadThemeImage(name, 16));
  if (HasThemeImage(name, 32)) icon.addPixmap(LoadThemeImage(name, 32));
  return icon;
}

// The icon of an entry: the launcher's own, else the icon of the file's type.
QIcon EntryIcon(const TMySendToEntry& e, const QMimeDatabase& types) {
  QIcon icon;
  if (!e.icon.empty()) {
    const QString name = Q(e.icon);
    icon = name.startsWith(QLatin1Char('/')) ? QIcon(name) : NamedIcon(name);
  }
  if (icon.isNull() && IsExecutableFile(e.path))
    icon = NamedIcon(QStringLiteral("application-x-executable"));
  if (icon.isNull()) {
    const QMimeType type = types.mimeTypeForFile(Q(e.path), QMimeDatabase::MatchExtension);
    icon = NamedIcon(type.iconName());
    if (icon.isNull()) icon = NamedIcon(type.genericIconName());
  }
  return icon;
}

bool NameTaken(const QObject* root, WStringView name) {
  return root->findChild<QObject*>(Q(name)) != nullptr;
}

}  // namespace

TMySendTo::TMySendTo(QObject* owner) : TMySendTo(owner, WStringView()) {}

TMySendTo::TMySendTo(QObject* owner, WStringView base_folder) : QObject(owner) {
  setObjectName(QStringLiteral("MySendTo"));
  folder_ = base_folder.empty() ? DefaultSendToFolder() : SendToFolderIn(base_folder);
  targets_.Delimiter = u" ";
  targets_.QuoteChar = u"\"";
  Registry().push_back(this);
  CreateActions();
  // Both dialogs start in the programs' folder with the programs' filter.
  for (auto [dialog, base] : {std::pair{&Dialog_SendToSelect, u"Dialog_SendToSelect"},
                              std::pair{&Dialog_SendToRegist, u"Dialog_SendToRegist"}}) {
    QObject* root = owner != nullptr ? owner : this;
    dialog->name = Q(UniqueComponentName(base, [root](WStringView n) { return NameTaken(root, n); }));
    dialog->title = QStringLiteral("プログラムの選択");
    dialog->filter = Q(kSendToDialogFilter);
    dialog->initial_dir = GetProgramFilesFolder();
  }
  auto* parent_widget = qobject_cast<QWidget*>(owner);
  ExecuteDialog = [parent_widget](TMySendToDialog& d, bool multiple) {
    return RunSendToOpenDialog(parent_widget, d, multiple);
  };
  ExecuteSaveDialog = [parent_widget](TMySendToDialog& d, WString& path) {
    return RunSendToSaveDialog(parent_widget, d, path);
  };
  OpenFolder = [](WStringView folder) { OpenContainingFolder(folder); };
  // A folder that cannot be created leaves the fixed commands only, unwatched.
  if (EnsureSendToFolder(folder_)) WatchFolder();
  UpdateActionStates();
}

TMySendTo::~TMySendTo() {
  auto& list = Registry();
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
  delete watcher_;
  watcher_ = nullptr;
  ClearMenus();
}

const std::vector<TMySendTo*>& TMySendTo::Instances() { return Registry(); }

void TMySendTo::CreateActions() {
  auto make = [this](const char* name, const QString& caption, const QString& hint,
                     void (TMySendTo::*command)(QObject*)) {
    auto* a = new QAction(caption, this);
    a->setObjectName(QString::fromLatin1(name));
    a->setStatusTip(hint);
    a->setToolTip(hint);
    if (command != nullptr)
      connect(a, &QAction::triggered, this, [this, a, command] { (this->*command)(a); });
    return a;
  };
  Action_SendToOpenFileFolder =
      make("Action_SendToOpenFileFolder", QStringLiteral("ファイルのフォルダを開く(&F)"),
           QStringLiteral("対象ファイルのあるフォルダを開く"), &TMySendTo::OpenTargetFolders);
  Action_SendToSelectProgram = make(
      "Action_SendToSelectProgram", QStringLiteral("プログラムから開く(&H)..."),
      QStringLiteral("ダイアログで選択したプログラムへ対象ファイルを渡して起動する"),
      &TMySendTo::OpenWithProgram);
  Action_SendToRegistProgram =
      make("Action_SendToRegistProgram", QStringLiteral("プログラムを登録(&R)..."),
           QStringLiteral("「送る」のフォルダにショートカットを登録"), &TMySendTo::RegisterPrograms);
  Action_SendToOpenSendToFolder =
      make("Action_SendToOpenSendToFolder", QStringLiteral("「送る」フォルダを開く(&S)"),
           QStringLiteral("「送る」のフォルダを開く"), nullptr);
  connect(Action_SendToOpenSendToFolder, &QAction::triggered, this,
          [this] { OpenFolderOf(folder_); });
  // A separator with a caption would be drawn as a labelled section.
  Action_SendToLine = make("Action_SendToLine", QString(), QString(), nullptr);
  Action_SendToLine->setSeparator(true);
}

void TMySendTo::WatchFolder() {
  refresh_timer_ = new QTimer(this);
  refresh_timer_->setSingleShot(true);
  refresh_timer_->setInterval(kRefreshDelayMs);
  connect(refresh_timer_, &QTimer::timeout, this, [this] {
    if (IsApplicationTerminating()) return;
    // A folder that was removed and made again needs watching anew.
    if (watcher_->directories().isEmpty()) watcher_->addPath(Q(ExcludeTrailingPathDelimiter(folder_)));
    Refresh();
  });
  watcher_ = new QFileSystemWatcher(this);
  watcher_->addPath(Q(ExcludeTrailingPathDelimiter(folder_)));
  connect(watcher_, &QFileSystemWatcher::directoryChanged, refresh_timer_,
          qOverload<>(&QTimer::start));
}

void TMySendTo::AttachMenu(QMenu* host, TargetProvider provider) {
  if (host == nullptr || std::find(hosts_.begin(), hosts_.end(), host) != hosts_.end()) return;
  hosts_.push_back(host);
  providers_.push_back(provider);
  for (QAction* a : {Action_SendToOpenFileFolder, Action_SendToSelectProgram,
                     Action_SendToRegistProgram, Action_SendToOpenSendToFolder, Action_SendToLine})
    host->addAction(a);
  host->menuAction()->setEnabled(true);
  connect(host, &QMenu::aboutToShow, this, [this, host] {
    const auto it = std::find(hosts_.begin(), hosts_.end(), host);
    if (it == hosts_.end()) return;
    const TargetProvider& p = providers_[static_cast<size_t>(it - hosts_.begin())];
    if (p) SetTargets(p());
    UpdateActionStates();
  });
  connect(host, &QObject::destroyed, this, [this, host] {
    const auto it = std::find(hosts_.begin(), hosts_.end(), host);
    if (it == hosts_.end()) return;
    providers_.erase(providers_.begin() + (it - hosts_.begin()));
    hosts_.erase(it);
  });
}

void TMySendTo::ClearMenus() {
  for (QMenu* host : hosts_) disconnect(host, nullptr, this, nullptr);
  hosts_.clear();
  providers_.clear();
}

void TMySendTo::Refresh() {
  if (hosts_.empty()) return;
  const std::vector<TMySendToEntry> entries = ListSendToEntries(folder_);
  // The icon list: one image per entry, shared by the hosts.
  std::vector<QIcon> icons;
  icons.reserve(entries.size());
  const QMimeDatabase types;
  for (const TMySendToEntry& e : entries) icons.push_back(EntryIcon(e, types));
  for (QMenu* host : hosts_) RebuildHost(host, entries, icons);
  if (OnChange) OnChange(this);
}

void TMySendTo::RebuildHost(QMenu* host, const std::vector<TMySendToEntry>& entries,
                            const std::vector<QIcon>& icons) {
  // Everything after the separator goes (everything when the separator is missing).
  QList<QAction*> items = host->actions();
  const qsizetype line = items.indexOf(Action_SendToLine);
  host->setUpdatesEnabled(false);
  for (qsizetype i = items.size() - 1; i > line; --i) {
    QAction* item = items[i];
    host->removeAction(item);
    if (item->parent() == host) delete item;
  }
  // Entry names: "__" + the host's name with a running number, as UniqueComponentName
  // gives them once the old entries are gone (asked directly, so that thousands of
  // entries do not cost a search each).
  const QString base = QStringLiteral("__") + host->objectName() + QLatin1Char('_');
  QList<QAction*> added;
  added.reserve(static_cast<qsizetype>(entries.size()));
  for (size_t i = 0; i < entries.size(); ++i) {
    auto* item = new QAction(icons[i], QString(), host);
    item->setObjectName(base + QString::number(i));
    item->setStatusTip(Q(entries[i].path));
    item->setToolTip(Q(entries[i].path));
    // Captions are file names: an "&" is shown, not taken as a mnemonic.
    item->setText(Q(entries[i].caption).replace(QLatin1Char('&'), QStringLiteral("&&")));
    item->setIconVisibleInMenu(true);
    connect(item, &QAction::triggered, this, [this, item] { SendToItemClick(item); });
    added.append(item);
  }
  host->addActions(added);
  host->setUpdatesEnabled(true);
}

void TMySendTo::SetTarget(WStringView path) {
  targets_.Clear();
  if (!path.empty()) targets_.Add(path);
  UpdateActionStates();
}

void TMySendTo::SetTargets(const std::vector<WString>& paths) {
  targets_.Clear();
  for (const WString& p : paths)
    if (!p.empty()) targets_.Add(p);
  UpdateActionStates();
}

std::vector<WString> TMySendTo::Targets() const {
  std::vector<WString> out;
  for (int i = 0; i < targets_.Count(); ++i) out.push_back(targets_.At(i));
  return out;
}

WString TMySendTo::TargetsText() const { return SendToParamsText(Targets()); }

void TMySendTo::UpdateActionStates() {
  Action_SendToOpenFileFolder->setEnabled(targets_.Count() > 0);
  Action_SendToRegistProgram->setEnabled(FolderExists(folder_));
  Action_SendToOpenSendToFolder->setEnabled(Action_SendToRegistProgram->isEnabled());
  Action_SendToSelectProgram->setEnabled(true);
}

void TMySendTo::LoadSettings(TMyIniFile& ini) {
  // "SelectProgram" holds the register dialog's folder and "RegistProgram" the select
  // dialog's, as the settings file has always stored them.
  Dialog_SendToRegist.initial_dir =
      ini.ReadString(u"SendToDialog", u"SelectProgram", Dialog_SendToRegist.initial_dir);
  Dialog_SendToSelect.initial_dir =
      ini.ReadString(u"SendToDialog", u"RegistProgram", Dialog_SendToSelect.initial_dir);
}

void TMySendTo::SaveSettings(TMyIniFile& ini) {
  ini.WriteString(u"SendToDialog", u"SelectProgram", Dialog_SendToRegist.initial_dir);
  ini.WriteString(u"SendToDialog", u"RegistProgram", Dialog_SendToSelect.initial_dir);
}

void TMySendTo::ShareDialog(const TMySendToDialog& confirmed, bool select) {
  for (TMySendTo* s : Registry()) {
    TMySendToDialog& d = select ? s->Dialog_SendToSelect : s->Dialog_SendToRegist;
    d.initial_dir = confirmed.initial_dir;
    d.filter_index = confirmed.filter_index;
  }
}

// ---- Commands ---------------------------------------------------------------------------

void TMySendTo::OpenTargetFolders(QObject*) {
  bool handled = false;
  if (OnBeforeOpenFolder) OnBeforeOpenFolder(this, handled);
  if (handled) return;
  for (const WString& t : Targets()) OpenFolderOf(t);
}

void TMySendTo::OpenFolderOf(WStringView path) {
  const WString folder = ExtractFilePath(path);
  if (!folder.empty() && FolderExists(folder)) {
    if (OpenFolder) OpenFolder(folder);
    return;
  }
  ShowMessage(folder + u"\rフォルダが存在しません", MessageKind::Notice);
}

void TMySendTo::OpenWithProgram(QObject*) {
  bool handled = false;
  if (OnBeforeSelectProgram) OnBeforeSelectProgram(this, handled);
  if (handled || !ExecuteDialog) return;
  const std::vector<WString> chosen = ExecuteDialog(Dialog_SendToSelect, false);
  if (chosen.empty()) return;
  Dialog_SendToSelect.initial_dir = ExtractFilePath(chosen.front());
  ShareDialog(Dialog_SendToSelect, true);
  StartSendToEntry(chosen.front(), Targets());
}

void TMySendTo::RegisterPrograms(QObject*) {
  if (!ExecuteDialog) return;
  const std::vector<WString> chosen = ExecuteDialog(Dialog_SendToRegist, true);
  if (chosen.empty()) return;
  Dialog_SendToRegist.initial_dir = ExtractFilePath(chosen.front());
  ShareDialog(Dialog_SendToRegist, false);
  bool written = false;
  for (const WString& file : chosen) {
    const WString dest = RegisterSendToFile(folder_, file, [this](WString& path) {
      return ExecuteSaveDialog && ExecuteSaveDialog(Dialog_SendToRegist, path);
    });
    written = written || !dest.empty();
  }
  // The watcher rebuilds the menus; without one the rebuild happens here.
  if (written && watcher_ == nullptr) Refresh();
}

void TMySendTo::SendToItemClick(QAction* item) {
  if (item == nullptr) return;
  StartSendToEntry(item->statusTip().toStdU16String(), Targets());
}

}  // namespace mivaro
