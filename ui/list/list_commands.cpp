// The playlist window's commands on entries: play, go to the playing entry, copy, remove
// and the per-file commands.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QListView>

#include "core/hooks.h"
#include "core/wstrings.h"
#include "ui/list/app_mivaro_list.h"
#include "ui/main/app_mivaro.h"
#include "ui/main/busy_guard.h"
#include "ui/main/message_boxes.h"
#include "ui/main/playlist_combo.h"

namespace mivaro {

void TApp_MivaroList::Action_Play_PlayExecute(QObject*) {
  const int i = CurrentIndex();
  if (i >= 0 && i < playlist_.Count()) main_->PlayIndex(i);
}

void TApp_MivaroList::Action_Play_ItemIndexExecute(QObject*) {
  const int playing = PlayingIndex();
  if (playing < 0 || playing >= playlist_.Count()) return;
  ListBox_PlayList->scrollTo(main_->PlaylistModel->index(playing, 0), QAbstractItemView::PositionAtTop);
}

void TApp_MivaroList::Action_List_CopyExecute(QObject*) {
  const std::vector<int> rows = SelectedRows();
  if (rows.empty()) return;
  WString text;
  if (static_cast<int>(rows.size()) == playlist_.Count()) {
    text = playlist_.GetText();
  } else {
    TMyWStrings chosen;
    for (int row : rows) chosen.Add(playlist_.At(row));
    text = chosen.GetText();
  }
  QGuiApplication::clipboard()->setText(QString::fromStdU16String(text));
}

void TApp_MivaroList::Action_List_DelExecute(QObject* sender) {
  const std::vector<int> rows = SelectedRows();
  if (rows.empty()) return;
  if (sender && ShowMessage(u"選択ファイルをリストから削除しますか", MessageKind::YesNo) != kIdYes)
    return;
  const int count = playlist_.Count();
  int playing = PlayingIndex();
  bool playing_removed = false;
  playlist_.BeginUpdate();
  if (static_cast<int>(rows.size()) == count) {
    main_->Action_List_ClearExecute(nullptr);
    playing = -1;
  } else {
    // From the last row to the first, so the rows still to visit keep their numbers; the
    // playing index follows the entries that stay.
    int removed_above = 0;
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
      const int row = *it;
      if (row == playing) {
        main_->StopMedia();
        playing_removed = true;
      } else if (row < playing) {
        ++removed_above;
      }
      playlist_.Delete(row);
    }
    if (playing >= 0) playing -= removed_above;
  }
  ListBox_PlayList->selectionModel()->clear();
  playlist_.EndUpdate();
  if (playing_removed) {
    // The entry that moved into the playing entry's place plays next.
    main_->SetItemIndex(playing - 1);
    main_->Action_Play_NextExecute(nullptr);
  } else {
    main_->SetItemIndex(playing);
  }
  main_->UpdateActionStates();
  RefreshList();
}

void TApp_MivaroList::RunFileCommand(QAction* action) {
  const std::vector<int> rows = SelectedRows();
  if (rows.empty()) return;
  const FileCommand* command = action == Action_FileCmd_Rename ? &RenameMediaFile
                               : action == Action_FileCmd_Copy ? &CopyMediaFile
                               : action == Action_FileCmd_Move ? &MoveMediaFile
                                                               : &RecycleMediaFile;
  if (!*command) return;
  const bool to_folder = action == Action_FileCmd_Copy || action == Action_FileCmd_Move;
  if (to_folder) {
    if (!ChooseTargetFolder || !ChooseTargetFolder(action == Action_FileCmd_Copy)) return;
  } else if (action == Action_FileCmd_Trash) {
    if (ShowMessage(u"選択したファイルをメディアから削除します\rよろしいですか",
                    MessageKind::YesNo, kTrashQuestionStyle) != kIdYes)
      return;
  }
  bool reordered = false;
  {
    TMyBusyScope busy;
    playlist_.BeginUpdate();
    // The paths are taken first: a command may move entries in the list.
    std::vector<WString> paths;
    for (int row : rows) paths.push_back(playlist_.At(row));
    if (action == Action_FileCmd_Trash) std::reverse(paths.begin(), paths.end());
    for (const WString& path : paths) {
      const int result = (*command)(path);
      if (result == kIdCancel) break;
      if (result == kIdYes) reordered = true;
    }
    ListBox_PlayList->selectionModel()->clear();
    playlist_.EndUpdate();
  }
  const bool sort_after = action == Action_FileCmd_Rename || action == Action_FileCmd_Move;
  if (sort_after && reordered && ForgetSortOrder) ForgetSortOrder();
  RefreshList();
}

}  // namespace mivaro
