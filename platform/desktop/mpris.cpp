#include "platform/desktop/mpris.h"

#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QStringList>
#include <QUrl>
#include <utility>

namespace mivaro {
namespace {

const char kObjectPath[] = "/org/mpris/MediaPlayer2";

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
  Q_PROPERTY(QStringList SupportedUriSchemes READ SupportedUriSchemes)
  Q_PROPERTY(QStringList SupportedMimeTypes READ SupportedMimeTypes)

 public:
  TMyMprisRoot(TMyMpris* owner, QObject* object) : QDBusAbstractAdaptor(object), owner_(owner) {}
  bool CanQuit() const { return true; }
  bool CanRaise() const { return true; }
  bool HasTrackList() const { return false; }
  QString Identity() const { return owner_->Identity(); }
  QStringList SupportedUriSchemes() const { return {QStringLiteral("file")}; }
  QStringList SupportedMimeTypes() const { return {}; }

 public slots:
  void Raise() { Run(owner_->Commands().raise); }
  void Quit() { Run(owner_->Commands().quit); }

 private:
  TMyMpris* owner_;
};

// org.mpris.MediaPlayer2.Player: transport commands and the playback status.
class TMyMprisPlayer : public QDBusAbstractAdaptor {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
  Q_PROPERTY(QString PlaybackStatus READ PlaybackStatus)
  Q_PROPERTY(QVariantMap Metadata READ Metadata)
  Q_PROPERTY(bool CanGoNext READ CanGoNext)
  Q_PROPERTY(bool CanGoPrevious READ CanGoNext)
  Q_PROPERTY(bool CanPlay READ CanControl)
  Q_PROPERTY(bool CanPause READ CanControl)
  Q_PROPERTY(bool CanSeek READ CanSeek)
  Q_PROPERTY(bool CanControl READ CanControl)
  Q_PROPERTY(double Rate READ Rate)

 public:
  TMyMprisPlayer(TMyMpris* owner, QObject* object) : QDBusAbstractAdaptor(object), owner_(owner) {}
  QString PlaybackStatus() const { return owner_->PlaybackStatus(); }
  QVariantMap Metadata() const { return owner_->Metadata(); }
  bool CanGoNext() const { return owner_->CanGoNext(); }
  bool CanControl() const { return true; }
  bool CanSeek() const { return false; }
  double Rate() const { return 1.0; }

 public slots:
  void PlayPause() { Run(owner_->Commands().play_pause); }
  void Play() { Run(owner_->Commands().play); }
  void Pause() { Run(owner_->Commands().pause); }
  void Stop() { Run(owner_->Commands().stop); }
  void Next() { Run(owner_->Commands().next); }
  void Previous() { Run(owner_->Commands().previous); }

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
  switch (play_state_) {
    case 3:
      return QStringLiteral("Playing");
    case 2:
      return QStringLiteral("Paused");
    default:
      return QStringLiteral("Stopped");
  }
}

QVariantMap TMyMpris::Metadata() const {
  QVariantMap map;
  map.insert(QStringLiteral("mpris:trackid"),
             QVariant::fromValue(QDBusObjectPath(QStringLiteral("/org/mivaro/track/current"))));
  if (!title_.isEmpty()) map.insert(QStringLiteral("xesam:title"), title_);
  if (!path_.isEmpty()) map.insert(QStringLiteral("xesam:url"), QUrl::fromLocalFile(path_).toString());
  return map;
}

void TMyMpris::SetStatus(int playState, const QString& title, const QString& path,
                         bool canGoNext) {
  QVariantMap changed;
  if (playState != play_state_) {
    play_state_ = playState;
    changed.insert(QStringLiteral("PlaybackStatus"), PlaybackStatus());
  }
  if (title != title_ || path != path_) {
    title_ = title;
    path_ = path;
    changed.insert(QStringLiteral("Metadata"), Metadata());
  }
  if (canGoNext != can_go_next_) {
    can_go_next_ = canGoNext;
    changed.insert(QStringLiteral("CanGoNext"), canGoNext);
    changed.insert(QStringLiteral("CanGoPrevious"), canGoNext);
  }
  if (!changed.isEmpty()) EmitChanged(changed);
}

void TMyMpris::EmitChanged(const QVariantMap& changed) {
  if (!running_) return;
  QDBusMessage signal = QDBusMessage::createSignal(
      QLatin1String(kObjectPath), QStringLiteral("org.freedesktop.DBus.Properties"),
      QStringLiteral("PropertiesChanged"));
  signal << QStringLiteral("org.mpris.MediaPlayer2.Player") << changed << QStringList();
  QDBusConnection::sessionBus().send(signal);
}

}  // namespace mivaro

#include "mpris.moc"
