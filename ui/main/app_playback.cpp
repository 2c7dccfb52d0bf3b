// Playback commands and playlist navigation of the main window: choosing the entry,
// opening it, the player's events, the time display and end of media, seeking and
// skipping, frame steps, play rate, mute and volume, deleting and clearing, the action
// states, and the keys.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QLabel>
#include <QMimeData>
#include <QSlider>
#include <QTimer>
#include <QToolTip>
#include <random>

#include "core/paths.h"
#include "core/wstrings.h"
#include "platform/desktop/mpris.h"
#include "platform/desktop/screensaver.h"
#include "player/qt/directshow_player.h"
#include "tags/tag.h"
#include "ui/main/app_mivaro.h"
#include "ui/main/busy_guard.h"
#include "ui/main/message_boxes.h"
#include "ui/main/playlist_combo.h"
#include "ui/main/time_text.h"
#include "ui/main/track_bar.h"
#include "ui/debug/debug_menu.h"

namespace mivaro {
namespace {

std::mt19937& Random() {
  static std::mt19937 engine{std::random_device{}()};
  return engine;
}

int RandomBelow(int n) { return std::uniform_int_distribution<int>(0, n - 1)(Random()); }

std::int64_t NowMs() { return QDateTime::currentMSecsSinceEpoch(); }

WString Format(WStringView pattern, int value) {
  QString text = QString::fromStdU16String(WString(pattern));
  text.replace(QStringLiteral("%d"), QString::number(value));
  return text.toStdU16String();
}

}  // namespace

int TApp_Mivaro::ItemIndex() const { return ComboBox_Playlist->ItemIndex(); }

void TApp_Mivaro::SetItemIndex(int index) { ComboBox_Playlist->SetItemIndex(index); }

// ---- Choosing and opening ---------------------------------------------------------------

void TApp_Mivaro::PlayIndex(int n) {
  if (n >= 0 && n <= playlist_->Count() - 1) {
    SetItemIndex(n);
    PlayCurrent();
  } else {
    ShowNotice(Format(u"インデックス指定エラー\r%d", n));
  }
}

void TApp_Mivaro::PlayCurrent() {
  if (ItemIndex() < 0) SetItemIndex(0);
  OpenAndPlay(playlist_->Get(ItemIndex()));
}

void TApp_Mivaro::Navigate(bool forward) {
  const int count = playlist_->Count();
  if (count == 0) {
    Action_List_ClearExecute(nullptr);
    return;
  }
  const int i = ItemIndex();
  int next;
  if (Action_Opt_Random->isChecked()) {
    next = 0;
    if (count > 1) {
      do {
        next = RandomBelow(count);
      } while (next == i);
    }
  } else {
    next = forward ? i + 1 : i - 1;
    if (next < 0) next = count - 1;
    if (next > count - 1) next = 0;
  }
  SetItemIndex(next);
  PlayCurrent();
}

void TApp_Mivaro::Action_Play_BackExecute(QObject*) { Navigate(false); }
void TApp_Mivaro::Action_Play_NextExecute(QObject*) { Navigate(true); }

void TApp_Mivaro::OpenAndPlay(WStringView path) {
  BeginFunc();
  EnsureRenderer();
  StopMedia();
  const bool opened = DShow_Player->Open(path);
  EndFunc();
  if (!opened) UnplayableEntry();
}

void TApp_Mivaro::StopMedia() {
  TMyStepScope step;
  if (DShow_Player->IsOpened()) {
    DShow_Player->FadeOut();
    DShow_Player->Close();
  }
  pending_seek_ = -1.0;
  wait_start_ = 0;
}

void TApp_Mivaro::UnplayableEntry() {
  // The entry is dropped without a question and the next one plays. This runs from the
  // event loop, not from inside the failed open: a list whose entries all fail is worked
  // off one entry per turn instead of one nested call per entry, and the window stays live.
  const int index = ItemIndex();
  const WString path = playlist_->Get(index);
  LogUnplayableEntry(*DShow_Player, path);
  QTimer::singleShot(0, this, [this, index, path] {
    if (created_ != 1) return;
    if (ItemIndex() != index || playlist_->Get(index) != path) return;  // the user moved on
    if (IsBusy()) {
      UnplayableEntry();
      return;
    }
    Action_List_DelExecute(nullptr);
  });
}

// ---- Player events ----------------------------------------------------------------------

void TApp_Mivaro::DShow_PlayerMediaOpen() {
  if (hooks.mark_current) hooks.mark_current(ItemIndex());
  // A picture of no length is a still image, refused unless still images are allowed.
  // Sound of no length plays: its length is not known yet (a stream without an index or
  // header) and follows as a length-changed event. A file the engine cannot play at all
  // fails the open instead.
  if (DShow_Player->DurationSeconds() == 0 && DShow_Player->HasVideoSize() &&
      !Action_Opt_AllowImage->isChecked()) {
    UnplayableEntry();
    return;
  }
  if (hooks.send_to_file) hooks.send_to_file(DShow_Player->FileName());
  time_latch_ = 1;
  TrackBar_Seek->setRange(0, DShow_Player->DurationSeconds());
  TrackBar_Seek->setValue(0);
  time_latch_ = 0;
  DShow_Player->SetKeepAspect(Action_Zoom_KeepAspect->isChecked());
  ApplyPlayRate();
  ApplyMuteAndVolume();
  ApplyWallVideo();
  UpdateHints();
  UpdateActionStates();
  if (resume_time_ > 0) {
    if (DShow_Player->DurationSeconds() > 0 && resume_time_ >= DShow_Player->Duration()) {
      resume_time_ = 0;
      Action_Play_NextExecute(nullptr);
    } else {
      DShow_Player->SetPosition(resume_time_);
      TrackBar_Seek->Tag = 1;
      TrackBar_Seek->setValue(DShow_Player->PositionSeconds());
      TrackBar_Seek->Tag = 0;
      resume_time_ = 0;
    }
  } else {
    Action_Play_ReplayExecute(nullptr);
  }
}

void TApp_Mivaro::DShow_PlayerMediaStart() {
  UpdateCaption();
  end_of_media_ = false;
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
  time_latch_ = 1;
  TrackBar_Seek->setValue(0);
  time_latch_ = 0;
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
  const int state = DShow_Player->PlayState();
  if (!Timer_IsPlay->isActive() && state != 3 && state != 2) Timer_IsPlay->start();
}

void TApp_Mivaro::Timer_IsPlayTimer() {
  Timer_IsPlay->stop();
  const int state = DShow_Player->PlayState();
  if (state != 3 && state != 2) SeekTo(DShow_Player->Position());
}

// ---- Time display and end of media -----------------------------------------------------

void TApp_Mivaro::Timer_TimeTimer() {
  if (!DShow_Player->IsOpened()) {
    Timer_Time->stop();
    return;
  }
  time_latch_ = 1;
  Label_Time->setText(TimeDisplayText(Action_Opt_TimeVerbose->isChecked(), DShow_Player->Position(),
                                      DShow_Player->Duration(), DShow_Player->PositionSeconds(),
                                      DShow_Player->DurationSeconds()));
  // Keep the display awake while playing.
  if (Timer_Time->isActive()) inhibitor_->Hold(QStringLiteral("メディアの再生中"));
  if (!TrackBar_Seek->IsThumbHeld() && TrackBar_Seek->Tag != 1)
    TrackBar_Seek->setValue(DShow_Player->PositionSeconds());
  const double duration = DShow_Player->Duration();
  if (duration > 0) {
    if (DShow_Player->Position() >= duration) MediaEnded();
  } else if (!DShow_Player->HasVideoSize()) {
    // Sound whose length is not known yet: the end comes with the length.
  } else if (pending_seek_ == -1.0) {
    // A still image: wait about 10 seconds, then go on.
    pending_seek_ = 1.0;
    wait_start_ = NowMs();
  } else if (NowMs() - wait_start_ > 10000) {
    MediaEnded();
  }
  time_latch_ = 0;
}

void TApp_Mivaro::MediaEnded() {
  if (end_of_media_ || deleting_) return;
  end_of_media_ = true;
  Timer_Time->stop();
  if (playlist_->Count() > 0) {
    Action_Play_NextExecute(nullptr);
  } else {
    Action_List_ClearExecute(nullptr);
  }
  end_of_media_ = false;
}

// ---- Seeking -----------------------------------------------------------------------------

void TApp_Mivaro::SeekTo(double seconds) {
  TMyStepScope step;
  TrackBar_Seek->Tag = 1;
  TrackBar_Seek->setValue(static_cast<int>(seconds));
  if (DShow_Player->IsOpened()) {
    DShow_Player->FadeOut();
    DShow_Player->SetPosition(seconds);
    pending_seek_ = seconds;
    if (!Action_Play_Mute->isChecked()) DShow_Player->FadeIn(TrackBar_Volume->value());
  }
  TrackBar_Seek->Tag = 0;
}

void TApp_Mivaro::Skip(int direction) {
  if (IsBusy()) return;
  TMyBusyScope busy;
  if (!DShow_Player->IsOpened()) return;
  const Qt::KeyboardModifiers keys = Keys();
  const bool shift = keys.testFlag(Qt::ShiftModifier);
  const bool ctrl = keys.testFlag(Qt::ControlModifier);
  int amount = 30;
  if (shift && ctrl) {
    amount = static_cast<int>(DShow_Player->Duration() / 10);
  } else if (ctrl) {
    amount = 1;
  } else if (shift) {
    amount = 90;
  }
  Timer_Time->stop();
  // The base is the bar's whole-second position; a target below 0 goes to the player as is.
  SeekTo(TrackBar_Seek->value() + direction * amount);
  Timer_Time->start();
}

void TApp_Mivaro::Action_Play_SkipBackExecute(QObject*) { Skip(-1); }
void TApp_Mivaro::Action_Play_SkipNextExecute(QObject*) { Skip(+1); }

void TApp_Mivaro::SeekBarMouseDown(Qt::MouseButton button, QPoint pos) {
  if (button != Qt::LeftButton) {
    TrackBar_Seek->Tag = 0;
    TrackBar_Seek->releaseMouse();
  } else if (TrackBar_Seek->ThumbRect().contains(pos)) {
    TrackBar_Seek->Tag = 1;
  }
}

void TApp_Mivaro::SeekBarMouseMove(Qt::MouseButtons buttons, QPoint pos) {
  QString hint;
  if (TrackBar_Seek->minimum() < TrackBar_Seek->maximum()) {
    const QRect channel = TrackBar_Seek->ChannelRect();
    if (buttons.testFlag(Qt::LeftButton) && TrackBar_Seek->IsThumbHeld()) {
      hint = SecondsHint(TrackBar_Seek->value());
    } else if (pos.x() < channel.left()) {
      hint = Action_Play_SkipBack->toolTip();
    } else if (pos.x() > channel.right()) {
      hint = Action_Play_SkipNext->toolTip();
    } else {
      const int value = static_cast<int>(TrackBar_Seek->ValueAtX(pos.x()));
      hint = SecondsHint(value);
    }
  }
  TrackBar_Seek->setToolTip(hint);
  if (hint.isEmpty()) {
    QToolTip::hideText();
  } else {
    QToolTip::showText(TrackBar_Seek->mapToGlobal(pos), hint, TrackBar_Seek);
  }
}

void TApp_Mivaro::SeekBarMouseUp(Qt::MouseButton button, QPoint pos) {
  if (button != Qt::LeftButton) return;
  if (TrackBar_Seek->Tag == 1) {
    SeekTo(TrackBar_Seek->value());
  } else {
    const QRect channel = TrackBar_Seek->ChannelRect();
    if (pos.x() < channel.left()) {
      if (Action_Play_SkipBack->isEnabled()) Action_Play_SkipBackExecute(Action_Play_SkipBack);
    } else if (pos.x() > channel.right()) {
      if (Action_Play_SkipNext->isEnabled()) Action_Play_SkipNextExecute(Action_Play_SkipNext);
    } else {
      SeekTo(TrackBar_Seek->ValueAtX(pos.x()));
    }
  }
  TrackBar_Seek->Tag = 0;
}

// ---- Play, pause, replay, frames, rate, volume -----------------------------------------

void TApp_Mivaro::Action_Play_PlayPauseExecute(QObject*) {
  if (DShow_Player->PlayState() == 3) {
    DShow_Player->Pause();
  } else {
    DShow_Player->Play();
  }
  UpdateRemoteStatus();
}

void TApp_Mivaro::Action_Play_ReplayExecute(QObject*) {
  if (!DShow_Player->IsOpened()) return;
  TMyStepScope step;
  DShow_Player->FadeOut();
  DShow_Player->Replay();
  if (!Action_Play_Mute->isChecked()) DShow_Player->FadeIn(TrackBar_Volume->value());
}

void TApp_Mivaro::FrameStep(int count) {
  if (!DShow_Player->IsOpened()) return;
  DShow_Player->Pause();
  if (DShow_Player->TimePerFrame() != 0) DShow_Player->FrameStep(count);
}

void TApp_Mivaro::Action_Play_FrameBackExecute(QObject*) { FrameStep(-1); }
void TApp_Mivaro::Action_Play_FrameNextExecute(QObject*) { FrameStep(+1); }

void TApp_Mivaro::Action_PlayRateExecute(QObject* sender) {
  if (auto* action = qobject_cast<QAction*>(sender)) action->setChecked(true);
  ApplyPlayRate();
}

void TApp_Mivaro::ApplyPlayRate() {
  if (!DShow_Player->IsOpened()) return;
  double rate = 1.0;
  for (QAction* action : Action_PlayRates) {
    if (!action->isChecked()) continue;
    bool ok = false;
    const double value = action->text().remove(QLatin1Char('&')).toDouble(&ok);
    if (ok) rate = value;
    break;
  }
  DShow_Player->SetRate(rate);
}

void TApp_Mivaro::Action_Play_MuteExecute(QObject*) { ApplyMuteAndVolume(); }

void TApp_Mivaro::ApplyMuteAndVolume() {
  const bool muted = Action_Play_Mute->isChecked();
  const int image = muted ? mute_image_index_ + 1 : mute_image_index_;
  if (image != Action_Play_Mute->property("ImageIndex").toInt()) {
    Action_Play_Mute->setProperty("ImageIndex", image);
    ApplyIcons();
  }
  DShow_Player->SetVolume(muted ? 0 : TrackBar_Volume->value());
}

void TApp_Mivaro::Action_Opt_TimeVerboseExecute(QObject*) { Timer_TimeTimer(); }

void TApp_Mivaro::Action_Zoom_KeepAspectExecute(QObject*) {
  DShow_Player->SetKeepAspect(Action_Zoom_KeepAspect->isChecked());
}

// ---- Deleting and clearing --------------------------------------------------------------

void TApp_Mivaro::Action_List_DelExecute(QObject* sender) {
  BeginFunc();
  const int i = ItemIndex();
  if (sender && AskYesNo(u"再生中のファイルをリストから削除します\rよろしいですか") != kIdYes) {
    EndFunc();
    return;
  }
  deleting_ = true;
  DeleteEntry(i);
  deleting_ = false;
  EndFunc();
  RefreshListWindow();
}

void TApp_Mivaro::DeleteEntry(int a) {
  const bool current = a == ItemIndex();
  if (current) StopMedia();
  if (a >= 0) playlist_->Delete(a);
  if (current) {
    SetItemIndex(a - 1);
    Action_Play_NextExecute(nullptr);
  }
  UpdateActionStates();
}

void TApp_Mivaro::Action_List_ClearExecute(QObject* sender) {
  if (sender && AskYesNo(u"リストをクリアします\rよろしいですか") != kIdYes) return;
  Timer_Time->stop();
  DShow_Player->Clear();
  pending_seek_ = -1.0;
  wait_start_ = 0;
  playlist_->Clear();
  SetItemIndex(-1);
  RefreshListWindow();
  Label_Size->clear();
  Label_Time->clear();
  TrackBar_Seek->setRange(0, 0);
  UpdateCaption();
  UpdateHints();
  UpdateActionStates();
  UpdateRemoteStatus();
}

void TApp_Mivaro::RefreshListWindow() {
  if (hooks.refresh_list) hooks.refresh_list(playlist_->Count());
}

void TApp_Mivaro::ComboBoxSelect(int) {
  if (playlist_->Count() > 0 && !IsBusy()) PlayCurrent();
}

// ---- States, labels and hints ----------------------------------------------------------

void TApp_Mivaro::UpdateActionStates() {
  if (created_ != 1) return;
  const bool opened = DShow_Player->IsOpened();
  const bool has_items = playlist_->Count() > 0;
  const bool current = ItemIndex() >= 0;
  auto set = [](QAction* action, bool enabled) {
    if (!action->property("Later").toBool()) action->setEnabled(enabled);
  };
  for (QAction* a : {Action_Play_PlayPause, Action_Play_Replay, Action_Play_SkipBack,
                     Action_Play_SkipNext, Action_Play_FrameBack, Action_Play_FrameNext})
    set(a, opened);
  TrackBar_Seek->setEnabled(opened);
  set(Action_Play_Back, has_items);
  set(Action_Play_Next, has_items);
  const bool zoom = DShow_Player->HasVideo() && !Action_Zoom_FullScreen->isChecked() &&
                    !Action_Zoom_MaxScreen->isChecked();
  for (QAction* a : {Action_Zoom_100, Action_Zoom_50, Action_Zoom_200, Action_Zoom_Fit,
                     Action_Zoom_AspectStandard, Action_Zoom_AspectHiVision,
                     Action_Zoom_AspectEVista, Action_Zoom_AspectAVista,
                     Action_Zoom_AspectWideScope})
    set(a, zoom);
  set(Action_Zoom_Capture, DShow_Player->HasVideo());
  for (QAction* a : {Action_List_Del, Action_File_Property, Action_FileCmd}) set(a, current);
  for (QAction* a : {Action_List_Clear, Action_List_Copy, Action_File_SaveAs, Action_Sort,
                     Action_Sort_FileName, Action_Sort_Path, Action_Sort_Name, Action_Sort_Ext,
                     Action_Sort_Shuffle})
    set(a, has_items);
  const QMimeData* clip = QGuiApplication::clipboard()->mimeData();
  set(Action_List_Paste, clip && clip->hasText());
  if (hooks.send_to_update) hooks.send_to_update();
}

void TApp_Mivaro::UpdateSizeLabel() {
  if (!DShow_Player->HasVideo()) {
    Label_Size->clear();
    return;
  }
  const int w = DShow_Player->width();
  const int h = DShow_Player->height();
  const QString ratio = h > 0 ? QString::number(static_cast<double>(w) / h, 'f', 2) : QStringLiteral("-");
  Label_Size->setText(QStringLiteral("%1x%2 %3fps [%4x%5 %6:1]")
                          .arg(DShow_Player->VideoWidth())
                          .arg(DShow_Player->VideoHeight())
                          .arg(QString::fromStdU16String(DShow_Player->FrameRateText()))
                          .arg(w)
                          .arg(h)
                          .arg(ratio));
}

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

void TApp_Mivaro::UpdateRemoteStatus() {
  if (!mpris_) return;
  const bool opened = DShow_Player->IsOpened();
  mpris_->SetStatus(opened ? DShow_Player->PlayState() : 1,
                    opened ? QString::fromStdU16String(ExtractFileTitle(DShow_Player->FileName()))
                           : QString(),
                    opened ? QString::fromStdU16String(DShow_Player->FileName()) : QString(),
                    playlist_->Count() > 0);
}

// ---- Keys ----------------------------------------------------------------------------------

bool TApp_Mivaro::HandleKeyUp(int key, Qt::KeyboardModifiers modifiers) {
  const Qt::KeyboardModifiers mods = modifiers & (Qt::ShiftModifier | Qt::ControlModifier);
  QAction* action = nullptr;
  void (TApp_Mivaro::*command)(QObject*) = nullptr;
  if (mods == Qt::ControlModifier) {
    switch (key) {
      case Qt::Key_C:
        action = Action_List_Copy, command = &TApp_Mivaro::Action_List_CopyExecute;
        break;
      case Qt::Key_F:
        action = Action_File_OpenFolder, command = &TApp_Mivaro::Action_File_OpenFolderExecute;
        break;
      case Qt::Key_O:
        action = Action_File_OpenFile, command = &TApp_Mivaro::Action_File_OpenFileExecute;
        break;
      case Qt::Key_V:
        action = Action_List_Paste, command = &TApp_Mivaro::Action_List_PasteExecute;
        break;
      default:
        break;
    }
  }
  if (!action) {
    switch (key) {
      case Qt::Key_Backspace:
        action = Action_Play_Replay, command = &TApp_Mivaro::Action_Play_ReplayExecute;
        break;
      case Qt::Key_Space:
        action = Action_Play_PlayPause, command = &TApp_Mivaro::Action_Play_PlayPauseExecute;
        break;
      case Qt::Key_PageUp:
        action = Action_Play_Back, command = &TApp_Mivaro::Action_Play_BackExecute;
        break;
      case Qt::Key_PageDown:
        action = Action_Play_Next, command = &TApp_Mivaro::Action_Play_NextExecute;
        break;
      case Qt::Key_Left:
        action = Action_Play_SkipBack, command = &TApp_Mivaro::Action_Play_SkipBackExecute;
        break;
      case Qt::Key_Right:
        action = Action_Play_SkipNext, command = &TApp_Mivaro::Action_Play_SkipNextExecute;
        break;
      case Qt::Key_Delete:
        action = Action_List_Del, command = &TApp_Mivaro::Action_List_DelExecute;
        break;
      case Qt::Key_Z:
        // Shift+Z, Ctrl+Z, Shift+Ctrl+Z: the fixed zooms, which arrive with video sizing.
        if (mods != Qt::NoModifier) return true;
        break;
      default:
        break;
    }
  }
  if (!action || IsBusy()) return action != nullptr;
  UpdateActionStates();
  if (action->isEnabled()) (this->*command)(action);
  return true;
}

bool TApp_Mivaro::HandleMediaKey(int key) {
  // Previous and next are reported handled; stop, mute and play/pause run here and are
  // still passed on, so that whatever else listens for them (the desktop) sees them too.
  switch (key) {
    case Qt::Key_Back:
    case Qt::Key_MediaPrevious:
      if (Action_Play_Back->isEnabled()) Action_Play_BackExecute(Action_Play_Back);
      return true;
    case Qt::Key_Forward:
    case Qt::Key_MediaNext:
      if (Action_Play_Next->isEnabled()) Action_Play_NextExecute(Action_Play_Next);
      return true;
    case Qt::Key_Stop:
    case Qt::Key_MediaStop:
      StopMedia();
      return false;
    case Qt::Key_VolumeMute:
      Action_Play_Mute->toggle();
      ApplyMuteAndVolume();
      return false;
    case Qt::Key_MediaPlay:
    case Qt::Key_MediaTogglePlayPause:
    case Qt::Key_MediaPause:
      if (Action_Play_PlayPause->isEnabled()) Action_Play_PlayPauseExecute(Action_Play_PlayPause);
      return false;
    default:
      return false;
  }
}

}  // namespace mivaro
