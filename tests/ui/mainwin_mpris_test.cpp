// The window's MPRIS service on a private session bus, driven from another process the way
// desktop media keys and `playerctl` drive it.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>

#include "mainwin_test_util.h"

namespace mivaro::test {
namespace {

// A session bus of the test's own, set up before the application first looks for one.
class TPrivateSessionBus {
 public:
  TPrivateSessionBus() {
    if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("dbus-send")).isEmpty()) {
      return;
    }
    daemon_.start(QStringLiteral("dbus-daemon"),
                  {QStringLiteral("--session"), QStringLiteral("--nofork"),
                   QStringLiteral("--nopidfile"), QStringLiteral("--print-address=1")});
    if (!daemon_.waitForStarted(5000)) return;
    QElapsedTimer timer;
    timer.start();
    while (!daemon_.canReadLine() && timer.elapsed() < 5000) daemon_.waitForReadyRead(100);
    address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
    if (!address_.isEmpty()) setenv("DBUS_SESSION_BUS_ADDRESS", address_.toUtf8().constData(), 1);
  }
  ~TPrivateSessionBus() {
    daemon_.kill();
    daemon_.waitForFinished(2000);
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

 private:
  QProcess daemon_;
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
}

}  // namespace
}  // namespace mivaro::test
