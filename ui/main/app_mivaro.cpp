#include "ui/main/app_mivaro.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPointer>
#include <QSlider>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <QWindow>

#include "core/hooks.h"
#include "core/paths.h"
#include "core/shell.h"
#include "core/version.h"
#include "core/wstrings.h"
#include "platform/desktop/desktop_hooks.h"
#include "ui/debug/debug_menu.h"
#include "platform/desktop/icons.h"
#include "platform/desktop/screensaver.h"
#include "player/qt/directshow_player.h"
#include "settings/main_settings.h"
#include "settings/param.h"
#include "ui/desktop/message_panel_widget.h"
#include "ui/main/busy_guard.h"
#include "ui/main/file_commands.h"
#include "ui/main/history_menus.h"
#include "ui/main/main_input.h"
#include "ui/main/playlist_combo.h"
#include "ui/main/properties_dialog.h"
#include "ui/main/settings_binding.h"
#include "ui/main/remote_control.h"
#include "ui/main/seek_bar_presenter.h"
#include "ui/main/startup_report.h"
#include "ui/main/sub_player_link.h"
#include "ui/main/track_bar.h"
#include "ui/list/app_mivaro_list.h"
#include "ui/tray/main_desktop_menus.h"
#include "ui/main/video_frame.h"
#include "ui/main/wall_video_command.h"

namespace mivaro {
namespace {

// The design heights of the panels and the width of the client area at start.
constexpr int kClientWidth = 480;

}  // namespace

TApp_Mivaro::TApp_Mivaro(QWidget* parent) : TApp_Mivaro(TApp_MivaroOptions{}, parent) {}

TApp_Mivaro::TApp_Mivaro(TApp_MivaroOptions options, QWidget* parent)
    : QMainWindow(parent), options_(std::move(options)) {
  setObjectName(QStringLiteral("App_Mivaro"));
  arguments_ = options_.arguments ? *options_.arguments : GlobalParam().PathArguments();

  // Icon, caption and title: the product name of the version record.
  product_name_ = QString::fromStdU16String(GetAppProductName());
  if (product_name_.isEmpty()) product_name_ = QStringLiteral("Mivaro");
  if (options_.install_hooks) InstallDesktopHooks(product_name_);
  SetDesktopTerminating(false);
  HeldKeys = options_.held_keys;
  // The program's own properties window for every "properties" request.
  SetShowFilePropertiesHook([this](WStringView path) {
    TApp_MivaroProperties dialog(path, this);
    dialog.exec();
  });
  setWindowIcon(ApplicationIcon());
  QApplication::setWindowIcon(windowIcon());
  setWindowTitle(product_name_);
  setAttribute(Qt::WA_KeyCompression, false);

  playlist_ = std::make_unique<TMyWStrings>();

  CreateActions();
  CreatePanels();
  TMyPlaybackHost& host = *this;
  controller_ = std::make_unique<TMyPlaybackController>(*DShow_Player, *playlist_, host);
  CreateMenus();
  histories_ = std::make_unique<TMyOpenHistories>(
      std::array<QMenu*, 3>{PopupMenu_File_OpenFile, PopupMenu_File_OpenFolder,
                            PopupMenu_File_OpenThisFolder},
      [this](QMenu* menu, const WString& path) { HistoryClicked(menu, path); });
  ConnectActions();
  // Sizing, screen modes and the mouse on the video.
  VideoFrame = new TMyVideoFrame(*this);
  VideoFrame->Attach();
  AttachWallVideo();
  AttachDebugMenu(*this);
  MenuItem_Debug->menuAction()->setVisible(true);
  Action_Opt_LargeIcon->setVisible(true);

  ConnectPlayer();

  // The playlist (the combo box's items).
  playlist_->OwnsObjects = true;
  PlaylistModel->SetStore(playlist_->Storage());

  // Labels, colours.
  Label_Size->clear();
  Label_Time->clear();

  CreateTimers();
  ConnectControls();

  // The message panel of the sub player conversation.
  MyMessagePanel1 = new TMyMessagePanel(this);
  MyMessagePanel1->setObjectName(QStringLiteral("MyMessagePanel1"));
  sub_player_ = std::make_unique<TMySubPlayerLink>(MyMessagePanel1);
  MyMessagePanel1->OnTextChange = [this](QObject*, const WString& text) {
    sub_player_->HandleText(text);
  };

  // A 480-wide client area with a 16:9 video area between the panels.
  resize(kClientWidth, menuBar()->sizeHint().height() + Panel_Top->sizeHint().height() +
                           static_cast<int>(kClientWidth * 0.5625) +
                           Panel_Bottom->sizeHint().height());

  SetUpDialogs();

  // The mute image.
  mute_image_index_ = Action_Play_Mute->property("ImageIndex").toInt();

  // An empty playlist, without a question.
  Action_List_ClearExecute(nullptr);

  // Follow the clipboard.
  connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
          &TApp_Mivaro::ClipboardChanged);
  ClipboardChanged();

  // Keys, busy input blocking and media keys are seen application-wide.
  input_ = new TMyMainInput(*this);
  startup_report_ = new TMyStartupReport(this);
  SetBusyHandler([this](bool busy) { SetBusy(busy); });
  inhibitor_ = new TMyScreenSaverInhibitor(product_name_, this);

  // The playlist window, made with the main window; it reads its keys with the settings.
  AttachPlaylistWindow(this);
  // The file and sort commands, for this window and the playlist window.
  new TMyFileCommands(*this);
  // The Send-To sub-menus and the tray icon.
  new TMyMainDesktopMenus(this);

  // Created; settings.
  created_ = 1;
  LoadSettings();

  // Mute, volume, icon size; the rename dialog's filter.
  ApplyMuteAndVolume();
  if (Action_Opt_LargeIcon->isChecked()) ApplyIconSize();
  Dialog_FileCmd_Rename.filter = Dialog_File_OpenFile.filter;

  // Action states.
  UpdateActionStates();

  // Dropped files.
  setAcceptDrops(true);

  if (options_.register_mpris) {
    remote_ = new TMyRemoteControl(*this, Timer_Time);
    remote_->Start();
  }
}

TApp_Mivaro::~TApp_Mivaro() {
  // No key runs a command while the window goes (the last fade pumps messages).
  delete input_;
  input_ = nullptr;
  FormDestroy();
  SetShowFilePropertiesHook(nullptr);
  SetBusyHandler(nullptr);
  // The model must let go of the store before the playlist goes.
  if (PlaylistModel) PlaylistModel->SetStore(nullptr);
  DShow_Player->OnMediaOpen = nullptr;
  DShow_Player->OnMediaStart = nullptr;
  DShow_Player->OnMediaPlay = nullptr;
  DShow_Player->OnMediaPaused = nullptr;
  DShow_Player->OnMediaStopped = nullptr;
  DShow_Player->OnMediaClosed = nullptr;
  DShow_Player->OnVideoSizeChange = nullptr;
  DShow_Player->OnResize = nullptr;
  DShow_Player->OnMediaEvent = nullptr;
  DShow_Player->OnOpenFailed = nullptr;
  // The helpers and windows parented to this one (the video frame, the links, the playlist
  // window, event filters) reach back into it from their filters and destructors: they go
  // while it is still whole, not in the base class destructor, whose widget teardown still
  // sends this window events. Actions, menus and the layout stay for the widgets.
  VideoFrame = nullptr;
  std::vector<QPointer<QObject>> attached;
  for (QObject* child : findChildren<QObject*>(Qt::FindDirectChildrenOnly)) {
    const auto* widget = qobject_cast<QWidget*>(child);
    const bool helper =
        !widget && !qobject_cast<QAction*>(child) && !qobject_cast<QLayout*>(child);
    if (helper || (widget && widget->isWindow() && !qobject_cast<const QMenu*>(widget)))
      attached.emplace_back(child);
  }
  for (const QPointer<QObject>& child : attached) delete child.data();
}

// ---- Start-up steps ---------------------------------------------------------------------

void TApp_Mivaro::ConnectPlayer() {
  // Preferred decoders. The renderer is chosen before the first file opens
  // (EnsureRenderer): finding the one that works here starts the media engine, which
  // would otherwise hold back the window by more than half a second.
  if (options_.graph_factory) DShow_Player->SetGraphFactory(options_.graph_factory);
  DShow_Player->SetUseFFDShow(true);
  // Files open in the background: the window goes on while the engine prepares one, and
  // the open's end arrives as OnMediaOpen, or as OnOpenFailed for a file it cannot play.
  DShow_Player->SetOpenInBackground(true);
  DShow_Player->OnOpenFailed = [this](TMyMediaPlayer*) { controller_->OpenFailed(); };

  // Player notifications.
  DShow_Player->OnMediaOpen = [this](TMyMediaPlayer*) { DShow_PlayerMediaOpen(); };
  DShow_Player->OnMediaStart = [this](TMyMediaPlayer*) { DShow_PlayerMediaStart(); };
  DShow_Player->OnMediaPlay = [this](TMyMediaPlayer*) { DShow_PlayerMediaPlay(); };
  DShow_Player->OnMediaPaused = [this](TMyMediaPlayer*) { DShow_PlayerMediaPaused(); };
  DShow_Player->OnMediaStopped = [this](TMyMediaPlayer*) { DShow_PlayerMediaStopped(); };
  DShow_Player->OnMediaClosed = [this](TMyMediaPlayer*) { DShow_PlayerMediaClosed(); };
  DShow_Player->OnVideoSizeChange = [this](TMyMediaPlayer*, std::uint16_t, std::uint16_t) {
    DShow_PlayerVideoSizeChange();
  };
  DShow_Player->OnResize = [this](TMyMediaPlayer*) { UpdateSizeLabel(); };
  // A length not known at open (a stream without an index) arrives later: the bar takes it.
  DShow_Player->OnMediaEvent = [this](TMyMediaPlayer*, std::int32_t code, std::int32_t, std::int32_t) {
    if (code != EC_LENGTH_CHANGED) return;
    seek_bar_->SetLength(DShow_Player->DurationSeconds());
  };
}

void TApp_Mivaro::CreateTimers() {
  Timer_Time = new QTimer(this);
  Timer_Time->setObjectName(QStringLiteral("Timer_Time"));
  Timer_Time->setInterval(1000);
  connect(Timer_Time, &QTimer::timeout, this, &TApp_Mivaro::Timer_TimeTimer);
  Timer_IsPlay = new QTimer(this);
  Timer_IsPlay->setObjectName(QStringLiteral("Timer_IsPlay"));
  Timer_IsPlay->setInterval(500);
  connect(Timer_IsPlay, &QTimer::timeout, this, &TApp_Mivaro::Timer_IsPlayTimer);
  Timer_GetFile = new QTimer(this);
  Timer_GetFile->setObjectName(QStringLiteral("Timer_GetFile"));
  Timer_GetFile->setInterval(30);
  connect(Timer_GetFile, &QTimer::timeout, this, &TApp_Mivaro::Timer_GetFileTimer);
}

void TApp_Mivaro::ConnectControls() {
  // Controls that run commands.
  connect(ComboBox_Playlist, qOverload<int>(&QComboBox::activated), this,
          &TApp_Mivaro::ComboBoxSelect);
  connect(TrackBar_Volume, &QSlider::valueChanged, this, [this] { ApplyMuteAndVolume(); });
  TMySeekBarPresenter::TCommands seek;
  seek.seek_to = [this](double seconds) { SeekTo(seconds); };
  seek.scrub_to = [this](int seconds) { controller_->ScrubTo(seconds); };
  seek.skip = [this](int direction) { Skip(direction); };
  seek_bar_ = new TMySeekBarPresenter(TrackBar_Seek, Action_Play_SkipBack, Action_Play_SkipNext,
                                      std::move(seek), this);
}

void TApp_Mivaro::SetUpDialogs() {
  // The initial folder of every dialog.
  const WString initial = InitialFolder();
  Dialog_File_OpenFile.title = QStringLiteral("開く");
  Dialog_File_OpenFile.filter = QStringLiteral(
      "オーディオ (*.mid;*.mp3;*.wav;*.wma)|*.mid;*.mp3;*.wav;*.wma|"
      "ビデオ (*.avi;*.divx;*.flv;*.mp4;*.mpeg;*.mpg;*.wmv)|*.avi;*.divx;*.flv;*.mp4;*.mpeg;*.mpg;*.wmv|"
      "再生リスト (*.m3u;*.m3u8;*.pls;*.wpl;*.xspf)|*.m3u;*.m3u8;*.pls;*.wpl;*.xspf|"
      "すべて (*.*)|*.*");
  Dialog_File_OpenFile.filter_index = 4;
  Dialog_File_OpenFolder.title = QStringLiteral("フォルダを開く");
  Dialog_File_OpenThisFolder.title = QStringLiteral("フォルダを開く");
  Dialog_Save.title = QStringLiteral("プレイリスト保存");
  Dialog_Save.filter = QStringLiteral("プレイリスト (*.m3u8)|*.m3u8|すべて|*.*");
  Dialog_FileCmd_Rename.title = QStringLiteral("ファイル名変更");
  Dialog_FileCmd_Move.title = QStringLiteral("ファイル移動");
  Dialog_FileCmd_Copy.title = QStringLiteral("ファイルコピー");
  // The checks, the volume and the dialogs' folders start at the settings' defaults.
  ApplyWindowSettings(*this, DefaultMainSettings(initial));
}

void TApp_Mivaro::FinishStartup() {
  if (finished_startup_) return;
  finished_startup_ = true;
  // Show the window and bring it to the front. The window comes before the sub player
  // (which may take a moment to answer) so that it appears at once.
  show();
  raise();
  activateWindow();
  // Fill the playlist.
  if (arguments_.empty()) {
    if (Action_Opt_Resume->isChecked() && controller_->ResumeIndex() >= 0) {
      AddFiles({ResumeListFileName()});
      DShow_Player->Play();
    }
  } else {
    AddFiles(arguments_);
  }
  startup_report_->Filled();
  // The sub player, once the window is up.
  if (options_.start_sub_player) {
    QTimer::singleShot(0, this, [this] {
      if (created_ != 1) return;
      sub_player_->Start();
      // A video that opened while the sub player was still starting found no desktop
      // window for wallpaper mode: it goes there now.
      if (Action_Zoom_Wallvideo->isChecked() && !wall_video_->Hosting() && DShow_Player->HasVideo())
        Action_Zoom_WallvideoExecute(nullptr);
    });
  }
}

Qt::KeyboardModifiers TApp_Mivaro::Keys() const {
  if (HeldKeys) return HeldKeys();
  const Modifiers m = HeldModifiers();
  Qt::KeyboardModifiers keys;
  if (m.shift) keys |= Qt::ShiftModifier;
  if (m.ctrl) keys |= Qt::ControlModifier;
  if (m.alt) keys |= Qt::AltModifier;
  return keys;
}

void TApp_Mivaro::EnsureRenderer() {
  if (renderer_chosen_) return;
  renderer_chosen_ = true;
  renderer_ = TMyDirectShowPlayer::BestRenderer();
  DShow_Player->SetRenderer(renderer_);
}

double TApp_Mivaro::PlayerPosition() const { return DShow_Player->Position(); }

// ---- Caption and hints --------------------------------------------------------------------

void TApp_Mivaro::UpdateCaption() {
  if (DShow_Player->IsOpened()) {
    setWindowTitle(QString::fromStdU16String(ExtractFileName(DShow_Player->FileName())));
  } else {
    setWindowTitle(product_name_);
  }
}

QString TApp_Mivaro::ProgressCaption() const {
  if (!file_path_.empty()) {
    return QStringLiteral("[%1] %2").arg(file_count_).arg(QString::fromStdU16String(file_path_));
  }
  return QString::fromStdU16String(ExtractFileName(DShow_Player->FileName()));
}

void TApp_Mivaro::Timer_GetFileTimer() { setWindowTitle(ProgressCaption()); }

// ---- Busy guard -----------------------------------------------------------------------------

void TApp_Mivaro::SetBusy(bool busy) {
  if (busy) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    setAcceptDrops(false);
    if (links.playlist) links.playlist->SetInputEnabled(false);
    return;
  }
  setAcceptDrops(true);
  if (links.playlist) links.playlist->SetInputEnabled(true);
  QApplication::restoreOverrideCursor();
  if (close_pending_) {
    close_pending_ = false;
    QTimer::singleShot(0, this, &QWidget::close);
  }
}

// ---- Upkeep -----------------------------------------------------------------------------

void TApp_Mivaro::ClipboardChanged() {
  const QMimeData* clip = QGuiApplication::clipboard()->mimeData();
  Action_List_Paste->setEnabled(clip && clip->hasText());
}

void TApp_Mivaro::changeEvent(QEvent* event) {
  if (event->type() == QEvent::WindowStateChange && created_ == 1) {
    auto* change = static_cast<QWindowStateChangeEvent*>(event);
    const bool was_min = change->oldState().testFlag(Qt::WindowMinimized);
    const bool is_min = windowState().testFlag(Qt::WindowMinimized);
    if (is_min && !was_min) {
      Action_File_Restore->setEnabled(true);
      Action_File_Minimize->setEnabled(false);
      ApplicationMinimized();
    } else if (!is_min && was_min) {
      Action_File_Minimize->setEnabled(true);
      Action_File_Restore->setEnabled(windowState().testFlag(Qt::WindowMaximized));
      ApplicationRestored();
    } else {
      Action_File_Restore->setEnabled(windowState().testFlag(Qt::WindowMaximized));
    }
  }
  QMainWindow::changeEvent(event);
}

void TApp_Mivaro::ApplicationMinimized() {
  if (playlist_->Count() == 0 || Action_Zoom_Wallvideo->isChecked() || !DShow_Player->HasVideo())
    return;
  if (!options_.start_sub_player || !sub_player_->Need()) return;
  const std::uint64_t host = sub_player_->HostWindow();
  if (host != 0) DShow_Player->SetVideoOwner(static_cast<TMyWindowHandle>(host));
}

void TApp_Mivaro::ApplicationRestored() {
  if (Action_Zoom_Wallvideo->isChecked()) return;
  const TMyWindowHandle own = TMyDirectShowPlayer::WindowOf(DShow_Player);
  if (DShow_Player->VideoOwner() != own) DShow_Player->SetVideoOwner(own);
  VideoFrame->Layout();
}

void TApp_Mivaro::Action_File_RestoreExecute(QObject*) {
  showNormal();
  Action_File_Restore->setEnabled(false);
  Action_File_Minimize->setEnabled(true);
}

void TApp_Mivaro::Action_File_MinimizeExecute(QObject*) {
  showMinimized();
  Action_File_Restore->setEnabled(true);
  Action_File_Minimize->setEnabled(false);
}

void TApp_Mivaro::Action_Help_VersionInfoExecute(QObject*) {
  TApp_MivaroVersion version(this);
  version.exec();
}

void TApp_Mivaro::dragEnterEvent(QDragEnterEvent* event) {
  if (!IsBusy() && event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TApp_Mivaro::dropEvent(QDropEvent* event) {
  if (IsBusy()) return;
  std::vector<WString> names;
  for (const QUrl& url : event->mimeData()->urls()) {
    if (url.isLocalFile()) names.push_back(url.toLocalFile().toStdU16String());
  }
  event->acceptProposedAction();
  // Handled after the drop returns, so the source program is not held meanwhile.
  QTimer::singleShot(0, this, [this, names] { DropFiles(names); });
}

// ---- Shutdown -------------------------------------------------------------------------------

void TApp_Mivaro::closeEvent(QCloseEvent* event) {
  if (IsBusy()) {
    // A window that is busy cannot be closed; long loops are asked to stop, and the
    // window closes once the command ends.
    close_pending_ = true;
    SetDesktopTerminating(true);
    event->ignore();
    return;
  }
  if (InStep()) {
    // A fade or seek pumps messages: the close is carried out once the step has ended
    // (asked again shortly), not from inside it.
    event->ignore();
    QTimer::singleShot(50, this, &QWidget::close);
    return;
  }
  DShow_Player->SetShowEvents(false);
  VideoFrame->LeaveForClose();
  FormDestroy();
  event->accept();
  QMainWindow::closeEvent(event);
}

void TApp_Mivaro::FormDestroy() {
  if (created_ != 1) return;
  created_ = 0;
  DShow_Player->SetShowEvents(false);
  setAcceptDrops(false);
  Timer_Time->stop();
  Timer_IsPlay->stop();
  Timer_GetFile->stop();
  DShow_Player->Pause();
  SaveSettings();
  if (DShow_Player->IsOpened()) {
    DShow_Player->FadeOut();
    DShow_Player->Close();
  }
  DShow_Player->Clear();
  inhibitor_->Release();
  // The video back home.
  if (!windowState().testFlag(Qt::WindowMinimized)) {
    const TMyWindowHandle own = TMyDirectShowPlayer::WindowOf(DShow_Player);
    if (DShow_Player->VideoOwner() != own) DShow_Player->SetVideoOwner(own);
  }
  DShow_Player->StopWallVideo();
  // The sub player ends with us.
  sub_player_->Close();
}

}  // namespace mivaro
