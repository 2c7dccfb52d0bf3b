// Closing the main window while a step that pumps messages runs (a volume fade, opening an
// entry): the close waits for the step to end and is then carried out, never lost.
#include <gtest/gtest.h>

#include <QAction>
#include <QElapsedTimer>
#include <QTimer>

#include "mainwin_test_util.h"

namespace mivaro::test {
namespace {

class MainWindowClose : public ::testing::Test, public TMainWindowFixture {
 protected:
  ~MainWindowClose() override { SetProcessMessagesHook(nullptr); }

  // One entry, played with sound, so that every open, seek and replay fades.
  void StartAudible() {
    QFile ini(home.path() + QStringLiteral("/home/mivaro.ini"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[Play]\r\nMute=0\r\nVolume=100\r\n");
    ini.close();
    // The steps pump messages the way the program does.
    SetProcessMessagesHook([] { QCoreApplication::processEvents(QEventLoop::AllEvents); });
    Touch(Media(QStringLiteral("a.mp4")));
    Start({W(Media(QStringLiteral("a.mp4")))});
    ASSERT_FALSE(Playing().empty());
  }

  // Runs `step` and asks for the close as a terminate signal does, 100 ms into the step.
  // Returns whether the window had begun shutting down while the step still ran.
  bool CloseDuring(const std::function<void()>& step) {
    bool closed_inside = false;
    bool asked = false;
    QTimer::singleShot(100, window.get(), [&] {
      asked = true;
      QApplication::closeAllWindows();
      closed_inside = !window->Created();
    });
    QElapsedTimer clock;
    clock.start();
    step();
    EXPECT_TRUE(asked) << "the step ended before the close was asked for";
    EXPECT_GT(clock.elapsed(), 150) << "the step did not pump messages long enough";
    return closed_inside;
  }

  bool ClosesSoon() {
    QElapsedTimer clock;
    clock.start();
    while (window->Created() && clock.elapsed() < 3000) QApplication::processEvents(QEventLoop::AllEvents, 20);
    return !window->Created() && !window->isVisible();
  }
};

// A seek (a click on the seek bar) fades out and in, pumping messages for about a second.
TEST_F(MainWindowClose, CloseDuringASeekWaitsForItsEnd) {
  StartAudible();
  EXPECT_FALSE(CloseDuring([&] { window->SeekTo(4); }));
  EXPECT_TRUE(ClosesSoon());
}

}  // namespace
}  // namespace mivaro::test
