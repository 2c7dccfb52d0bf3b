// TMyPlaybackController: the playback rules of the player, without a GUI toolkit.
//
// The controller decides which playlist entry plays and what happens around it: the current
// index, in-order and random navigation with wrap-around, opening an entry and dropping it
// when it cannot be played, the end of an entry (its length reached, or a still image shown
// for its time), resume play (index and time), the play rate, mute and volume, and the skip
// amounts. It drives a TMyMediaPlayer and edits a playlist, both owned by its host; it owns
// no widgets and reads none. The host (the main window) forwards the user's commands and the
// player's notifications to it and shows what it reports through TMyPlaybackHost.
//
// Threads: every function runs on the user-interface thread, and every host call comes from
// inside a controller function or from a task the host ran for Post(). Re-entry: the
// player's fades (FadeOut/FadeIn) pump the message loop for about a second each, so Stop(),
// OpenAndPlay(), Replay() and SeekTo() may see timer ticks and user commands arrive before
// they return; the end-of-media step and deleting are guarded against running inside
// themselves.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "core/ustring.h"

namespace mivaro {

class TMyMediaPlayer;
class TMyWStrings;

// What the controller asks of its host and reports to it. All calls on the UI thread.
class TMyPlaybackHost {
 public:
  virtual ~TMyPlaybackHost() = default;
  // Runs `task` later from the event loop, never inside the current call; a task still
  // queued when the host goes away must not run.
  virtual void Post(std::function<void()> task) = 0;
  // False once the host is shutting down: posted work then does nothing.
  virtual bool Live() const { return true; }
  // The busy guard (long commands block the user's input while they run).
  virtual bool Busy() const { return false; }
  virtual void BeginBusy() {}
  virtual void EndBusy() {}
  // `index` is the current entry now (-1: none); the host shows it.
  virtual void ShowIndex(int index) { (void)index; }
  // Before each open (the window chooses its video renderer once, here).
  virtual void BeforeOpen() {}
  // An opened entry was accepted as playable; rate, volume and the start position follow.
  virtual void ShowOpened() {}
  // The start position was restored from the resume point.
  virtual void ShowPosition(int seconds) { (void)seconds; }
  // The playlist was emptied and the media cleared.
  virtual void ShowCleared() {}
  // Entries were removed from the playlist.
  virtual void ListChanged() {}
  // The current entry or the playlist changed: the command states may have changed.
  virtual void StatesChanged() {}
  // The current entry is over; the time display stops until the next one starts.
  virtual void StopClock() {}
  // `path` failed to open or cannot be shown; it is dropped from the list from the event
  // loop (the host logs why; the player still holds the failure).
  virtual void EntryUnplayable(WStringView path) { (void)path; }
  // Around a step that pumps messages without blocking input (a fade, a seek with its
  // fades): the host defers a close asked for meanwhile until the step has ended.
  virtual void BeginStep() {}
  virtual void EndStep() {}
};

class TMyPlaybackController {
 public:
  // Milliseconds a still image is shown before the next entry plays.
  static constexpr std::int64_t kStillImageMs = 10000;

  // `player`, `playlist` and `host` must outlive the controller.
  TMyPlaybackController(TMyMediaPlayer& player, TMyWStrings& playlist, TMyPlaybackHost& host);
  TMyPlaybackController(const TMyPlaybackController&) = delete;
  TMyPlaybackController& operator=(const TMyPlaybackController&) = delete;

  // ---- Options (the host forwards them as the user changes them) -------------------------
  void SetRandom(bool on) { random_ = on; }
  bool Random() const { return random_; }
  // Zero-length media with a picture plays as a still image instead of being dropped.
  void SetAllowImages(bool on) { allow_images_ = on; }
  bool AllowImages() const { return allow_images_; }
  // The play rate for this and every later entry.
  void SetRate(double rate);
  double Rate() const { return rate_; }
  // The volume (0..100) and mute, applied to the player at once.
  void SetMuteAndVolume(bool muted, int volume);
  bool Muted() const { return muted_; }
  int Volume() const { return volume_; }
  // Random numbers 0..n-1 for random play; tests give fixed sequences.
  void SetRandomSource(std::function<int(int n)> below) { random_below_ = std::move(below); }

  // ---- Resume point: the entry and second that the next filled playlist starts at --------
  void SetResume(int index, double seconds);
  int ResumeIndex() const { return resume_index_; }
  double ResumeTime() const { return resume_time_; }

  // ---- The current entry --------------------------------------------------------------------
  int Index() const { return index_; }
  // Makes `index` current (out of range: -1) and shows it; plays nothing.
  void SetIndex(int index);
  // The host's view moved the current entry by itself (rows removed or moved before it).
  void FollowIndex(int index) { index_ = index; }

  // ---- Commands -----------------------------------------------------------------------------
  // Plays entry n; out of range shows "インデックス指定エラー\r<n>" and changes nothing.
  void PlayIndex(int n);
  // Plays the current entry (the first when there is none).
  void PlayCurrent();
  // Opens `path` (closing what plays). An entry that cannot be opened is dropped from the
  // list later, from the event loop, and the next one plays: a list whose entries all fail
  // is worked off one entry per turn instead of one nested call per entry.
  void OpenAndPlay(WStringView path);
  // The next or previous entry with wrap-around, or a random other entry; an empty list is
  // cleared.
  void Next() { Navigate(true); }
  void Back() { Navigate(false); }
  // Closes the media (fading out first).
  void Stop();
  // Empties the playlist and clears the media.
  void Clear();
  // Deletes entry `index`; when it is the current one, the entry after it plays.
  void DeleteEntry(int index);
  // Deletes the current entry without a question (busy while it runs).
  void RemoveCurrent();
  // After `added` entries were appended to a list of `old_count`: plays the resume entry,
  // a random new entry, or the first new entry.
  void PlayAdded(int old_count, int added);
  void PlayPause();
  // From the start, with a fade.
  void Replay();
  // To `seconds`, with a fade (the target goes to the player as it is, below 0 included).
  void SeekTo(double seconds);
  // A quick seek to the key frame near `seconds` while the seek bar's thumb is dragged: no
  // fade, and the engine keeps one seek in flight (the newest target wins). The accurate
  // seek follows with SeekTo when the thumb is let go.
  void ScrubTo(double seconds);
  // One frame step; pauses first.
  void FrameStep(int count);

  // The skip amount in seconds: 30, 90 with Shift, 1 with Ctrl, a tenth of the length with
  // both.
  static int SkipAmount(double duration, bool shift, bool ctrl);

  // ---- Player notifications and the clock -------------------------------------------------------
  // The player opened an entry: a picture of no length is a still image, dropped unless
  // still images are allowed; sound of no length plays (its length follows later). Then rate and volume are applied and the entry starts at the resume point (or goes
  // on to the next one when the point lies past its end) or from the start.
  void MediaOpened();
  // An open that went on in the background failed: the entry is dropped as one whose
  // open failed at once.
  void OpenFailed() { DropUnplayable(); }
  // The time display's tick: true when the current entry is over (its length reached, or a
  // still image shown for kStillImageMs). Sound whose length is not known yet never ends
  // here: its end comes once the length has arrived.
  bool TimeTick(std::int64_t now_ms);
  // The end of an entry: the next one plays (the list repeats); an empty list is cleared.
  void MediaEnded();
  // The player started an entry: its end may be taken again.
  void MediaStarted() { ending_ = false; }

 private:
  void Navigate(bool forward);
  void DropUnplayable();
  void RetryDrop(int index, const WString& path);
  int RandomBelow(int n);
  void ApplyVolume();
  // BeginStep/EndStep of the host around a pumping step.
  class StepScope;

  TMyMediaPlayer& player_;
  TMyWStrings& playlist_;
  TMyPlaybackHost& host_;
  std::function<int(int)> random_below_;
  int index_ = -1;
  bool random_ = false;
  bool allow_images_ = false;
  double rate_ = 1.0;
  bool muted_ = false;
  int volume_ = 100;
  int resume_index_ = -1;
  double resume_time_ = 0;
  // When the still image on show was first seen by the clock; empty for other media.
  std::optional<std::int64_t> still_since_;
  bool deleting_ = false;
  bool ending_ = false;
};

}  // namespace mivaro
