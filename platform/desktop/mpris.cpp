#include "platform/desktop/mpris.h"

#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QStringList>
#include <QUrl>
#include <cmath>
#include <utility>

namespace mivaro {
namespace {

const char kObjectPath[] = "/org/mpris/MediaPlayer2";
const char kPlayerInterface[] = "org.mpris.MediaPlayer2.Player";
// The list always starts over after its last entry.
const char kLoopStatus[] = "Playlist";

void Run(const std::function<void()>& f) {
  if (f) f();
}

}  // namespace

// org.mpris.MediaPlayer2: identity and the window-level commands.
class TMyMprisRoot : public QDBusAbstractAdaptor {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
  Q_PROPERTY(bool CanQuit READ CanQuit)
  Q_PROPERTY(bool CanRaise READ CanRaise)
  Q_PROPERTY(bool HasTrackList READ HasTrackList)
  Q_PROPERTY(QString Identity READ Identity)
  Q_PROPERTY(QString DesktopEntry READ DesktopEntry)
  Q_PROPERTY(QStringList SupportedUriSchemes READ SupportedUriSchemes)
  Q_PROPERTY(QStringList SupportedMimeTypes READ SupportedMimeTypes)

 public:
  TMyMprisRoot(TMyMpris* owner, QObject* object) : QDBusAbstractAdaptor(object), owner_(owner) {}
  bool CanQuit() const { return true; }
  bool CanRaise() const { return true; }
  bool HasTrackList() const { return false; }
  QString Identity() const { return owner_->Identity(); }
  // The installed launcher (share/applications/mivaro.desktop), for the panel's icon.
  QString DesktopEntry() const { return QStringLiteral("mivaro"); }
  QStringList SupportedUriSchemes() const { return {QStringLiteral("file")}; }
  QStringList SupportedMimeTypes() const { return {}; }

 public slots:
  void Raise() { Run(owner_->Commands().raise); }
  void Quit() { Run(owner_->Commands().quit); }

 private:
  TMyMpris* owner_;
};

// org.mpris.MediaPlayer2.Player: transport, position, volume, rate and the options.
class TMyMprisPlayer : public QDBusAbstractAdaptor, protected QDBusContext {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
  Q_PROPERTY(QString PlaybackStatus READ PlaybackStatus)
  Q_PROPERTY(QString LoopStatus READ LoopStatus WRITE SetLoopStatus)
  Q_PROPERTY(double Rate READ Rate WRITE SetRate)
  Q_PROPERTY(double MinimumRate READ MinimumRate)
  Q_PROPERTY(double MaximumRate READ MaximumRate)
  Q_PROPERTY(bool Shuffle READ Shuffle WRITE SetShuffle)
  Q_PROPERTY(QVariantMap Metadata READ Metadata)
  Q_PROPERTY(double Volume READ Volume WRITE SetVolume)
  Q_PROPERTY(qlonglong Position READ Position)
  Q_PROPERTY(bool CanGoNext READ CanGoNext)
  Q_PROPERTY(bool CanGoPrevious READ CanGoNext)
  Q_PROPERTY(bool CanPlay READ CanPlay)
  Q_PROPERTY(bool CanPause READ CanPause)
  Q_PROPERTY(bool CanSeek READ CanSeek)
  Q_PROPERTY(bool CanControl READ CanControl)

 public:
  TMyMprisPlayer(TMyMpris* owner, QObject* object) : QDBusAbstractAdaptor(object), owner_(owner) {}
  QString PlaybackStatus() const { return owner_->PlaybackStatus(); }
  QString LoopStatus() const { return QLatin1String(kLoopStatus); }
  // Playing one entry over and over, or stopping after the last one, is not something this
  // player does. Qt sends no error from a property's setter, so the refusal is the value
  // announced again: clients that showed the new mode show "Playlist" once more.
  void SetLoopStatus(const QString& status) {
    if (status != QLatin1String(kLoopStatus))
      owner_->EmitChanged({{QStringLiteral("LoopStatus"), QLatin1String(kLoopStatus)}});
  }
  double Rate() const { return owner_->State().rate; }
  void SetRate(double rate) { owner_->SetRate(rate); }
  double MinimumRate() const { return owner_->State().minimum_rate; }
  double MaximumRate() const { return owner_->State().maximum_rate; }
  bool Shuffle() const { return owner_->State().shuffle; }
  void SetShuffle(bool on) {
    if (owner_->Commands().set_shuffle) owner_->Commands().set_shuffle(on);
  }
  QVariantMap Metadata() const { return owner_->Metadata(); }
  double Volume() const { return owner_->State().volume; }
  void SetVolume(double volume) { owner_->SetVolume(volume); }
  qlonglong Position() const { return owner_->Position(); }
  bool CanGoNext() const { return owner_->State().has_items; }
  bool CanPlay() const { return owner_->CanPlay(); }
  bool CanPause() const { return owner_->State().has_track; }
  bool CanSeek() const { return owner_->CanSeek(); }
  bool CanControl() const { return true; }

 public slots:
  void PlayPause() { Run(owner_->Commands().play_pause); }
  void Play() { Run(owner_->Commands().play); }
  void Pause() { Run(owner_->Commands().pause); }
  void Stop() { Run(owner_->Commands().stop); }
  void Next() { Run(owner_->Commands().next); }
  void Previous() { Run(owner_->Commands().previous); }
  void Seek(qlonglong Offset) { owner_->Seek(Offset); }
  void SetPosition(const QDBusObjectPath& TrackId, qlonglong Position) {
    owner_->SetPosition(TrackId, Position);
  }
  void OpenUri(const QString&) {
    if (calledFromDBus()) sendErrorReply(QDBusError::NotSupported, QStringLiteral("Opening a URI is not supported"));
  }

 signals:
  void Seeked(qlonglong Position);

 private:
  TMyMpris* owner_;
};

TMyMpris::TMyMpris(QString identity, TMyMprisCommands commands, QObject* parent)
    : QObject(parent), identity_(std::move(identity)), commands_(std::move(commands)) {}

TMyMpris::~TMyMpris() {
  if (!running_) return;
  QDBusConnection bus = QDBusConnection::sessionBus();
  bus.unregisterObject(QLatin1String(kObjectPath));
  bus.unregisterService(service_);
}

bool TMyMpris::Start() {
  if (running_) return true;
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return false;
  new TMyMprisRoot(this, this);
  new TMyMprisPlayer(this, this);
  service_ = QStringLiteral("org.mpris.MediaPlayer2.mivaro.instance%1")
                 .arg(QCoreApplication::applicationPid());
  if (!bus.registerObject(QLatin1String(kObjectPath), this)) return false;
  if (!bus.registerService(service_)) {
    bus.unregisterObject(QLatin1String(kObjectPath));
    return false;
  }
  running_ = true;
  return true;
}

QString TMyMpris::PlaybackStatus() const {
  switch (state_.play_state) {
    case 3:
      return QStringLiteral("Playing");
    case 2:
      return QStringLiteral("Paused");
    default:
      return QStringLiteral("Stopped");
  }
}

QDBusObjectPath TMyMpris::TrackId() const {
  if (!state_.has_track) return QDBusObjectPath(QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack"));
  return QDBusObjectPath(QStringLiteral("/org/mivaro/Mivaro/Track/%1").arg(track_serial_));
}

QVariantMap TMyMpris::Metadata() const {
  QVariantMap map;
  map.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(TrackId()));
  if (!state_.has_track) return map;
  if (state_.length_us > 0) map.insert(QStringLiteral("mpris:length"), state_.length_us);
  if (!state_.title.isEmpty()) map.insert(QStringLiteral("xesam:title"), state_.title);
  if (!state_.artist.isEmpty()) map.insert(QStringLiteral("xesam:artist"), QStringList{state_.artist});
  if (!state_.album.isEmpty()) map.insert(QStringLiteral("xesam:album"), state_.album);
  if (!state_.path.isEmpty())
    map.insert(QStringLiteral("xesam:url"), QUrl::fromLocalFile(state_.path).toString(QUrl::FullyEncoded));
  return map;
}

qlonglong TMyMpris::Position() const {
  if (!state_.has_track || !commands_.position) return 0;
  return commands_.position();
}

void TMyMpris::SetState(const TMyMprisState& state) {
  if (state == state_) return;
  const TMyMprisState old = std::exchange(state_, state);
  if (state.has_track && (!old.has_track || state.path != old.path)) ++track_serial_;
  const bool could_seek = old.has_track && old.length_us > 0;
  const bool could_play = old.has_track || old.has_items;
  QVariantMap changed;
  if (state.play_state != old.play_state) changed.insert(QStringLiteral("PlaybackStatus"), PlaybackStatus());
  if (state.has_track != old.has_track || state.path != old.path || state.title != old.title ||
      state.artist != old.artist || state.album != old.album || state.length_us != old.length_us)
    changed.insert(QStringLiteral("Metadata"), Metadata());
  if (state.has_items != old.has_items) {
    changed.insert(QStringLiteral("CanGoNext"), state.has_items);
    changed.insert(QStringLiteral("CanGoPrevious"), state.has_items);
  }
  if (CanPlay() != could_play) changed.insert(QStringLiteral("CanPlay"), CanPlay());
  if (state.has_track != old.has_track) changed.insert(QStringLiteral("CanPause"), state.has_track);
  if (CanSeek() != could_seek) changed.insert(QStringLiteral("CanSeek"), CanSeek());
  if (state.volume != old.volume) changed.insert(QStringLiteral("Volume"), state.volume);
  if (state.shuffle != old.shuffle) changed.insert(QStringLiteral("Shuffle"), state.shuffle);
  if (state.rate != old.rate) changed.insert(QStringLiteral("Rate"), state.rate);
  if (state.minimum_rate != old.minimum_rate) changed.insert(QStringLiteral("MinimumRate"), state.minimum_rate);
  if (state.maximum_rate != old.maximum_rate) changed.insert(QStringLiteral("MaximumRate"), state.maximum_rate);
  if (!changed.isEmpty()) EmitChanged(changed);
}

void TMyMpris::Seeked(qlonglong microseconds) {
  if (!running_) return;
  if (auto* player = findChild<TMyMprisPlayer*>()) emit player->Seeked(microseconds);
}

void TMyMpris::Seek(qlonglong offset_us) {
  if (!CanSeek() || !commands_.seek_to) return;
  const qlonglong target = Position() + offset_us;
  if (target > state_.length_us) {
    Run(commands_.next);
    return;
  }
  commands_.seek_to(target < 0 ? 0 : target);
}

void TMyMpris::SetPosition(const QDBusObjectPath& track, qlonglong position_us) {
  if (!CanSeek() || !commands_.seek_to) return;
  if (track != TrackId()) return;  // a request meant for a track that is no longer open
  if (position_us < 0 || position_us > state_.length_us) return;
  commands_.seek_to(position_us);
}

void TMyMpris::SetVolume(double volume) {
  if (!commands_.set_volume || std::isnan(volume)) return;
  commands_.set_volume(volume < 0 ? 0.0 : volume > 1 ? 1.0 : volume);
}

void TMyMpris::SetRate(double rate) {
  if (rate == 0) {
    Run(commands_.pause);
    return;
  }
  if (!commands_.set_rate || !(rate >= state_.minimum_rate && rate <= state_.maximum_rate)) return;
  commands_.set_rate(rate);
}

void TMyMpris::EmitChanged(const QVariantMap& changed) {
  if (!running_) return;
  QDBusMessage signal = QDBusMessage::createSignal(
      QLatin1String(kObjectPath), QStringLiteral("org.freedesktop.DBus.Properties"),
      QStringLiteral("PropertiesChanged"));
  signal << QLatin1String(kPlayerInterface) << changed << QStringList();
  QDBusConnection::sessionBus().send(signal);
}

}  // namespace mivaro

#include "mpris.moc"
