// The main window on the real media engine: generated clips play one after another.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>

#include "core/wstrings.h"
#include "mainwin_test_util.h"
#include "ui/main/track_bar.h"

namespace mivaro::test {
namespace {

// Writes a short tone with gst-launch-1.0 through `encoder` (elements separated by " ! ");
// false when the tool or an element is missing.
bool MakeTone(const QString& path, int buffers, const QString& encoder = QStringLiteral("wavenc")) {
  const QString tool = QStandardPaths::findExecutable(QStringLiteral("gst-launch-1.0"));
  if (tool.isEmpty()) return false;
  QDir().mkpath(QFileInfo(path).absolutePath());
  QStringList args{QStringLiteral("-q"), QStringLiteral("-e"), QStringLiteral("audiotestsrc"),
                   QStringLiteral("num-buffers=%1").arg(buffers), QStringLiteral("!"),
                   QStringLiteral("audioconvert"), QStringLiteral("!")};
  args += encoder.split(QLatin1Char(' '), Qt::SkipEmptyParts);
  args += {QStringLiteral("!"), QStringLiteral("filesink"), QStringLiteral("location=") + path};
  QProcess p;
  p.start(tool, args);
  return p.waitForFinished(20000) && p.exitCode() == 0 && QFile::exists(path);
}

// Runs the event loop until `done` or the time-out; true when done. (The QTRY macros only
// return from the test body on failure, which GoogleTest does not see.)
template <class Pred>
bool WaitFor(Pred done, int timeoutMs) {
  QElapsedTimer t;
  t.start();
  while (!done() && t.elapsed() < timeoutMs) QTest::qWait(20);
  return done();
}

class MainWindowMedia : public ::testing::Test, public TMainWindowFixture {};

// Started with a folder, the window plays its first clip, then the next one by itself,
// and an undecodable file in between is dropped.
TEST_F(MainWindowMedia, FolderPlaysThroughOnTheRealEngine) {
  // 1024 samples per buffer at 44.1 kHz: 65 buffers are about 1.5 s.
  if (!MakeTone(Media(QStringLiteral("clip 1.wav")), 65) ||
      !MakeTone(Media(QStringLiteral("clip 3.wav")), 65))
    GTEST_SKIP() << "gst-launch-1.0 cannot make test media here";
  QFile junk(Media(QStringLiteral("clip 2.wav")));
  ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
  junk.write("this is not a wave file");
  junk.close();

  TApp_MivaroOptions options;
  options.arguments = std::vector<WString>{W(Media(QString()))};
  options.start_sub_player = false;
  options.register_mpris = false;
  options.install_hooks = false;
  window = std::make_unique<TApp_Mivaro>(options);
  window->FinishStartup();
  ASSERT_EQ(window->Playlist().Count(), 3);
  QTRY_COMPARE_WITH_TIMEOUT(window->DShow_Player->PlayState(), 3, 10000);
  EXPECT_EQ(window->DShow_Player->FileName(), W(Media(QStringLiteral("clip 1.wav"))));
  QTRY_COMPARE_WITH_TIMEOUT(window->DShow_Player->FileName(), W(Media(QStringLiteral("clip 3.wav"))), 15000);
  QTRY_COMPARE_WITH_TIMEOUT(window->Playlist().Count(), 2, 5000);
  // The caption follows once the open, completed in the background, has started playing.
  QTRY_COMPARE_WITH_TIMEOUT(window->windowTitle(), QStringLiteral("clip 3.wav"), 5000);
}

// Files whose length is only known once they play (a constant-rate MP3 without a length
// header, raw ADTS AAC) stay in the list, play, and give the seek bar their length.
TEST_F(MainWindowMedia, FilesOfUnknownLengthAtOpenStayAndPlay) {
  // 1024 samples per buffer at 44.1 kHz: 130 buffers are 3.02 s.
  if (!MakeTone(Media(QStringLiteral("1.mp3")), 130,
                QStringLiteral("lamemp3enc target=bitrate cbr=true bitrate=128")) ||
      !MakeTone(Media(QStringLiteral("2.aac")), 130,
                QStringLiteral("avenc_aac ! aacparse ! audio/mpeg,stream-format=adts")))
    GTEST_SKIP() << "gst-launch-1.0 cannot make MP3 or AAC here";

  TApp_MivaroOptions options;
  options.arguments = std::vector<WString>{W(Media(QString()))};
  options.start_sub_player = false;
  options.register_mpris = false;
  options.install_hooks = false;
  window = std::make_unique<TApp_Mivaro>(options);
  window->FinishStartup();
  ASSERT_EQ(window->Playlist().Count(), 2);
  TMyDirectShowPlayer* player = window->DShow_Player;
  ASSERT_TRUE(WaitFor([&] { return player->PlayState() == 3; }, 10000));
  EXPECT_EQ(player->FileName(), W(Media(QStringLiteral("1.mp3"))));
  EXPECT_TRUE(WaitFor([&] { return window->TrackBar_Seek->maximum() == 3; }, 5000));
  ASSERT_TRUE(WaitFor([&] { return player->FileName() == W(Media(QStringLiteral("2.aac"))); }, 10000));
  EXPECT_TRUE(WaitFor([&] { return player->PlayState() == 3 && window->TrackBar_Seek->maximum() == 3; }, 5000));
  EXPECT_EQ(window->Playlist().Count(), 2);
}

}  // namespace
}  // namespace mivaro::test
