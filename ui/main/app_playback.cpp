// Playback commands and playlist navigation of the main window: choosing the entry,
// opening it, the player's events, the time display and end of media, seeking and
// skipping, frame steps, play rate, mute and volume, deleting and clearing, the action
// states.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QLabel>
#include <QMimeData>
#include <QSlider>
#include <QTimer>

#include "core/paths.h"
#include "core/wstrings.h"
#include "platform/desktop/screensaver.h"
#include "player/action_states.h"
#include "player/playback_controller.h"
#include "player/qt/directshow_player.h"
#include "tags/tag.h"
#include "ui/debug/debug_menu.h"
#include "ui/main/app_mivaro.h"
#include "ui/main/busy_guard.h"
#include "ui/main/main_input.h"
#include "ui/main/message_boxes.h"
#include "ui/main/playlist_combo.h"
#include "ui/main/remote_control.h"
#include "ui/main/seek_bar_presenter.h"
#include "ui/main/time_text.h"
#include "ui/main/track_bar.h"
#include "ui/main/video_frame.h"
#include "ui/main/wall_video_command.h"

namespace mivaro {
namespace {

std::int64_t NowMs() { return QDateTime::currentMSecsSinceEpoch(); }

}  // namespace

int TApp_Mivaro::ItemIndex() const { return controller_->Index(); }

void TApp_Mivaro::SetItemIndex(int index) { controller_->SetIndex(index); }

// ---- Choosing and opening ---------------------------------------------------------------

void TApp_Mivaro::PlayIndex(int n) { controller_->PlayIndex(n); }
void TApp_Mivaro::PlayCurrent() { controller_->PlayCurrent(); }
void TApp_Mivaro::StopMedia() { controller_->Stop(); }
void TApp_Mivaro::Action_Play_BackExecute(QObject*) { controller_->Back(); }
void TApp_Mivaro::Action_Play_NextExecute(QObject*) { controller_->Next(); }

// ---- What the controller reports ---------------------------------------------------------

void TApp_Mivaro::Post(std::function<void()> task) { QTimer::singleShot(0, this, std::move(task)); }
bool TApp_Mivaro::Live() const { return created_ == 1; }
bool TApp_Mivaro::Busy() const { return IsBusy(); }
void TApp_Mivaro::BeginBusy() { BeginFunc(); }
void TApp_Mivaro::EndBusy() { EndFunc(); }
void TApp_Mivaro::ShowIndex(int index) { ComboBox_Playlist->SetItemIndex(index); }
void TApp_Mivaro::BeforeOpen() { EnsureRenderer(); }
void TApp_Mivaro::ListChanged() { RefreshListWindow(); }
void TApp_Mivaro::StatesChanged() { UpdateActionStates(); }
void TApp_Mivaro::StopClock() { Timer_Time->stop(); }
void TApp_Mivaro::EntryUnplayable(WStringView path) { LogUnplayableEntry(*DShow_Player, path); }
void TApp_Mivaro::BeginStep() { steps_.push_back(std::make_unique<TMyStepScope>()); }
void TApp_Mivaro::EndStep() {
  if (!steps_.empty()) steps_.pop_back();
}

void TApp_Mivaro::ShowOpened() {
  if (links.send_to) links.send_to->SetTarget(DShow_Player->FileName());
  TrackBar_Seek->setRange(0, DShow_Player->DurationSeconds());
  TrackBar_Seek->setValue(0);
  DShow_Player->SetKeepAspect(Action_Zoom_KeepAspect->isChecked());
  VideoFrame->ApplyScreenModes();
  // A video still on the desktop from the previous entry comes home when the mode is off.
  if (!Action_Zoom_Wallvideo->isChecked() && wall_video_->VideoOut()) wall_video_->Execute(false);
  UpdateHints();
  UpdateActionStates();
}

void TApp_Mivaro::ShowPosition(int seconds) { seek_bar_->ShowPosition(seconds); }

void TApp_Mivaro::ShowCleared() {
  Timer_Time->stop();
  RefreshListWindow();
  Label_Size->clear();
  Label_Time->clear();
  TrackBar_Seek->setRange(0, 0);
  VideoFrame->LeaveScreenModes();
  UpdateCaption();
  UpdateHints();
  UpdateActionStates();
  UpdateRemoteStatus();
}

// ---- Player events ----------------------------------------------------------------------

void TApp_Mivaro::DShow_PlayerMediaOpen() {
  if (links.playlist) links.playlist->MarkCurrent(ItemIndex());
  controller_->MediaOpened();
}

void TApp_Mivaro::DShow_PlayerMediaStart() {
  UpdateCaption();
  controller_->MediaStarted();
  DShow_PlayerMediaPlay();
}

void TApp_Mivaro::DShow_PlayerMediaPlay() {
  Timer_Time->start();
  UpdateCaption();
  UpdateRemoteStatus();
}

void TApp_Mivaro::DShow_PlayerMediaPaused() {
  Timer_Time->stop();
  Timer_TimeTimer();
  inhibitor_->Release();
  UpdateRemoteStatus();
}

void TApp_Mivaro::DShow_PlayerMediaStopped() {
  Timer_Time->stop();
  TrackBar_Seek->setValue(0);
  inhibitor_->Release();
}

void TApp_Mivaro::DShow_PlayerMediaClosed() {
  DShow_PlayerMediaStopped();
  Label_Size->clear();
  Label_Time->clear();
  UpdateCaption();
  UpdateHints();
  UpdateActionStates();
  UpdateRemoteStatus();
}

void TApp_Mivaro::DShow_PlayerVideoSizeChange() {
  const TMyPlayState state = DShow_Player->PlayState();
  if (!Timer_IsPlay->isActive() && state == psStopped) Timer_IsPlay->start();
  VideoFrame->Layout();
  if (links.screen_modes) links.screen_modes->VideoSizeChanged();
}

void TApp_Mivaro::Timer_IsPlayTimer() {
  Timer_IsPlay->stop();
  if (DShow_Player->PlayState() == psStopped) SeekTo(DShow_Player->Position());
}

// ---- Time display and end of media -----------------------------------------------------

void TApp_Mivaro::Timer_TimeTimer() {
  if (!DShow_Player->IsOpened()) {
    Timer_Time->stop();
    return;
  }
  Label_Time->setText(TimeDisplayText(Action_Opt_TimeVerbose->isChecked(), DShow_Player->Position(),
                                      DShow_Player->Duration(), DShow_Player->PositionSeconds(),
                                      DShow_Player->DurationSeconds()));
  // Keep the display awake while playing.
  if (Timer_Time->isActive()) inhibitor_->Hold(QStringLiteral("メディアの再生中"));
  seek_bar_->Follow(DShow_Player->PositionSeconds());
  if (controller_->TimeTick(NowMs())) MediaEnded();
}

void TApp_Mivaro::MediaEnded() { controller_->MediaEnded(); }

// ---- Seeking -----------------------------------------------------------------------------

void TApp_Mivaro::SeekTo(double seconds) {
  // The fades pump messages: a time tick meanwhile must not move the bar back.
  seek_bar_->BeginSeek(seconds);
  controller_->SeekTo(seconds);
  seek_bar_->EndSeek();
  RemoteSeeked();
}

void TApp_Mivaro::Skip(int direction) {
  if (IsBusy()) return;
  TMyBusyScope busy;
  if (!DShow_Player->IsOpened()) return;
  const Qt::KeyboardModifiers keys = Keys();
  const int amount = TMyPlaybackController::SkipAmount(
      DShow_Player->Duration(), keys.testFlag(Qt::ShiftModifier), keys.testFlag(Qt::ControlModifier));
  Timer_Time->stop();
  // The base is the bar's whole-second position; a target below 0 goes to the player as is.
  SeekTo(TrackBar_Seek->value() + direction * amount);
  Timer_Time->start();
}

void TApp_Mivaro::Action_Play_SkipBackExecute(QObject*) { Skip(-1); }
void TApp_Mivaro::Action_Play_SkipNextExecute(QObject*) { Skip(+1); }

// ---- Play, pause, replay, frames, rate, volume -----------------------------------------

void TApp_Mivaro::Action_Play_PlayPauseExecute(QObject*) {
  controller_->PlayPause();
  UpdateRemoteStatus();
}

void TApp_Mivaro::Action_Play_ReplayExecute(QObject*) {
  controller_->Replay();
  RemoteSeeked();
}
void TApp_Mivaro::Action_Play_FrameBackExecute(QObject*) {
  controller_->FrameStep(-1);
  RemoteSeeked();
}
void TApp_Mivaro::Action_Play_FrameNextExecute(QObject*) {
  controller_->FrameStep(+1);
  RemoteSeeked();
}

void TApp_Mivaro::Action_PlayRateExecute(QObject* sender) {
  if (auto* action = qobject_cast<QAction*>(sender)) action->setChecked(true);
  ApplyPlayRate();
}

void TApp_Mivaro::ApplyPlayRate() {
  double rate = 1.0;
  for (QAction* action : Action_PlayRates) {
    if (!action->isChecked()) continue;
    bool ok = false;
    const double value = action->text().remove(QLatin1Char('&')).toDouble(&ok);
    if (ok) rate = value;
    break;
  }
  controller_->SetRate(rate);
}

void TApp_Mivaro::Action_Play_MuteExecute(QObject*) { ApplyMuteAndVolume(); }

void TApp_Mivaro::ApplyMuteAndVolume() {
  const bool muted = Action_Play_Mute->isChecked();
  const int image = muted ? mute_image_index_ + 1 : mute_image_index_;
  if (image != Action_Play_Mute->property("ImageIndex").toInt()) {
    Action_Play_Mute->setProperty("ImageIndex", image);
    ApplyIcons();
  }
  controller_->SetMuteAndVolume(muted, TrackBar_Volume->value());
}

void TApp_Mivaro::Action_Opt_TimeVerboseExecute(QObject*) { Timer_TimeTimer(); }

void TApp_Mivaro::Action_Zoom_50Execute(QObject*) { VideoFrame->FixedZoom(50); }
void TApp_Mivaro::Action_Zoom_100Execute(QObject*) { VideoFrame->FixedZoom(100); }
void TApp_Mivaro::Action_Zoom_200Execute(QObject*) { VideoFrame->FixedZoom(200); }

// Pauses and hands the current file and position to the capture tool.
void TApp_Mivaro::Action_Zoom_CaptureExecute(QObject*) {
  if (!DShow_Player->HasVideo() || !links.capture || links.capture->IsOpen()) return;
  DShow_Player->Pause();
  links.capture->OpenAt(DShow_Player->FileName(), DShow_Player->Position());
  // Disabled until the tool is closed.
  UpdateActionStates();
}

void TApp_Mivaro::Action_Zoom_KeepAspectExecute(QObject*) {
  DShow_Player->SetKeepAspect(Action_Zoom_KeepAspect->isChecked());
}

// ---- Deleting and clearing --------------------------------------------------------------

void TApp_Mivaro::Action_List_DelExecute(QObject* sender) {
  TMyBusyScope busy;
  if (sender && AskYesNo(u"再生中のファイルをリストから削除します\rよろしいですか") != kIdYes) return;
  controller_->RemoveCurrent();
}

void TApp_Mivaro::Action_List_ClearExecute(QObject* sender) {
  if (sender && AskYesNo(u"リストをクリアします\rよろしいですか") != kIdYes) return;
  controller_->Clear();
}

void TApp_Mivaro::RefreshListWindow() {
  if (links.playlist) links.playlist->Refresh(playlist_->Count());
}

void TApp_Mivaro::ComboBoxSelect(int) {
  if (playlist_->Count() > 0 && !IsBusy()) PlayCurrent();
}

// ---- States, labels and hints ----------------------------------------------------------

void TApp_Mivaro::UpdateActionStates() {
  if (created_ != 1) return;
  VideoFrame->HidePanels();
  TMyActionFacts facts;
  facts.opened = DShow_Player->IsOpened();
  facts.has_items = playlist_->Count() > 0;
  facts.current = ItemIndex() >= 0;
  facts.video = DShow_Player->HasVideo();
  facts.full_screen = Action_Zoom_FullScreen->isChecked() || Action_Zoom_MaxScreen->isChecked();
  facts.file_commands = links.file_commands != nullptr;
  facts.capture_ready = links.capture && !links.capture->IsOpen();
  facts.wallpaper = wall_video_ != nullptr;
  const QMimeData* clip = QGuiApplication::clipboard()->mimeData();
  facts.clipboard_text = clip && clip->hasText();
  const TMyActionStates on = ActionStates(facts);
  struct Rule {
    std::vector<QAction*> actions;
    bool enabled;
  };
  const Rule rules[] = {
      {{Action_Play_PlayPause, Action_Play_Replay, Action_Play_SkipBack, Action_Play_SkipNext,
        Action_Play_FrameBack, Action_Play_FrameNext},
       on.playback},
      {{Action_Play_Back, Action_Play_Next}, on.navigation},
      {{Action_Zoom_Wallvideo}, on.wallpaper},
      {{Action_Zoom_FullScreen, Action_Zoom_MaxScreen, Action_Zoom_Up, Action_Zoom_Down},
       on.screen_modes},
      {{Action_Zoom_100, Action_Zoom_50, Action_Zoom_200, Action_Zoom_Fit,
        Action_Zoom_AspectStandard, Action_Zoom_AspectHiVision,
        Action_Zoom_AspectEVista, Action_Zoom_AspectAVista, Action_Zoom_AspectWideScope},
       on.fixed_sizes},
      {{Action_Zoom_Capture}, on.capture},
      {{Action_List_Del, Action_File_Property}, on.entry},
      {{Action_FileCmd, Action_FileCmd_Rename, Action_FileCmd_Copy, Action_FileCmd_Move,
        Action_FileCmd_RemoveFromHDD, Action_FileCmd_Trash},
       on.file_commands},
      {{Action_List_Clear, Action_List_Copy, Action_File_SaveAs}, on.list},
      {{Action_Sort, Action_Sort_FileName, Action_Sort_Path, Action_Sort_Name, Action_Sort_Ext,
        Action_Sort_Shuffle},
       on.sort},
      {{Action_List_Paste}, on.paste},
  };
  for (const Rule& rule : rules)
    for (QAction* action : rule.actions) action->setEnabled(rule.enabled);
  TrackBar_Seek->setEnabled(on.playback);
  if (links.send_to) links.send_to->UpdateStates();
}

bool TApp_Mivaro::HandleMediaKey(int key) { return input_ && input_->MediaKey(key); }

void TApp_Mivaro::UpdateRemoteStatus() {
  if (remote_) remote_->UpdateStatus();
}

void TApp_Mivaro::RemoteSeeked() {
  if (remote_) remote_->Seeked();
}

void TApp_Mivaro::UpdateSizeLabel() { VideoFrame->UpdateSizeLabel(); }

void TApp_Mivaro::UpdateHints() {
  if (!DShow_Player->IsOpened()) {
    Panel_Top->setToolTip(QString());
    Panel_Bottom->setToolTip(QString());
    return;
  }
  const WString& file = DShow_Player->FileName();
  Panel_Top->setToolTip(QString::fromStdU16String(file));
  TMyTag tag(file);
  QString hint = QString::fromStdU16String(tag.TitleOrFileTitle());
  if (!tag.Album.empty()) hint += QLatin1Char('\n') + QString::fromStdU16String(tag.Album);
  if (!tag.Artist.empty()) hint += QLatin1Char('\n') + QString::fromStdU16String(tag.Artist);
  Panel_Bottom->setToolTip(hint);
}

}  // namespace mivaro
