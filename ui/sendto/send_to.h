// TMySendTo: the "送る" sub-menu of a window.
//
// Each host menu gets the five fixed commands (open the targets' folders, open them with a
// program picked in a dialog, register programs, open the Send-To folder, a separator)
// followed by one entry per file of the Send-To folder; choosing an entry starts that
// program with the targets. The folder is watched: files added or removed from outside
// appear in every host after a short pause that gathers a burst of changes into one
// rebuild. Every instance is listed in a program-wide registry so that the select and
// register dialogs of all windows remember the same folders.
//
// A window attaches its menu in one call and says where the targets come from:
//   auto* send_to = new TMySendTo(this);
//   send_to->AttachMenu(MenuItem_SendTo, [this] { return SelectedPaths(); });
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <vector>

#include "core/ustring.h"
#include "core/wstrings.h"
#include "sendto/send_to_folder.h"

class QAction;
class QFileSystemWatcher;
class QIcon;
class QMenu;
class QTimer;

namespace mivaro {

class TMyIniFile;

// A file dialog of the Send-To menu and what it remembers.
struct TMySendToDialog {
  QString name;   // Dialog_SendToSelect_N / Dialog_SendToRegist_N
  QString title;  // "プログラムの選択"
  QString filter;  // "text|patterns|..." as the program writes filters
  int filter_index = 1;  // 1-based; the first filter shows executable files only
  WString initial_dir;
};

class TMySendTo : public QObject {
  Q_OBJECT

 public:
  using TargetProvider = std::function<std::vector<WString>()>;

  // The Send-To folder beside the program (DefaultSendToFolder), or inside `base_folder`.
  explicit TMySendTo(QObject* owner);
  TMySendTo(QObject* owner, WStringView base_folder);
  ~TMySendTo() override;

  // The folder with its trailing "/"; it exists unless it could not be created.
  const WString& Folder() const { return folder_; }
  bool Watching() const { return watcher_ != nullptr; }

  // Makes `host` a Send-To menu: the fixed commands, then the folder's entries. With a
  // provider, the targets are read from it each time the menu opens.
  void AttachMenu(QMenu* host, TargetProvider provider = nullptr);
  // Forgets the host menus (their items stay as they are).
  void ClearMenus();
  const std::vector<QMenu*>& Hosts() const { return hosts_; }
  // Rebuilds the entries of every host (nothing without hosts), then calls OnChange.
  void Refresh();

  // The targets: one path (none when empty), or several.
  void SetTarget(WStringView path);
  void SetTargets(const std::vector<WString>& paths);
  std::vector<WString> Targets() const;
  // The targets' quoted text, as the programs receive them.
  WString TargetsText() const;

  // Size of the entries' icons (the caller then calls Refresh).
  void SetIconWidth(int pixels) { icon_width_ = pixels; }
  void SetIconHeight(int pixels) { icon_height_ = pixels; }
  void UpdateActionStates();

  // Section "SendToDialog": the dialogs' folders.
  void LoadSettings(TMyIniFile& ini);
  void SaveSettings(TMyIniFile& ini);

  // ---- Commands (sender nullptr = run without a sender) --------------------------------
  void OpenTargetFolders(QObject* sender);
  void OpenWithProgram(QObject* sender);
  void RegisterPrograms(QObject* sender);
  // Opens the folder holding `path`, or says that it does not exist.
  void OpenFolderOf(WStringView path);
  // Starts the program of an entry (its hint) with the targets.
  void SendToItemClick(QAction* item);

  // Every instance, in creation order.
  static const std::vector<TMySendTo*>& Instances();

  QAction* Action_SendToOpenFileFolder = nullptr;
  QAction* Action_SendToSelectProgram = nullptr;
  QAction* Action_SendToRegistProgram = nullptr;
  QAction* Action_SendToOpenSendToFolder = nullptr;
  QAction* Action_SendToLine = nullptr;

  TMySendToDialog Dialog_SendToSelect;
  TMySendToDialog Dialog_SendToRegist;

  // Shows an open dialog (several files when `multiple`); the chosen paths, none when
  // cancelled. Tests replace it.
  std::function<std::vector<WString>(TMySendToDialog& dialog, bool multiple)> ExecuteDialog;
  // Asks where to save under another name, starting at `path`; false when cancelled.
  std::function<bool(TMySendToDialog& dialog, WString& path)> ExecuteSaveDialog;
  // Opens a folder in the file manager. Tests replace it.
  std::function<void(WStringView folder)> OpenFolder;

  // After the entries were rebuilt.
  std::function<void(TMySendTo* sender)> OnChange;
  // Before the commands; a handler that sets `handled` ends the command.
  std::function<void(TMySendTo* sender, bool& handled)> OnBeforeOpenFolder;
  std::function<void(TMySendTo* sender, bool& handled)> OnBeforeSelectProgram;

 private:
  void CreateActions();
  void WatchFolder();
  void RebuildHost(QMenu* host, const std::vector<TMySendToEntry>& entries,
                   const std::vector<QIcon>& icons);
  // Gives every instance's dialog of the same kind the folder and filter of `confirmed`.
  static void ShareDialog(const TMySendToDialog& confirmed, bool select);

  WString folder_;
  QFileSystemWatcher* watcher_ = nullptr;
  QTimer* refresh_timer_ = nullptr;
  TMyWStrings targets_;
  std::vector<QMenu*> hosts_;
  std::vector<TargetProvider> providers_;
  int icon_width_ = 16;
  int icon_height_ = 16;
};

}  // namespace mivaro
