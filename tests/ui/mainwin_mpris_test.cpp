// The window's MPRIS service on a private session bus, driven from another process the way
// desktop media keys and `playerctl` drive it.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QSlider>
#include <QStandardPaths>

#include "mainwin_test_util.h"

namespace mivaro::test {
namespace {

// A session bus of the test program's own, set up before the application first looks for
// one. The application keeps its session connection for the whole run, so the one daemon
// serves every test.
class TPrivateSessionBus {
 public:
  TPrivateSessionBus() {
    static const QString address = StartDaemon();
    address_ = address;
  }
  ~TPrivateSessionBus() {
    monitor_.kill();
    monitor_.waitForFinished(2000);
  }
  bool Ready() const { return !address_.isEmpty(); }

  // Runs dbus-send against the player's service and returns its printed reply. The event
  // loop keeps running meanwhile: the reply comes from this very process.
  QString Send(const QString& method, const QStringList& arguments = {}) {
    QProcess send;
    QStringList args = {QStringLiteral("--session"), QStringLiteral("--print-reply"),
                        QStringLiteral("--dest=org.mpris.MediaPlayer2.mivaro.instance%1")
                            .arg(QCoreApplication::applicationPid()),
                        QStringLiteral("/org/mpris/MediaPlayer2"), method};
    send.start(QStringLiteral("dbus-send"), args + arguments);
    QElapsedTimer timer;
    timer.start();
    while (send.state() != QProcess::NotRunning && timer.elapsed() < 10000) {
      QCoreApplication::processEvents();
      send.waitForFinished(10);
    }
    return QString::fromUtf8(send.readAllStandardOutput() + send.readAllStandardError());
  }
  QString Property(const char* name) {
    return Send(QStringLiteral("org.freedesktop.DBus.Properties.Get"),
                {QStringLiteral("string:org.mpris.MediaPlayer2.Player"),
                 QStringLiteral("string:") + QString::fromLatin1(name)});
  }
  // Sets a Player property; `value` is dbus-send's "type:value".
  QString SetProperty(const char* name, const QString& value) {
    return Send(QStringLiteral("org.freedesktop.DBus.Properties.Set"),
                {QStringLiteral("string:org.mpris.MediaPlayer2.Player"),
                 QStringLiteral("string:") + QString::fromLatin1(name),
                 QStringLiteral("variant:") + value});
  }

  // Watches the player's signals with dbus-monitor (another process, as panels do).
  void Monitor() {
    monitor_.start(QStringLiteral("dbus-monitor"),
                   {QStringLiteral("--session"),
                    QStringLiteral("type='signal',path='/org/mpris/MediaPlayer2'")});
    monitor_.waitForStarted(5000);
    // It prints its own name's signals once it listens.
    monitor_.waitForReadyRead(3000);
    seen_ += QString::fromUtf8(monitor_.readAllStandardOutput());
  }
  // True once the monitor has printed text matching `pattern` (waits up to 5 s).
  bool Saw(const QString& pattern) {
    const QRegularExpression re(pattern);
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 5000) {
      QCoreApplication::processEvents();
      monitor_.waitForReadyRead(20);
      seen_ += QString::fromUtf8(monitor_.readAllStandardOutput());
      if (re.match(seen_).hasMatch()) return true;
    }
    return false;
  }

 private:
  static QString StartDaemon() {
    if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("dbus-send")).isEmpty()) {
      return {};
    }
    // Runs to the end of the program; the static's destructor stops it then.
    static QProcess process;
    QProcess* daemon = &process;
    daemon->start(QStringLiteral("dbus-daemon"),
                  {QStringLiteral("--session"), QStringLiteral("--nofork"),
                   QStringLiteral("--nopidfile"), QStringLiteral("--print-address=1")});
    if (!daemon->waitForStarted(5000)) return {};
    QElapsedTimer timer;
    timer.start();
    while (!daemon->canReadLine() && timer.elapsed() < 5000) daemon->waitForReadyRead(100);
    const QString address = QString::fromUtf8(daemon->readLine()).trimmed();
    if (!address.isEmpty()) setenv("DBUS_SESSION_BUS_ADDRESS", address.toUtf8().constData(), 1);
    return address;
  }

  QProcess monitor_;
  QString seen_;
  QString address_;
};

// The bus comes first so that it exists before the fixture makes the application.
class MainWindowMpris : public ::testing::Test,
                        public TPrivateSessionBus,
                        public TMainWindowFixture {};

// Next and Previous move through the list, the state and the title follow the player,
// and the identity is the product name.
TEST_F(MainWindowMpris, RemoteCommandsDriveThePlaylist) {
  if (!Ready()) GTEST_SKIP() << "dbus-daemon and dbus-send are needed";
  for (const char* name : {"a.mp4", "b.mp4", "c.mp4"}) Touch(Media(QString::fromLatin1(name)));
  register_mpris = true;
  Start({W(Media(QString()))});
  ASSERT_EQ(window->ItemIndex(), 0);

  EXPECT_NE(Property("PlaybackStatus").indexOf(QStringLiteral("\"Playing\"")), -1);
  EXPECT_NE(Property("Metadata").indexOf(QStringLiteral("\"a\"")), -1);

  Send(QStringLiteral("org.mpris.MediaPlayer2.Player.Next"));
  EXPECT_EQ(window->ItemIndex(), 1);
  EXPECT_EQ(Playing(), W(Media(QStringLiteral("b.mp4"))));
  EXPECT_NE(Property("Metadata").indexOf(QStringLiteral("\"b\"")), -1);

  Send(QStringLiteral("org.mpris.MediaPlayer2.Player.Previous"));
  Send(QStringLiteral("org.mpris.MediaPlayer2.Player.Previous"));
  EXPECT_EQ(window->ItemIndex(), 2);  // wraps from the first to the last

  Send(QStringLiteral("org.mpris.MediaPlayer2.Player.Pause"));
  EXPECT_NE(Property("PlaybackStatus").indexOf(QStringLiteral("\"Paused\"")), -1);
  Send(QStringLiteral("org.mpris.MediaPlayer2.Player.PlayPause"));
  EXPECT_NE(Property("PlaybackStatus").indexOf(QStringLiteral("\"Playing\"")), -1);

  const QString identity = Send(QStringLiteral("org.freedesktop.DBus.Properties.Get"),
                                {QStringLiteral("string:org.mpris.MediaPlayer2"),
                                 QStringLiteral("string:Identity")});
  EXPECT_NE(identity.indexOf(QStringLiteral("\"Mivaro\"")), -1) << identity.toStdString();

  window->showMinimized();
  Send(QStringLiteral("org.mpris.MediaPlayer2.Raise"));
  EXPECT_FALSE(window->isMinimized());
  Send(QStringLiteral("org.mpris.MediaPlayer2.Quit"));
  QTRY_VERIFY(!window->isVisible());
}

// The position in microseconds, seeks with their signal, volume, random play, rate and
// loop status, and the tags in the metadata.
TEST_F(MainWindowMpris, PositionVolumeAndOptionsBothWays) {
  if (!Ready() || QStandardPaths::findExecutable(QStringLiteral("dbus-monitor")).isEmpty())
    GTEST_SKIP() << "dbus-daemon, dbus-send and dbus-monitor are needed";
  const QString song = Media(QStringLiteral("song.mp3"));
  Touch(song);
  QFile file(song);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(Id3({{"TIT2", "Song Title"}, {"TPE1", "Singer"}, {"TALB", "Record"}}));
  file.close();
  Touch(Media(QStringLiteral("z.mp4")));
  register_mpris = true;
  Monitor();
  Start({W(song), W(Media(QStringLiteral("z.mp4")))});
  ASSERT_EQ(Playing(), W(song));

  const QString meta = Property("Metadata");
  for (const char* part : {"\"Song Title\"", "\"Singer\"", "\"Record\"", "int64 10000000"})
    EXPECT_NE(meta.indexOf(QLatin1String(part)), -1) << part << "\n" << meta.toStdString();
  const QString track = QRegularExpression(QStringLiteral("mpris:trackid\"\\s+variant\\s+object path \"([^\"]+)\""))
                            .match(meta).captured(1);
  ASSERT_FALSE(track.isEmpty()) << meta.toStdString();

  const QString set_position = QStringLiteral("org.mpris.MediaPlayer2.Player.SetPosition");
  Send(set_position, {QStringLiteral("objpath:") + track, QStringLiteral("int64:4000000")});
  EXPECT_DOUBLE_EQ(window->DShow_Player->Position(), 4.0);
  EXPECT_NE(Property("Position").indexOf(QStringLiteral("int64 4000000")), -1);
  EXPECT_TRUE(Saw(QStringLiteral("member=Seeked\\s+int64 4000000")));
  // Another track's id, or a position past the end, is ignored.
  Send(set_position, {QStringLiteral("objpath:/org/mivaro/Mivaro/Track/999"), QStringLiteral("int64:1000000")});
  Send(set_position, {QStringLiteral("objpath:") + track, QStringLiteral("int64:11000000")});
  EXPECT_DOUBLE_EQ(window->DShow_Player->Position(), 4.0);

  const QString seek = QStringLiteral("org.mpris.MediaPlayer2.Player.Seek");
  Send(seek, {QStringLiteral("int64:-6000000")});  // before the start: the start
  EXPECT_DOUBLE_EQ(window->DShow_Player->Position(), 0.0);
  window->SeekTo(2.5);  // the window's own seeks are announced too
  EXPECT_TRUE(Saw(QStringLiteral("member=Seeked\\s+int64 2500000")));
  Send(seek, {QStringLiteral("int64:20000000")});  // past the end: the next entry
  EXPECT_EQ(window->ItemIndex(), 1);

  SetProperty("Volume", QStringLiteral("double:0.5"));
  EXPECT_EQ(window->TrackBar_Volume->value(), 50);
  SetProperty("Volume", QStringLiteral("double:1.7"));
  EXPECT_EQ(window->TrackBar_Volume->value(), 100);
  window->TrackBar_Volume->setValue(20);
  EXPECT_TRUE(Saw(QStringLiteral("\"Volume\"\\s+variant\\s+double 0.2")));

  SetProperty("Shuffle", QStringLiteral("boolean:true"));
  EXPECT_TRUE(window->Controller().Random());
  SetProperty("Rate", QStringLiteral("double:0.45"));  // the nearest of the rates offered
  QTRY_COMPARE(window->Controller().Rate(), 0.5);
  SetProperty("Rate", QStringLiteral("double:3"));  // above MaximumRate: ignored
  EXPECT_EQ(window->Controller().Rate(), 0.5);
  EXPECT_NE(Property("MaximumRate").indexOf(QStringLiteral("double 2")), -1);

  // The list always wraps: another loop mode is refused and "Playlist" announced again.
  SetProperty("LoopStatus", QStringLiteral("string:None"));
  EXPECT_NE(Property("LoopStatus").indexOf(QStringLiteral("\"Playlist\"")), -1);
  EXPECT_TRUE(Saw(QStringLiteral("\"LoopStatus\"\\s+variant\\s+string \"Playlist\"")));
}

}  // namespace
}  // namespace mivaro::test
