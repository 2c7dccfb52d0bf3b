// TMyFileCommands: the main window's commands on the files themselves (rename, copy, move,
// send to the trash) and on the order of the playlist (the sorts and the shuffle).
//
// Every command keeps the playlist in step with the disk: the entries of a renamed or moved
// file follow it, those of a trashed file go. The file that plays is stopped first and opened
// again afterwards, at the second where it stopped (or, after the trash, the entry that
// followed it plays from its start). Transfers run on a worker thread while the window
// pumps its events and moves ProgressBar_FileCmd, so a large copy never freezes the window;
// the transfer itself never loses a file (platform/os/file_transfer.h).
//
// The per-file operations (RenameMediaFile ... RecycleMediaFile) are also what the playlist
// window runs over its selection; each answers 6 when the operation was carried out or
// attempted, 7 when the user said No or a precondition failed, 2 when the user cancelled
// (a run over several files stops there).
#pragma once

#include <QObject>
#include <functional>

#include "core/ustring.h"
#include "playlist/playlist_order.h"
#include "ui/main/window_links.h"

class QAction;

namespace mivaro {

class TApp_Mivaro;
struct TMyDialogState;

namespace os {
struct TransferOptions;
}

class TMyFileCommands : public QObject, public TMyFileCommandLink {
 public:
  // Binds the window's file and sort actions and hands the per-file operations to the
  // playlist window.
  explicit TMyFileCommands(TApp_Mivaro& main);
  ~TMyFileCommands() override;

  int RenameMediaFile(WStringView path);
  // Into the folder last chosen for moving (copying).
  int MoveMediaFile(WStringView path);
  int CopyMediaFile(WStringView path);
  int RecycleMediaFile(WStringView path);

  // The folder dialog of the move (copy) command, with its starting-folder rule: Shift gives
  // the initial folder (My Documents for copying), a vanished folder its nearest existing
  // ancestor. The chosen folder is remembered. False when cancelled.
  bool ChooseTargetFolder(bool copy);

  // ---- Commands (sender nullptr = run without a sender) ----------------------------------
  void RenameExecute(QObject* sender);
  void CopyExecute(QObject* sender);
  void MoveExecute(QObject* sender);
  void TrashExecute(QObject* sender);
  // Sorts by `key` (kSortPath..kSortExtension), flipping the direction when it is the
  // active key. Without a sender it only forgets the sort (state 0, no marks).
  void SortExecute(QObject* sender, int key);
  void ShuffleExecute(QObject* sender);

  const TMySortState& SortState() const { return sort_; }

 private:
  // The file the commands of the main window work on: the player's, else the current entry.
  WString CommandFile() const;
  // Stops the player when it plays `path`, remembering entry and second.
  void Interrupt(WStringView path);
  // Opens the remembered entry again (at the remembered second), when one was stopped.
  void Restart(bool from_start);
  // Runs `transfer` on a worker thread while the window stays live; the bar starts at 0
  // when the bytes are copied (`copies`), full for a rename. Returns the errno (0: done).
  int RunTransfer(bool copies, const std::function<int(const os::TransferOptions&)>& transfer);
  void ShowSortMarks();
  void Bind(QAction* action, std::function<void(QObject*)> command);

  TApp_Mivaro& main_;
  TMySortState sort_;
  int resume_index_ = -1;
  double resume_time_ = 0;
  bool resume_paused_ = false;
};

}  // namespace mivaro
