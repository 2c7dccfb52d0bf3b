#include "ui/main/remote_control.h"

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

TMyRemoteControl::TMyRemoteControl(TApp_Mivaro& form, QTimer* time_tick)
    : QObject(&form), form_(form), time_tick_(time_tick) {}

bool TMyRemoteControl::Start() {
  TApp_Mivaro& f = form_;
  TMyMprisCommands commands;
  auto run = [&f](QAction* action, void (TApp_Mivaro::*command)(QObject*)) {
    return [&f, action, command] {
      if (!IsBusy() && action->isEnabled()) (f.*command)(action);
    };
  };
  commands.play_pause = run(f.Action_Play_PlayPause, &TApp_Mivaro::Action_Play_PlayPauseExecute);
  commands.play = [&f] {
    if (IsBusy()) return;
    if (f.DShow_Player->IsOpened()) {
      if (f.DShow_Player->PlayState() != psRunning) f.DShow_Player->Play();
    } else if (f.Playlist().Count() > 0) {
      f.PlayCurrent();  // after Stop the entry is closed: Play opens it again
    }
  };
  commands.pause = [&f] {
    if (!IsBusy() && f.DShow_Player->PlayState() == psRunning) f.DShow_Player->Pause();
  };
  commands.stop = [&f] {
    if (!IsBusy()) f.StopMedia();
  };
  commands.next = run(f.Action_Play_Next, &TApp_Mivaro::Action_Play_NextExecute);
  commands.previous = run(f.Action_Play_Back, &TApp_Mivaro::Action_Play_BackExecute);
  commands.raise = [&f] {
    f.showNormal();
    f.raise();
    f.activateWindow();
  };
  // Closing ends the service; it runs after the D-Bus reply has gone out.
  commands.quit = [&f] { QTimer::singleShot(0, &f, &QWidget::close); };
  commands.position = [&f] {
    return f.DShow_Player->IsOpened() ? std::llround(f.DShow_Player->Position() * kMicroseconds) : 0LL;
  };
  commands.seek_to = [&f](qlonglong us) {
    if (!IsBusy() && f.DShow_Player->IsOpened()) f.SeekTo(static_cast<double>(us) / kMicroseconds);
  };
  commands.set_volume = [&f](double volume) {
    f.TrackBar_Volume->setValue(static_cast<int>(std::lround(volume * f.TrackBar_Volume->maximum())));
  };
  commands.set_shuffle = [&f](bool on) { f.Action_Opt_Random->setChecked(on); };
  commands.set_rate = [&f](double rate) {
    if (IsBusy() || f.Action_PlayRates.empty()) return;
    QAction* nearest = *std::min_element(
        f.Action_PlayRates.begin(), f.Action_PlayRates.end(), [rate](QAction* a, QAction* b) {
          return std::abs(RateOf(a) - rate) < std::abs(RateOf(b) - rate);
        });
    if (!nearest->isChecked()) f.Action_PlayRateExecute(nearest);
  };
  mpris_ = new TMyMpris(f.ProductName(), std::move(commands), this);
  if (!mpris_->Start()) return false;

  // What the window changes by itself. The rate is read from the controller, which the
  // rate action sets after its check has moved: that update waits for the event loop.
  connect(f.TrackBar_Volume, &QSlider::valueChanged, this, [this] { UpdateStatus(); });
  connect(f.Action_Opt_Random, &QAction::toggled, this, [this] { UpdateStatus(); });
  for (QAction* rate : f.Action_PlayRates) {
    connect(rate, &QAction::toggled, this, [this] { UpdateStatus(); }, Qt::QueuedConnection);
  }
  connect(time_tick_, &QTimer::timeout, this, [this] { UpdateStatus(); });
  UpdateStatus();
  return true;
}

void TMyRemoteControl::UpdateStatus() {
  if (!mpris_ || !mpris_->IsRunning()) return;
  const TApp_Mivaro& f = form_;
  TMyDirectShowPlayer* player = f.DShow_Player;
  TMyMprisState state;
  const bool opened = player->IsOpened();
  state.has_track = opened;
  state.has_items = f.Playlist().Count() > 0;
  state.play_state = opened ? player->PlayState() : psStopped;
  if (opened) {
    state.path = QString::fromStdU16String(player->FileName());
    state.length_us = std::llround(std::max(0.0, player->Duration()) * kMicroseconds);
    const TMyMprisState& old = mpris_->State();
    if (old.has_track && old.path == state.path) {
      state.title = old.title;
      state.artist = old.artist;
      state.album = old.album;
    } else {
      // The tags are read once per file, not on every tick.
      const TMyTag tag(player->FileName());
      state.title = QString::fromStdU16String(tag.TitleOrFileTitle());
      state.artist = QString::fromStdU16String(tag.Artist);
      state.album = QString::fromStdU16String(tag.Album);
    }
  }
  state.volume = static_cast<double>(f.TrackBar_Volume->value()) / f.TrackBar_Volume->maximum();
  state.shuffle = f.Action_Opt_Random->isChecked();
  state.rate = f.Controller().Rate();
  state.minimum_rate = state.maximum_rate = state.rate;
  for (const QAction* action : f.Action_PlayRates) {
    const double rate = RateOf(action);
    if (rate <= 0) continue;
    state.minimum_rate = std::min(state.minimum_rate, rate);
    state.maximum_rate = std::max(state.maximum_rate, rate);
  }
  mpris_->SetState(state);
}

void TMyRemoteControl::Seeked() {
  if (mpris_ && form_.DShow_Player->IsOpened())
    mpris_->Seeked(std::llround(form_.DShow_Player->Position() * kMicroseconds));
}

}  // namespace mivaro
