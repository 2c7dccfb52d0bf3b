// TApp_Mivaro: the player's main window.
//
// The window owns the playlist (the items of ComboBox_Playlist, a TMyWStrings whose store
// the combo box's model shows directly; the combo's current item is the current entry),
// the player control DShow_Player, the playback rules (player/playback_controller.h), the
// sub player link and every action. Its own work is split by job over several files:
//   app_mivaro.cpp   start-up, caption, busy state, window-state events, drops, shutdown
//   app_actions.cpp  the action table (captions, hints, icons, shortcuts, checks, groups,
//                    commands); the pointers are in main_actions.h
//   app_menus.cpp    panels, and the tables of the main menu, pop-up menus and tool bars
//   app_playback.cpp what the playback rules report, player events, the time display,
//                    seeking and skips, rate, mute and volume, deleting and clearing, the
//                    action states (player/action_states.h)
//   app_open.cpp     AddFiles, the open commands, drops, paste, copy, save as, properties
//   app_settings.cpp the settings file, resume play, icon size
//   app_wallpaper.cpp the wallpaper command's wiring
// Parts with a job of their own are objects the window makes and owns (children, or held
// by value), each with its header: the input filter (main_input.h: keys, media keys, the
// busy guard's input blocking), the seek bar (seek_bar_presenter.h), the open histories
// (history_menus.h), the MPRIS adapter (remote_control.h), the capture link
// (capture_link.h), the settings binding (settings_binding.h), the menu builder
// (menu_builder.h), the video frame (video_frame.h) and the wallpaper command
// (wall_video_command.h).
//
// Threads: everything here runs on the user-interface thread; the player's notifications
// are posted to it. Commands are functions taking the `sender`: the action when the user
// ran it, nullptr when the program runs it "without a sender" (no dialog, no question).
// While the busy guard (busy_guard.h) is open, actions triggered by the user do nothing.
#pragma once

#include <QMainWindow>
#include <QPoint>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "core/ustring.h"
#include "player/playback_controller.h"
#include "ui/main/busy_guard.h"
#include "ui/main/file_dialog.h"
#include "ui/main/main_actions.h"
#include "ui/main/main_options.h"
#include "ui/main/window_links.h"

class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QProgressBar;
class QSlider;
class QStyle;
class QTimer;
class QToolBar;

namespace mivaro {

enum TMyVmMode : int;

class TMyComboBox;
class TMyDirectShowPlayer;
class TMyIniFile;
class TMyMainInput;
class TMyMessagePanel;
class TMyOpenHistories;
class TMyRemoteControl;
class TMyPlaylistModel;
class TMyScreenSaverInhibitor;
class TMySeekBarPresenter;
class TMyStartupReport;
class TMySubPlayerLink;
class TMyWallVideoCommand;
class TMyTrackBar;
class TMyVideoFrame;
class TMyWStrings;

class TApp_Mivaro : public QMainWindow, public TMyMainActions, private TMyPlaybackHost {
  Q_OBJECT
  // The file and sort commands (file_commands.cpp) stop, reopen and refresh as the window's
  // own commands do.
  friend class TMyFileCommands;

 public:
  explicit TApp_Mivaro(QWidget* parent = nullptr);
  explicit TApp_Mivaro(TApp_MivaroOptions options, QWidget* parent = nullptr);
  ~TApp_Mivaro() override;

  // The end of start-up: starts the sub player, shows the window and fills the playlist
  // from the arguments or the resume list. Runs once; the program entry calls it.
  void FinishStartup();

  // ---- Operations other windows and tests use ------------------------------------------
  // Every call below is made on the user-interface thread. Those marked "pumps" run the
  // message loop before they return (fades of about a second, the folder walk, dialogs),
  // so a timer, a player event or another command may run inside them; the busy guard
  // (busy_guard.h) keeps the user's input out meanwhile.
  TMyWStrings& Playlist() const { return *playlist_; }
  int ItemIndex() const;
  void SetItemIndex(int index);
  void PlayIndex(int n);  // pumps (the fade of the entry that was playing)
  void PlayCurrent();     // pumps
  void StopMedia();       // pumps
  void SeekTo(double seconds);  // pumps (fade out, seek, fade in)
  // Adds files, folders and playlists and plays by the controller's rule; pumps while it
  // walks folders (Escape cancels the walk).
  void AddFiles(const std::vector<WString>& paths);
  void DropFiles(const std::vector<WString>& names);
  void ShowEntryProperties(int index);  // a modal dialog
  // The action-state rules (restore, minimize and paste also follow their own events).
  void UpdateActionStates();
  // Puts `path` on top of a history menu by the rule of playlist/open_history.h.
  void InsertHistory(QMenu* menu, WStringView path);
  // The decoded paths, top to bottom.
  std::vector<WString> HistoryPaths(QMenu* menu) const;
  static WString ListTextFileName();  // beside the program
  // The first of My Videos, My Music, My Documents that exists.
  static WString InitialFolder();
  // The product name (caption, title, message boxes).
  QString ProductName() const { return product_name_; }
  // The caption that Timer_GetFile shows while files are added.
  QString ProgressCaption() const;
  bool Created() const { return created_ == 1; }
  int ResumeIndex() const { return controller_->ResumeIndex(); }
  double ResumeTime() const { return controller_->ResumeTime(); }
  // The playback rules; the window forwards commands and player notifications to it.
  TMyPlaybackController& Controller() const { return *controller_; }
  // The time display (Timer_Time's tick), also run on pause and option change.
  void Timer_TimeTimer();
  // Multimedia keys; true when reported handled (main_input.h).
  bool HandleMediaKey(int key);

  // Shows a dialog for a command run with a sender; false when cancelled. Tests replace it.
  std::function<bool(TMyDialogKind kind, TMyDialogState& state)> ExecuteDialog;
  // Runs a dialog (ExecuteDialog when set; a modal dialog, pumps); false when cancelled.
  bool RunDialog(TMyDialogKind kind, TMyDialogState& state);
  // Opens a file with its program (the list copy with Ctrl); tests replace it.
  std::function<void(WStringView path)> OpenWithProgram;
  // Modifier keys as the commands read them; tests replace it.
  std::function<Qt::KeyboardModifiers()> HeldKeys;

  // The windows and tools attached to this one (null: not attached). See window_links.h.
  TMyWindowLinks links;

  // ---- Widgets (children of the window, which deletes them) -----------------------------
  // The top panel: the playlist, the main tool bar and the video size.
  QWidget* Panel_Top = nullptr;
  TMyComboBox* ComboBox_Playlist = nullptr;
  TMyPlaylistModel* PlaylistModel = nullptr;
  QToolBar* ToolBar_Main = nullptr;
  QLabel* Label_Size = nullptr;
  // The video area, which the player fills.
  QWidget* Panel_Video = nullptr;
  TMyDirectShowPlayer* DShow_Player = nullptr;
  // The bottom panel: the seek bar, the time, the controls, the volume and the progress of
  // a file command.
  QWidget* Panel_Bottom = nullptr;
  QWidget* Panel_Seek = nullptr;
  TMyTrackBar* TrackBar_Seek = nullptr;
  QLabel* Label_Time = nullptr;
  QToolBar* ToolBar_Control = nullptr;
  QSlider* TrackBar_Volume = nullptr;
  QProgressBar* ProgressBar_FileCmd = nullptr;
  // The sub player's message panel (not shown).
  TMyMessagePanel* MyMessagePanel1 = nullptr;
  // Menus the attached parts fill or open: the histories of the open buttons, the video's
  // pop-up, the rate drop-down and the two Send-To sub-menus.
  QMenu* PopupMenu_File_OpenFile = nullptr;
  QMenu* PopupMenu_File_OpenFolder = nullptr;
  QMenu* PopupMenu_File_OpenThisFolder = nullptr;
  QMenu* PopupMenu_Main = nullptr;
  QMenu* PopupMenu_PlayRate = nullptr;
  QMenu* MenuItem_SendTo = nullptr;
  QMenu* MenuItem_PSendTo = nullptr;

  // What each file or folder dialog keeps between runs.
  TMyDialogState Dialog_File_OpenFile;
  TMyDialogState Dialog_File_OpenFolder;
  TMyDialogState Dialog_File_OpenThisFolder;
  TMyDialogState Dialog_Save;
  TMyDialogState Dialog_FileCmd_Rename;
  TMyDialogState Dialog_FileCmd_Move;
  TMyDialogState Dialog_FileCmd_Copy;
  TMyDialogState Dialog_Debug_SaveAsGRF;

  // ---- Commands (the actions' triggers; the key table, the media keys and the desktop's
  // media controls run them too). `sender` is the action when the user ran the command,
  // nullptr when the program runs it "without a sender" (no dialog, no question). Commands
  // that ask or open a dialog pump while it is open.
  void Action_File_OpenFileExecute(QObject* sender);
  void Action_File_OpenFolderExecute(QObject* sender);
  void Action_File_OpenThisFolderExecute(QObject* sender);
  void Action_List_ClearExecute(QObject* sender);
  void Action_List_DelExecute(QObject* sender);
  void Action_List_CopyExecute(QObject* sender);
  void Action_List_PasteExecute(QObject* sender);
  void Action_Play_PlayPauseExecute(QObject* sender);
  void Action_Play_ReplayExecute(QObject* sender);
  void Action_Play_BackExecute(QObject* sender);
  void Action_Play_NextExecute(QObject* sender);
  void Action_Play_SkipBackExecute(QObject* sender);
  void Action_Play_SkipNextExecute(QObject* sender);
  void Action_Play_FrameBackExecute(QObject* sender);
  void Action_Play_FrameNextExecute(QObject* sender);
  void Action_Play_MuteExecute(QObject* sender);
  void Action_PlayRateExecute(QObject* sender);
  // The fixed zooms (video_frame.h does the sizing).
  void Action_Zoom_50Execute(QObject* sender);
  void Action_Zoom_100Execute(QObject* sender);
  void Action_Zoom_200Execute(QObject* sender);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  // Start-up steps (app_mivaro.cpp).
  void ConnectPlayer();
  void CreateTimers();
  void ConnectControls();
  void SetUpDialogs();
  // Start-up pieces (app_actions.cpp, app_menus.cpp).
  void CreateActions();
  void ConnectActions();
  void CreatePanels();
  void CreateMenus();
  int ImageIndexOf(const QString& icon);
  QAction* MakeAction(const char* name, const QString& caption, const QString& hint, int image,
                      unsigned flags);
  void ApplyIcons();
  // Connects `action` so that the user's trigger runs `command(action)` unless busy.
  void Bind(QAction* action, void (TApp_Mivaro::*command)(QObject*));

  // app_mivaro.cpp
  void SetBusy(bool busy);
  void FormDestroy();
  void UpdateCaption();
  void UpdateHints();
  void ClipboardChanged();
  void ApplicationMinimized();
  void ApplicationRestored();
  Qt::KeyboardModifiers Keys() const;
  double PlayerPosition() const;
  // Chooses the renderer that works on this display, once, before the first file opens.
  void EnsureRenderer();

  // app_playback.cpp
  // TMyPlaybackHost: what the controller asks of the window and reports to it.
  void Post(std::function<void()> task) override;
  bool Live() const override;
  bool Busy() const override;
  void BeginBusy() override;
  void EndBusy() override;
  void ShowIndex(int index) override;
  void BeforeOpen() override;
  void ShowOpened() override;
  void ShowPosition(int seconds) override;
  void ShowCleared() override;
  void ListChanged() override;
  void StatesChanged() override;
  void StopClock() override;
  void EntryUnplayable(WStringView path) override;
  void BeginStep() override;
  void EndStep() override;
  void Skip(int direction);
  void ApplyPlayRate();
  // Mute and volume (the mute action and the volume bar share it).
  void ApplyMuteAndVolume();
  // The end-of-media step (the controller's).
  void MediaEnded();
  void ComboBoxSelect(int index);
  // The player's notifications, on the user-interface thread (the player posts them).
  void DShow_PlayerMediaOpen();
  void DShow_PlayerMediaStart();
  void DShow_PlayerMediaPlay();
  void DShow_PlayerMediaPaused();
  void DShow_PlayerMediaStopped();
  void DShow_PlayerMediaClosed();
  void DShow_PlayerVideoSizeChange();
  void Timer_IsPlayTimer();
  void Timer_GetFileTimer();
  void RefreshListWindow();
  void UpdateSizeLabel();

  // The state the MPRIS service reports, and a jump of the position (remote_control.h).
  void UpdateRemoteStatus();
  void RemoteSeeked();

  // app_open.cpp
  void StartFolderRule(TMyDialogState& dialog, bool file_dialog);
  void OpenFolderCommand(QObject* sender, TMyDialogState& dialog, QMenu* history,
                         bool with_subfolders);
  void HistoryClicked(QMenu* menu, const WString& path);
  static WString ResumeListFileName();  // beside the program
  bool WriteM3u8(WStringView file_name);

  // app_settings.cpp: the settings file (read at start, written at close).
  void LoadSettings();
  void SaveSettings();
  void ApplyIconSize();

  // The action table (app_actions.cpp), a member so that its rows may name the private
  // commands below.
  struct TMyActionTable;
  // Commands only their actions run (the action table); the capture command pauses and
  // opens the capture tool on the current file and position (capture_link.h).
  void Action_File_SaveAsExecute(QObject* sender);
  void Action_File_PropertyExecute(QObject* sender);
  void Action_File_ExitExecute(QObject* sender);
  void Action_File_RestoreExecute(QObject* sender);
  void Action_File_MinimizeExecute(QObject* sender);
  void Action_List_EditExecute(QObject* sender);
  void Action_Opt_TimeVerboseExecute(QObject* sender);
  void Action_Opt_LargeIconExecute(QObject* sender);
  void Action_Zoom_KeepAspectExecute(QObject* sender);
  void Action_Help_VersionInfoExecute(QObject* sender);
  void Action_Zoom_CaptureExecute(QObject* sender);
  // The wallpaper command (app_wallpaper.cpp).
  void AttachWallVideo();
  void Action_Zoom_WallvideoExecute(QObject* sender);

  // Widgets only the window's own files use (children of the window).
  QWidget* Panel_Control = nullptr;  // the time, the controls and the volume
  QMenu* PopupMenu_List = nullptr;
  QMenu* PopupMenu_Zoom = nullptr;
  QMenu* PopupMenu_Volume = nullptr;
  QMenu* MenuItem_Debug = nullptr;
  QMenu* MenuItem_PlayRate = nullptr;
  QTimer* Timer_Time = nullptr;     // the time display, each second while playing
  QTimer* Timer_IsPlay = nullptr;   // once, after a video size change while stopped
  QTimer* Timer_GetFile = nullptr;  // the caption while files are added
  // Sizing, screen modes and the mouse on the video (video_frame.h); a child.
  TMyVideoFrame* VideoFrame = nullptr;
  // Every action, in creation order (the image list's owners).
  std::vector<QAction*> ActionList1;

  TApp_MivaroOptions options_;
  std::vector<WString> arguments_;
  QString product_name_;
  // Owned by the window: the playlist (the combo box's model shows its store), the
  // playback rules and the sub player link.
  std::unique_ptr<TMyWStrings> playlist_;
  std::unique_ptr<TMyPlaybackController> controller_;
  // The controller's pumping steps now running (they nest when a command arrives during
  // a fade); a close waits while any is open.
  std::vector<std::unique_ptr<TMyStepScope>> steps_;
  std::unique_ptr<TMySubPlayerLink> sub_player_;
  // The open buttons' history menus (history_menus.h).
  std::unique_ptr<TMyOpenHistories> histories_;
  // Children of the window.
  TMyWallVideoCommand* wall_video_ = nullptr;
  TMyScreenSaverInhibitor* inhibitor_ = nullptr;
  TMySeekBarPresenter* seek_bar_ = nullptr;
  TMyMainInput* input_ = nullptr;
  TMyStartupReport* startup_report_ = nullptr;
  TMyRemoteControl* remote_ = nullptr;  // null without the MPRIS service
  QStyle* menu_style_ = nullptr;
  QStringList image_names_;  // ImageList1: the icon of each image index
  int image_size_ = 16;
  TMyVmMode renderer_{};
  bool renderer_chosen_ = false;
  int file_count_ = 0;
  WString file_path_;
  int mute_image_index_ = 0;
  int created_ = 0;
  bool finished_startup_ = false;
  bool close_pending_ = false;
  int seek_height_ = 0;         // the seek bar's height with small icons
};

}  // namespace mivaro
