// The playlist window "再生リスト": a view over the main window's own playlist (the store
// that the playlist combo box shows; no copy) with multi-selection, a search box with its
// history, an information area for the current row, and commands to play, copy, remove,
// sort and operate on the selected files.
//
// Its work is split by job over several files:
//   app_mivaro_list.cpp  components, actions, menus, tool bar, action states, media keys
//   list_commands.cpp    play, go to the playing entry, copy, remove, file commands
//   list_search.cpp      searching, the search box keys and menu, the search history
//   list_info.cpp        the information area and the reading thread's results
//   list_settings.cpp    placement, bounds, the folder-name toggle and the history keys
#pragma once

#include <QWidget>
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

#include "core/search_text.h"
#include "core/ustring.h"
#include "playlist/info_fetch.h"

class QAction;
class QLineEdit;
class QListView;
class QMenu;
class QTableWidget;
class QToolBar;
class QToolButton;

namespace mivaro {

class TApp_Mivaro;
class TMyIniFile;
class TMyWStrings;

class TApp_MivaroList : public QWidget {
  Q_OBJECT

 public:
  explicit TApp_MivaroList(TApp_Mivaro* main);
  ~TApp_MivaroList() override;

  // ---- Components ----------------------------------------------------------------------
  QToolBar* ToolBar_PlayList = nullptr;
  QWidget* Panel_Find = nullptr;
  QLineEdit* Edit_Find = nullptr;
  QToolButton* Button_FindHistory = nullptr;
  QListView* ListBox_PlayList = nullptr;
  QTableWidget* Grid_Info = nullptr;
  QMenu* PopupMenu_Playlist = nullptr;
  QMenu* PopupMenu_Edit = nullptr;
  QMenu* PopupMenu_FindHistory = nullptr;
  QMenu* PopupMenu_Sort = nullptr;
  QMenu* PopupMenu_FileCmd = nullptr;
  // "送る(&N)": empty and disabled until the Send-To menu fills it.
  QMenu* MenuItem_SendTo = nullptr;

  QAction* Action_File_Property = nullptr;
  QAction* Action_FileCmd = nullptr;
  QAction* Action_FileCmd_Rename = nullptr;
  QAction* Action_FileCmd_Copy = nullptr;
  QAction* Action_FileCmd_Move = nullptr;
  QAction* Action_FileCmd_Trash = nullptr;
  QAction* Action_FileCmd_RemoveFromHDD = nullptr;
  QAction* Action_List_Copy = nullptr;
  QAction* Action_List_Del = nullptr;
  QAction* Action_List_SelectAll = nullptr;
  QAction* Action_List_FolderName = nullptr;
  QAction* Action_Edit_Undo = nullptr;
  QAction* Action_Edit_Redo = nullptr;
  QAction* Action_Edit_Cut = nullptr;
  QAction* Action_Edit_Copy = nullptr;
  QAction* Action_Edit_Paste = nullptr;
  QAction* Action_Edit_Delete = nullptr;
  QAction* Action_Edit_SelectAll = nullptr;
  QAction* Action_Find_Down = nullptr;
  QAction* Action_Find_Up = nullptr;
  QAction* Action_Play_Play = nullptr;
  QAction* Action_Play_ItemIndex = nullptr;
  QAction* Action_Zoom_Capture = nullptr;
  // Every action of the window, in creation order.
  std::vector<QAction*> ActionList;

  // ---- Operations ----------------------------------------------------------------------
  // The list's current row (-1 when none) and the selected rows in list order.
  int CurrentIndex() const;
  std::vector<int> SelectedRows() const;
  // Makes `row` the only selected row and the current one; the top row too when asked.
  void SelectOnly(int row, bool make_top = true);

  // Searches from the current row towards the end (down) or the start; beeps without a
  // match and does not wrap around.
  void Find(bool down);
  // Adds a text to the search history (newest first, at most 10).
  void AddFindHistory(WStringView text);
  const SearchHistory& FindHistory() const { return history_; }
  // The history texts as the settings store them (newest first) and their rebuild.
  void LoadFindHistory(const std::vector<WString>& lines);

  // Enables or disables the actions for the current list and selection.
  void UpdateActionStates();
  // The playlist changed: the row count follows it, the view repaints.
  void RefreshList();
  // The row text as drawn: "%d: %s" with the file name or the full path.
  QString RowText(int row) const;
  // The playing entry (bold), -1 when none.
  int PlayingIndex() const;

  // Centres the window on the work area of the monitor under the mouse cursor.
  void PlaceUnderCursor();
  // The window's keys in the settings store; bounds only when `with_bounds`.
  void LoadSettings(TMyIniFile& ini, bool with_bounds);
  void SaveSettings(TMyIniFile& ini) const;

  // The two calls of the information thread, on the user-interface thread. `tag` null:
  // the playlist entry's own tag object.
  void ShowTags(int index, const TMyTag* tag);
  void ShowFileInfo(int index, const TMyTag* tag);
  // The value text of row `row` of the information area.
  QString InfoText(int row) const;

  // ---- Commands (sender nullptr = run without a sender) ---------------------------------
  void Action_List_CopyExecute(QObject* sender);
  void Action_List_DelExecute(QObject* sender);
  void Action_Play_PlayExecute(QObject* sender);
  void Action_Play_ItemIndexExecute(QObject* sender);

  // What the window calls outside itself; tests replace them.
  std::function<void()> Beep;
  // Opens the capture tool for a file; none until the capture tool attaches (the capture
  // command stays disabled meanwhile).
  std::function<void(WStringView path)> OpenCapture;
  // The main window's per-file commands (the path of one entry; 2 = stop the run, 6 = done
  // and the order may have changed, 7 = not done). Empty until they exist: the commands
  // stay disabled.
  using FileCommand = std::function<int(WStringView path)>;
  FileCommand RenameMediaFile, CopyMediaFile, MoveMediaFile, RecycleMediaFile;
  // The main window's folder dialog for copying (true) or moving; false when cancelled.
  std::function<bool(bool copy)> ChooseTargetFolder;
  // The main window's sort command run without a sender: the list no longer counts as
  // sorted once files were renamed or moved.
  std::function<void()> ForgetSortOrder;
  // The readers of the information thread (empty: read the file).
  InfoFetchCalls FetchCalls;

 protected:
  void keyReleaseEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // app_mivaro_list.cpp
  QAction* MakeAction(const char* name, const QString& caption, const QString& hint,
                      const QString& icon = QString());
  void CreateActions();
  void CreateMenus();
  void CreateToolBar();
  void CreateInfoGrid();
  void UpdateEditActionStates();
  void UpdateFindActionStates();
  // list_info.cpp
  void RowClicked();
  void SetInfoText(int row, const QString& text);
  void ClearInfo();
  // list_search.cpp
  void RebuildHistoryMenu();
  void ChooseHistory(const WString& text);
  // list_commands.cpp
  void RunFileCommand(QAction* action);

  TApp_Mivaro* main_;
  TMyWStrings& playlist_;
  SearchKeyCache keys_;
  SearchHistory history_;
  WString current_find_key_;  // CurrentFindKey
  std::shared_ptr<std::atomic<bool>> fetch_stop_;
};

// The main window's playlist window, made with it; attaches to the main window's hooks.
TApp_MivaroList* AttachPlaylistWindow(TApp_Mivaro* main);
// Shows the playlist window with the current entry (or entry 0) selected, in front.
TApp_MivaroList* ShowPlaylistWindow(TApp_Mivaro* main);

}  // namespace mivaro
