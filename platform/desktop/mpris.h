// The MPRIS D-Bus interface (org.mpris.MediaPlayer2 and its Player interface), so that
// desktop media keys, panels and `playerctl` can drive the player.
//
// The service is registered as org.mpris.MediaPlayer2.mivaro.instance<pid> when a session
// bus exists; otherwise Start() returns false and nothing else happens. Commands arrive on
// the UI thread and go to the callbacks; the owner reports its state with SetStatus().
#pragma once

#include <QObject>
#include <QString>
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

  // Play state 1 (stopped), 2 (paused), 3 (playing), and the current title and file.
  void SetStatus(int playState, const QString& title, const QString& path, bool canGoNext);

  // Read by the adaptors.
  QString Identity() const { return identity_; }
  QString PlaybackStatus() const;
  bool CanGoNext() const { return can_go_next_; }
  QVariantMap Metadata() const;
  const TMyMprisCommands& Commands() const { return commands_; }

 private:
  void EmitChanged(const QVariantMap& changed);

  QString identity_;
  TMyMprisCommands commands_;
  QString service_;
  bool running_ = false;
  int play_state_ = 1;
  QString title_;
  QString path_;
  bool can_go_next_ = false;
};

}  // namespace mivaro
