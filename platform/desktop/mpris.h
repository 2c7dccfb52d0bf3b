// The MPRIS D-Bus interface (org.mpris.MediaPlayer2 and its Player interface), so that
// desktop media keys, panels and `playerctl` can drive the player.
//
// The service is registered as org.mpris.MediaPlayer2.mivaro.instance<pid> when a session
// bus exists; otherwise Start() returns false and nothing else happens. Commands arrive on
// the UI thread and go to the callbacks; the owner reports its state with SetState(), which
// sends PropertiesChanged for what changed, and reports seeks with Seeked().
//
// The rules of the interface live here, not in the owner: a relative Seek before the start
// goes to the start and past the end acts as Next; SetPosition is ignored for another
// track's id or a position outside the track; Volume is clamped to 0..1; a Rate of 0 acts
// as Pause and one outside MinimumRate..MaximumRate is ignored. The playlist always wraps,
// so LoopStatus is "Playlist"; setting another value changes nothing and "Playlist" is
// announced again. OpenUri answers NotSupported.
#pragma once

#include <QDBusObjectPath>
#include <QObject>
#include <QString>
#include <QVariantMap>
#include <functional>

namespace mivaro {

struct TMyMprisCommands {
  std::function<void()> play_pause;
  std::function<void()> play;
  std::function<void()> pause;
  std::function<void()> stop;
  std::function<void()> next;
  std::function<void()> previous;
  std::function<void()> raise;
  std::function<void()> quit;
  // The position of the open track in microseconds.
  std::function<qlonglong()> position;
  // Seeks the open track to `microseconds` (0..length, checked before the call).
  std::function<void(qlonglong microseconds)> seek_to;
  // 0..1, checked before the call.
  std::function<void(double volume)> set_volume;
  std::function<void(bool on)> set_shuffle;
  // Within minimum_rate..maximum_rate, checked before the call; the owner picks the
  // nearest rate it has.
  std::function<void(double rate)> set_rate;
};

// What the player shows now.
struct TMyMprisState {
  int play_state = 1;     // 1 stopped, 2 paused, 3 playing
  bool has_track = false; // an entry is open
  bool has_items = false; // the playlist has entries (next and previous work)
  QString path;           // the open file
  QString title;
  QString artist;
  QString album;
  qlonglong length_us = 0;  // 0: not known
  double volume = 1.0;      // 0..1
  bool shuffle = false;
  double rate = 1.0;
  double minimum_rate = 1.0;
  double maximum_rate = 1.0;

  bool operator==(const TMyMprisState&) const = default;
};

class TMyMpris : public QObject {
  Q_OBJECT

 public:
  TMyMpris(QString identity, TMyMprisCommands commands, QObject* parent = nullptr);
  ~TMyMpris() override;

  // Registers the service and the object; false without a session bus.
  bool Start();
  bool IsRunning() const { return running_; }
  QString ServiceName() const { return service_; }

  // The player's state; the properties that changed are announced.
  void SetState(const TMyMprisState& state);
  const TMyMprisState& State() const { return state_; }
  // The position jumped (a seek, a replay, a frame step) to `microseconds`.
  void Seeked(qlonglong microseconds);

  // Read by the adaptors.
  QString Identity() const { return identity_; }
  QString PlaybackStatus() const;
  QVariantMap Metadata() const;
  // The open track's id (it changes with each file opened), or MPRIS's NoTrack.
  QDBusObjectPath TrackId() const;
  bool CanSeek() const { return state_.has_track && state_.length_us > 0; }
  bool CanPlay() const { return state_.has_track || state_.has_items; }
  qlonglong Position() const;
  const TMyMprisCommands& Commands() const { return commands_; }

  // The interface's rules before the commands run.
  void Seek(qlonglong offset_us);
  void SetPosition(const QDBusObjectPath& track, qlonglong position_us);
  void SetVolume(double volume);
  void SetRate(double rate);

 private:
  friend class TMyMprisPlayer;
  void EmitChanged(const QVariantMap& changed);

  QString identity_;
  TMyMprisCommands commands_;
  QString service_;
  bool running_ = false;
  TMyMprisState state_;
  // Counts the files opened; the track id is made from it.
  qulonglong track_serial_ = 0;
};

}  // namespace mivaro
