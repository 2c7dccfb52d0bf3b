#include "player/playback_controller.h"

#include <algorithm>
#include <random>
#include <string>

#include "core/hooks.h"
#include "core/wstrings.h"
#include "player/media_player.h"

namespace mivaro {

class TMyPlaybackController::StepScope {
 public:
  explicit StepScope(TMyPlaybackHost& host) : host_(host) { host_.BeginStep(); }
  ~StepScope() { host_.EndStep(); }
  StepScope(const StepScope&) = delete;
  StepScope& operator=(const StepScope&) = delete;

 private:
  TMyPlaybackHost& host_;
};

TMyPlaybackController::TMyPlaybackController(TMyMediaPlayer& player, TMyWStrings& playlist,
                                             TMyPlaybackHost& host)
    : player_(player), playlist_(playlist), host_(host) {}

int TMyPlaybackController::RandomBelow(int n) {
  if (random_below_) return random_below_(n);
  static std::mt19937 engine{std::random_device{}()};
  return std::uniform_int_distribution<int>(0, n - 1)(engine);
}

// ---- Options ------------------------------------------------------------------------------

void TMyPlaybackController::SetRate(double rate) {
  rate_ = rate;
  if (player_.IsOpened()) player_.SetRate(rate_);
}

void TMyPlaybackController::SetMuteAndVolume(bool muted, int volume) {
  muted_ = muted;
  volume_ = volume;
  ApplyVolume();
}

void TMyPlaybackController::ApplyVolume() { player_.SetVolume(muted_ ? 0 : volume_); }

void TMyPlaybackController::SetResume(int index, double seconds) {
  resume_index_ = index;
  resume_time_ = seconds;
}

// ---- The current entry --------------------------------------------------------------------

void TMyPlaybackController::SetIndex(int index) {
  index_ = index >= 0 && index < playlist_.Count() ? index : -1;
  host_.ShowIndex(index_);
}

// ---- Choosing and opening -----------------------------------------------------------------

void TMyPlaybackController::PlayIndex(int n) {
  if (n >= 0 && n <= playlist_.Count() - 1) {
    SetIndex(n);
    PlayCurrent();
  } else {
    ShowMessage(u"インデックス指定エラー\r" + U16(std::to_string(n)), MessageKind::Notice);
  }
}

void TMyPlaybackController::PlayCurrent() {
  if (index_ < 0) SetIndex(0);
  OpenAndPlay(playlist_.Get(index_));
}

void TMyPlaybackController::Navigate(bool forward) {
  const int count = playlist_.Count();
  if (count == 0) {
    Clear();
    return;
  }
  const int i = index_;
  int next = 0;
  if (random_) {
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
  SetIndex(next);
  PlayCurrent();
}

void TMyPlaybackController::OpenAndPlay(WStringView path) {
  const WString name(path);  // `path` may live in the playlist or the player
  host_.BeginBusy();
  host_.BeforeOpen();
  Stop();
  const bool opened = player_.Open(name);
  host_.EndBusy();
  if (!opened) DropUnplayable();
}

void TMyPlaybackController::Stop() {
  StepScope step(host_);
  if (player_.IsOpened()) {
    player_.FadeOut();
    player_.Close();
  }
  still_since_.reset();
}

void TMyPlaybackController::DropUnplayable() {
  // Dropped without a question, from the event loop (see OpenAndPlay). The task does
  // nothing when the user moved on meanwhile, and waits while a busy command runs.
  const int index = index_;
  const WString path = playlist_.Get(index);
  host_.EntryUnplayable(path);
  RetryDrop(index, path);
}

void TMyPlaybackController::RetryDrop(int index, const WString& path) {
  host_.Post([this, index, path] {
    if (!host_.Live()) return;
    if (index_ != index || playlist_.Get(index) != path) return;
    if (host_.Busy()) {
      RetryDrop(index, path);
      return;
    }
    RemoveCurrent();
  });
}

// ---- Deleting and clearing ----------------------------------------------------------------

void TMyPlaybackController::Clear() {
  player_.Clear();
  still_since_.reset();
  playlist_.Clear();
  SetIndex(-1);
  host_.ShowCleared();
}

void TMyPlaybackController::DeleteEntry(int index) {
  const bool current = index == index_;
  if (current) Stop();
  if (index >= 0) {
    // An entry before the current one moves the current one up by one.
    const int after = index < index_ ? index_ - 1 : index_;
    playlist_.Delete(index);
    if (!current) index_ = after;
  }
  if (current) {
    SetIndex(index - 1);
    Next();
  }
  host_.StatesChanged();
}

void TMyPlaybackController::RemoveCurrent() {
  host_.BeginBusy();
  deleting_ = true;
  DeleteEntry(index_);
  deleting_ = false;
  host_.EndBusy();
  host_.ListChanged();
}

void TMyPlaybackController::PlayAdded(int old_count, int added) {
  if (added <= 0) return;
  if (resume_index_ >= 0) {
    SetIndex(std::clamp(resume_index_, 0, playlist_.Count() - 1));
    resume_index_ = -1;
    PlayCurrent();
  } else if (random_) {
    SetIndex(old_count + RandomBelow(added));
    PlayCurrent();
  } else {
    SetIndex(old_count - 1);
    Next();
  }
}

// ---- Play, pause, seek --------------------------------------------------------------------

void TMyPlaybackController::PlayPause() {
  if (player_.PlayState() == psRunning) {
    player_.Pause();
  } else {
    player_.Play();
  }
}

void TMyPlaybackController::Replay() {
  if (!player_.IsOpened()) return;
  StepScope step(host_);
  player_.FadeOut();
  player_.Replay();
  if (!muted_) player_.FadeIn(volume_);
}

void TMyPlaybackController::SeekTo(double seconds) {
  if (!player_.IsOpened()) return;
  StepScope step(host_);
  player_.FadeOut();
  player_.SetPosition(seconds);
  if (!muted_) player_.FadeIn(volume_);
}

void TMyPlaybackController::ScrubTo(double seconds) {
  if (player_.IsOpened()) player_.ScrubPosition(seconds);
}

void TMyPlaybackController::FrameStep(int count) {
  if (!player_.IsOpened()) return;
  player_.Pause();
  if (player_.TimePerFrame() != 0) player_.FrameStep(count);
}

int TMyPlaybackController::SkipAmount(double duration, bool shift, bool ctrl) {
  if (shift && ctrl) return static_cast<int>(duration / 10);
  if (ctrl) return 1;
  if (shift) return 90;
  return 30;
}

// ---- Notifications and the clock ----------------------------------------------------------

void TMyPlaybackController::MediaOpened() {
  // A picture of no length is a still image, refused unless still images are allowed.
  // Sound of no length plays: its length is not known yet (a stream without an index or
  // header) and follows as a length-changed event. A file the engine cannot play at all
  // fails the open instead. (The picture test uses the video size: a test that also wanted
  // a length would refuse every still image.)
  if (player_.DurationSeconds() == 0 && player_.HasVideoSize() && !allow_images_) {
    DropUnplayable();
    return;
  }
  host_.ShowOpened();
  if (player_.IsOpened()) player_.SetRate(rate_);
  ApplyVolume();
  if (resume_time_ > 0) {
    if (player_.DurationSeconds() > 0 && resume_time_ >= player_.Duration()) {
      resume_time_ = 0;
      Next();
    } else {
      player_.SetPosition(resume_time_);
      host_.ShowPosition(player_.PositionSeconds());
      resume_time_ = 0;
    }
  } else {
    Replay();
  }
}

bool TMyPlaybackController::TimeTick(std::int64_t now_ms) {
  if (!player_.IsOpened()) return false;
  const double duration = player_.Duration();
  if (duration > 0) return player_.Position() >= duration;
  if (!player_.HasVideoSize()) return false;  // sound: the end comes with the length
  if (!still_since_) {
    still_since_ = now_ms;
    return false;
  }
  return now_ms - *still_since_ > kStillImageMs;
}

void TMyPlaybackController::MediaEnded() {
  // The fades of the next open pump messages: a tick meanwhile must not end again.
  if (ending_ || deleting_) return;
  ending_ = true;
  host_.StopClock();
  if (playlist_.Count() > 0) {
    Next();
  } else {
    Clear();
  }
  ending_ = false;
}

}  // namespace mivaro
