// The main window's side of the MPRIS service (platform/desktop/mpris.h): the remote
// commands run the window's own commands, and the window's state (the open entry and its
// tags, the play state, volume, random play, rate) is reported to the service whenever it
// may have changed.
#include <QAction>
#include <QSlider>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "core/wstrings.h"
#include "platform/desktop/mpris.h"
#include "player/playback_controller.h"
#include "player/qt/directshow_player.h"
#include "tags/tag.h"
#include "ui/main/app_mivaro.h"
#include "ui/main/busy_guard.h"

namespace mivaro {
namespace {

// The rate a rate action stands for (its caption is the number); 0 when it has none.
double RateOf(const QAction* action) {
  bool ok = false;
  const double rate = action->text().remove(QLatin1Char('&')).toDouble(&ok);
  return ok ? rate : 0.0;
}

constexpr double kMicroseconds = 1e6;

}  // namespace

void TApp_Mivaro::StartRemoteControl() {
  if (!options_.register_mpris) return;
  TMyMprisCommands commands;
  auto run = [this](QAction* action, void (TApp_Mivaro::*command)(QObject*)) {
    return [this, action, command] {
      if (!IsBusy() && action->isEnabled()) (this->*command)(action);
    };
  };
  commands.play_pause = run(Action_Play_PlayPause, &TApp_Mivaro::Action_Play_PlayPauseExecute);
  commands.play = [this] {
    if (IsBusy()) return;
    if (DShow_Player->IsOpened()) {
      if (DShow_Player->PlayState() != psRunning) DShow_Player->Play();
    } else if (playlist_->Count() > 0) {
      PlayCurrent();  // after Stop the entry is closed: Play opens it again
    }
  };
  commands.pause = [this] {
    if (!IsBusy() && DShow_Player->PlayState() == psRunning) DShow_Player->Pause();
  };
  commands.stop = [this] {
    if (!IsBusy()) StopMedia();
  };
  commands.next = run(Action_Play_Next, &TApp_Mivaro::Action_Play_NextExecute);
  commands.previous = run(Action_Play_Back, &TApp_Mivaro::Action_Play_BackExecute);
  commands.raise = [this] {
    showNormal();
    raise();
    activateWindow();
  };
  // Closing ends the service; it runs after the D-Bus reply has gone out.
  commands.quit = [this] { QTimer::singleShot(0, this, &QWidget::close); };
  commands.position = [this] {
    return DShow_Player->IsOpened() ? std::llround(DShow_Player->Position() * kMicroseconds) : 0LL;
  };
  commands.seek_to = [this](qlonglong us) {
    if (!IsBusy() && DShow_Player->IsOpened()) SeekTo(static_cast<double>(us) / kMicroseconds);
  };
  commands.set_volume = [this](double volume) {
    TrackBar_Volume->setValue(static_cast<int>(std::lround(volume * TrackBar_Volume->maximum())));
  };
  commands.set_shuffle = [this](bool on) { Action_Opt_Random->setChecked(on); };
  commands.set_rate = [this](double rate) {
    if (IsBusy() || Action_PlayRates.empty()) return;
    QAction* nearest = *std::min_element(
        Action_PlayRates.begin(), Action_PlayRates.end(), [rate](QAction* a, QAction* b) {
          return std::abs(RateOf(a) - rate) < std::abs(RateOf(b) - rate);
        });
    if (!nearest->isChecked()) Action_PlayRateExecute(nearest);
  };
  mpris_ = new TMyMpris(product_name_, std::move(commands), this);
  if (!mpris_->Start()) return;

  // What the window changes by itself. The rate is read from the controller, which the
  // rate action sets after its check has moved: that update waits for the event loop.
  connect(TrackBar_Volume, &QSlider::valueChanged, this, [this] { UpdateRemoteStatus(); });
  connect(Action_Opt_Random, &QAction::toggled, this, [this] { UpdateRemoteStatus(); });
  for (QAction* rate : Action_PlayRates) {
    connect(rate, &QAction::toggled, this, [this] { UpdateRemoteStatus(); }, Qt::QueuedConnection);
  }
  // The length of sound may arrive after it has started; the time display's tick sees it.
  connect(Timer_Time, &QTimer::timeout, this, [this] { UpdateRemoteStatus(); });
  UpdateRemoteStatus();
}

void TApp_Mivaro::UpdateRemoteStatus() {
  if (!mpris_ || !mpris_->IsRunning()) return;
  TMyMprisState state;
  const bool opened = DShow_Player->IsOpened();
  state.has_track = opened;
  state.has_items = playlist_->Count() > 0;
  state.play_state = opened ? DShow_Player->PlayState() : psStopped;
  if (opened) {
    state.path = QString::fromStdU16String(DShow_Player->FileName());
    state.length_us = std::llround(std::max(0.0, DShow_Player->Duration()) * kMicroseconds);
    const TMyMprisState& old = mpris_->State();
    if (old.has_track && old.path == state.path) {
      state.title = old.title;
      state.artist = old.artist;
      state.album = old.album;
    } else {
      // The tags are read once per file, not on every tick.
      const TMyTag tag(DShow_Player->FileName());
      state.title = QString::fromStdU16String(tag.TitleOrFileTitle());
      state.artist = QString::fromStdU16String(tag.Artist);
      state.album = QString::fromStdU16String(tag.Album);
    }
  }
  state.volume = static_cast<double>(TrackBar_Volume->value()) / TrackBar_Volume->maximum();
  state.shuffle = Action_Opt_Random->isChecked();
  state.rate = controller_->Rate();
  state.minimum_rate = state.maximum_rate = state.rate;
  for (const QAction* action : Action_PlayRates) {
    const double rate = RateOf(action);
    if (rate <= 0) continue;
    state.minimum_rate = std::min(state.minimum_rate, rate);
    state.maximum_rate = std::max(state.maximum_rate, rate);
  }
  mpris_->SetState(state);
}

void TApp_Mivaro::RemoteSeeked() {
  if (mpris_ && DShow_Player->IsOpened())
    mpris_->Seeked(std::llround(DShow_Player->Position() * kMicroseconds));
}

}  // namespace mivaro
