// TApp_TOOLBmpCaptureEx: the still-frame capture window "静止画キャプチャ".
//
// It opens a video in a graph of its own (platform/media/frame_grabber_live.h), shows it in
// Panel_Video, grabs strips of consecutive frames into the thumbnail panels, steps and
// seeks frame by frame, and puts a chosen frame into a zoomable preview, the clipboard, an
// image file or an external program. Its work is split by job:
//   app_tool_bmp_capture_ex.cpp  components, actions, menus, thumbnail panels, events
//   capture_commands.cpp         opening, seeking, capturing, navigation, display timer
//   capture_image.cpp            selection, preview zoom, clipboard, saving
//   capture_settings.cpp         settings, the open history, external programs
//
// Commands take the `sender` like the main window's: the action when the user ran it,
// nullptr when the program runs it without a sender (no dialog, no question).
#pragma once

#include <QImage>
#include <QMainWindow>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "capture/capture_strip.h"
#include "core/ustring.h"

class QAction;
class QActionGroup;
class QComboBox;
class QLabel;
class QMenu;
class QPushButton;
class QScrollArea;
class QSlider;
class QTimer;
class QToolBar;

namespace mivaro {

namespace media {
class TMyCaptureGraph;
}

class TMyFrameWidget;
class TMyThumbPanel;

// What the save, open and program dialogs keep between runs.
struct TMyCaptureDialog {
  WString initial_dir;
  WString file_name;
  int filter_index = 1;  // 1-based
};

enum class TMyCaptureDialogKind { Open, Save, SelProgram };

class TApp_TOOLBmpCaptureEx : public QMainWindow {
  Q_OBJECT

 public:
  // `hosted`: made for the main window (caption, mute, menus as described there).
  explicit TApp_TOOLBmpCaptureEx(bool hosted, QWidget* parent = nullptr);
  ~TApp_TOOLBmpCaptureEx() override;

  // Shows the window, opens `file` and captures the frames from `seconds` on.
  void OpenAt(WStringView file, double seconds);
  // Opens a file (the open command, drops, history); false when it could not be opened.
  bool OpenFile(WStringView file);
  void CloseMedia();
  void LoadSettings();
  void SaveSettings();

  // Called whenever the window is closed (hidden); the main window re-enables its command.
  std::function<void()> OnClosed;
  // Dialogs, questions and modifier keys; tests replace them.
  std::function<bool(TMyCaptureDialogKind kind, TMyCaptureDialog& dialog)> ExecuteDialog;
  std::function<bool(const QString& text, const QString& title)> AskOverwrite;
  std::function<Qt::KeyboardModifiers()> HeldKeys;

  // ---- State ---------------------------------------------------------------------------
  bool Hosted() const { return hosted_; }
  WString FileName;
  double Duration = 0.0;
  double ClockTime = 0.0;
  double FrameDuration = 0.04;
  double CaptureStart = -1.0;  // frames before it are not captured
  bool Capturing = false;
  bool UseGrabber = true;
  bool PausedByUser = false;
  bool Busy = false;
  int Selected = -1;
  capture::TMyCaptureStrip Strip;  // Thumbs, CaptureIndex, CaptureStart, FrameTime
  capture::T_TimeBitmap Preview;   // the selected frame
  double PreviewTime = -1.0;
  QImage Image_Bitmap;             // the preview's picture (over Preview's bytes)
  int ThumbCount() const { return static_cast<int>(panels_.size()); }
  double FrameTime() const { return Strip.FrameTime(); }
  bool IsOpen() const;
  bool IsRunning() const;
  media::TMyCaptureGraph& Graph() const { return *graph_; }
  std::vector<WString> HistoryPaths() const;
  std::vector<WString> ProgramList() const;
  double PreviewScale() const { return scale_; }

  // ---- Components ----------------------------------------------------------------------
  QToolBar* ToolBar_Main = nullptr;
  TMyFrameWidget* Panel_Video = nullptr;
  QScrollArea* ScrollBox_Bitmap = nullptr;
  QLabel* Image_Preview = nullptr;
  QSlider* TrackBar_Seek = nullptr;
  QLabel* Label_Time = nullptr;
  QLabel* Label_Duration = nullptr;
  QLabel* Label_Size = nullptr;
  QWidget* Panel_Frame = nullptr;
  QWidget* Panel_FBack = nullptr;
  QWidget* Panel_FNext = nullptr;
  QPushButton* Button_Capture_Back = nullptr;
  QPushButton* Button_Capture_Next = nullptr;
  QComboBox* ComboBox_Program = nullptr;
  QTimer* Timer_Time = nullptr;
  QTimer* Timer_Capture = nullptr;
  QMenu* Menu_Help = nullptr;
  QMenu* Menu_OpenHistory = nullptr;
  QMenu* Menu_Program = nullptr;
  TMyCaptureDialog Dialog_Open;
  TMyCaptureDialog Dialog_Save;
  TMyCaptureDialog Dialog_SelProgram;

  // Actions.
  QAction* Action_File_Open = nullptr;
  QAction* Action_File_Close = nullptr;
  QAction* Action_File_Exit = nullptr;
  QAction* Action_CaptureNow = nullptr;
  QAction* Action_CaptureBack = nullptr;
  QAction* Action_CaptureNext = nullptr;
  QAction* Action_Play_PlayPause = nullptr;
  QAction* Action_Play_Play = nullptr;
  QAction* Action_Play_Pause = nullptr;
  QAction* Action_Play_Stop = nullptr;
  QAction* Action_Play_Replay = nullptr;
  QAction* Action_Play_Top = nullptr;
  QAction* Action_Play_End = nullptr;
  QAction* Action_Play_SkipBack = nullptr;
  QAction* Action_Play_SkipNext = nullptr;
  QAction* Action_Play_SecBack = nullptr;
  QAction* Action_Play_SecNext = nullptr;
  QAction* Action_Play_FrameBack = nullptr;
  QAction* Action_Play_FrameNext = nullptr;
  QAction* Action_Play_Mute = nullptr;
  std::vector<QAction*> Action_PlayRates;  // 1.0, 0.9, 0.7, 0.5, 0.1
  QActionGroup* PlayRateGroup = nullptr;
  QAction* Action_Thumb_Prev = nullptr;
  QAction* Action_Thumb_Next = nullptr;
  QAction* Action_Image_Copy = nullptr;
  QAction* Action_Image_Save = nullptr;
  QAction* Action_Image_SaveBmp = nullptr;
  QAction* Action_Image_SaveGif = nullptr;
  QAction* Action_Image_SaveJpeg = nullptr;
  QAction* Action_Zoom_Up = nullptr;
  QAction* Action_Zoom_Down = nullptr;
  QAction* Action_Zoom_Actual = nullptr;
  QAction* Action_Zoom_Auto = nullptr;
  QAction* Action_Opt_TimeVerbose = nullptr;
  QAction* Action_Opt_ToolBar = nullptr;
  QAction* Action_Opt_StatusBar = nullptr;
  QAction* Action_Opt_HintPopup = nullptr;
  QAction* Action_Opt_SampleGrabber = nullptr;
  QAction* Action_Program_Add = nullptr;
  QAction* Action_Program_Delete = nullptr;
  QAction* Action_Program_Run = nullptr;
  QAction* Action_Program_Foreground = nullptr;
  QAction* Action_Help_VersionInfo = nullptr;

  // ---- Commands (sender nullptr = run without a sender) ---------------------------------
  void Action_File_OpenExecute(QObject* sender);
  void Action_CaptureNowExecute(QObject* sender);
  void Action_CaptureBackExecute(QObject* sender);
  void Action_CaptureNextExecute(QObject* sender);
  void Action_Play_PlayPauseExecute(QObject* sender);
  void Action_Play_PlayExecute(QObject* sender);
  void Action_Play_PauseExecute(QObject* sender);
  void Action_Play_StopExecute(QObject* sender);
  void Action_Play_ReplayExecute(QObject* sender);
  void Action_Play_TopExecute(QObject* sender);
  void Action_Play_EndExecute(QObject* sender);
  void Action_Play_SkipBackExecute(QObject* sender);
  void Action_Play_SkipNextExecute(QObject* sender);
  void Action_Play_SecBackExecute(QObject* sender);
  void Action_Play_SecNextExecute(QObject* sender);
  void Action_Play_FrameBackExecute(QObject* sender);
  void Action_Play_FrameNextExecute(QObject* sender);
  void Action_Play_MuteExecute(QObject* sender);
  void Action_PlayRateExecute(QObject* sender);
  void Action_Thumb_PrevExecute(QObject* sender);
  void Action_Thumb_NextExecute(QObject* sender);
  void Action_Image_CopyExecute(QObject* sender);
  void Action_Image_SaveExecute(QObject* sender);
  void Action_Zoom_UpExecute(QObject* sender);
  void Action_Zoom_DownExecute(QObject* sender);
  void Action_Zoom_ActualExecute(QObject* sender);
  void Action_Zoom_AutoExecute(QObject* sender);
  void Action_Opt_SampleGrabberExecute(QObject* sender);
  void Action_Program_AddExecute(QObject* sender);
  void Action_Program_DeleteExecute(QObject* sender);
  void Action_Program_RunExecute(QObject* sender);

  // Every position change goes through it.
  void SeekPosition(double t);
  // Places the next capture n frames from t and seeks in front of it.
  void PlaceCapture(int n, double t);
  // Starts filling the strip (after a capture command has placed it).
  void StartCapture();
  // Selects thumbnail k: highlight, preview, clipboard.
  void SelectThumb(int k);
  // Double-click on thumbnail k.
  void ThumbDoubleClicked(int k);
  // Saves the preview as `file` by its extension (the rules of the save command); the
  // name actually written, empty on failure.
  WString SavePreview(WStringView file);
  // Display timer tick.
  void Timer_TimeTimer();
  void Timer_CaptureTimer();
  // Fits the number of thumbnail panels to the strip's width.
  void UpdateThumbPanels();
  void AddHistory(WStringView path);
  void AddProgram(WStringView path);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // app_tool_bmp_capture_ex.cpp
  void CreateActions();
  void CreatePanels();
  void CreateMenus();
  QAction* MakeAction(const char* name, const QString& caption, const QString& hint,
                      bool checkable = false, bool checked = false);
  void Bind(QAction* action, void (TApp_TOOLBmpCaptureEx::*command)(QObject*));
  void ApplyHostedMode();
  void ApplyViewOptions();

  // capture_commands.cpp
  void SetMediaActions(bool enabled);
  void SetCaptureControls(bool enabled);
  void ShowCapturedThumbs();
  void FrameStep(int n);
  void MoveBy(double seconds, bool pause);
  capture::FrameClock Clock() const;
  void UpdateTimeLabel();
  void OnGraphFrame(const media::FrameView& frame);
  Qt::KeyboardModifiers Keys() const;
  bool Shift() const;

  // capture_image.cpp
  void ShowPreview();
  void SetScale(double scale);
  void SaveWithFilter(QObject* sender, int filter_index);

  // capture_settings.cpp
  void RunProgram(const WString& program);
  void RebuildProgramMenu();

  bool hosted_ = false;
  std::unique_ptr<media::TMyCaptureGraph> graph_;
  std::vector<TMyThumbPanel*> panels_;
  double scale_ = 1.0;
  bool seek_dragging_ = false;
  bool updating_seek_ = false;
  std::vector<WString> history_;
  capture::TMyBitmap shown_;  // the picture Panel_Video shows (its QImage uses these bytes)
};

// The window of the application (made on first use, kept until the program ends).
TApp_TOOLBmpCaptureEx* CaptureWindow(bool hosted);

}  // namespace mivaro
