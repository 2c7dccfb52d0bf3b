// The main window on the real media engine: generated clips play one after another.
#include <gtest/gtest.h>

#include <QProcess>
#include <QStandardPaths>

#include "core/wstrings.h"
#include "mainwin_test_util.h"

namespace mivaro::test {
namespace {

// Writes a short tone as WAV with gst-launch-1.0; false when the tool is missing.
bool MakeTone(const QString& path, int buffers) {
  const QString tool = QStandardPaths::findExecutable(QStringLiteral("gst-launch-1.0"));
  if (tool.isEmpty()) return false;
  QDir().mkpath(QFileInfo(path).absolutePath());
  QProcess p;
  p.start(tool, {QStringLiteral("-q"), QStringLiteral("audiotestsrc"),
                 QStringLiteral("num-buffers=%1").arg(buffers), QStringLiteral("!"),
                 QStringLiteral("wavenc"), QStringLiteral("!"), QStringLiteral("filesink"),
                 QStringLiteral("location=") + path});
  return p.waitForFinished(20000) && p.exitCode() == 0 && QFile::exists(path);
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
  EXPECT_EQ(window->windowTitle(), QStringLiteral("clip 3.wav"));
}

}  // namespace
}  // namespace mivaro::test
