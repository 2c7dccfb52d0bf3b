// The player widget on the real engine under Xvfb, with the X image renderer that does not
// scale by itself: the picture must fill the widget's own window, follow its size, and keep
// its aspect with black bars. What the X server shows is read back from the window.
#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "mainwin_test_util.h"
#include "player/qt/directshow_player.h"

namespace mivaro::test {
namespace {

// A white 320x240 PNG made with gst-launch-1.0; false when the tool is missing.
bool MakeWhitePicture(const QString& path) {
  const QString tool = QStandardPaths::findExecutable(QStringLiteral("gst-launch-1.0"));
  if (tool.isEmpty()) return false;
  QProcess p;
  p.start(tool, {QStringLiteral("-q"), QStringLiteral("videotestsrc"), QStringLiteral("num-buffers=1"),
                 QStringLiteral("pattern=white"), QStringLiteral("!"),
                 QStringLiteral("video/x-raw,width=320,height=240"), QStringLiteral("!"),
                 QStringLiteral("pngenc"), QStringLiteral("!"), QStringLiteral("filesink"),
                 QStringLiteral("location=") + path});
  return p.waitForFinished(20000) && p.exitCode() == 0 && QFile::exists(path);
}

bool IsWhite(QRgb c) { return qRed(c) > 200 && qGreen(c) > 200 && qBlue(c) > 200; }
bool IsBlack(QRgb c) { return qRed(c) < 40 && qGreen(c) < 40 && qBlue(c) < 40; }

// The share of pixels in `area` that pass `test`.
double Share(const QImage& image, const QRect& area, bool (*test)(QRgb)) {
  int hits = 0;
  int all = 0;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) {
      ++all;
      hits += test(image.pixel(x, y)) ? 1 : 0;
    }
  }
  return all > 0 ? static_cast<double>(hits) / all : 0.0;
}

class VideoWidget : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    picture_ = dir_.path() + QStringLiteral("/white.png");
    if (!MakeWhitePicture(picture_)) GTEST_SKIP() << "gst-launch-1.0 cannot make the picture";
    player_ = std::make_unique<TMyDirectShowPlayer>();
    player_->SetRenderer(vmVideoRenderer);
    // Away from the corner where other windows appear first.
    player_->move(600, 500);
  }

  // Shows the widget at a size and reads back what the server shows there, once
  // `white` has turned white and `black` black (or after about five seconds).
  QImage ShowAt(int width, int height, const QRect& white, const QRect& black = QRect()) {
    player_->resize(width, height);
    player_->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(player_.get()));
    QImage image;
    for (int tries = 0; tries < 50; ++tries) {
      QTest::qWait(100);
      // Other tests' windows may share the display: stay on top while reading.
      player_->raise();
      QCoreApplication::processEvents();
      image = player_->screen()->grabWindow(player_->winId()).toImage();
      if (image.size() == QSize(width, height) && Share(image, white, IsWhite) > 0.95 &&
          (black.isEmpty() || Share(image, black, IsBlack) > 0.95))
        break;
    }
    return image;
  }

  QTemporaryDir dir_;
  QString picture_;
  std::unique_ptr<TMyDirectShowPlayer> player_;
};

TEST_F(VideoWidget, PictureFillsTheWindowFollowsItsSizeAndKeepsTheAspect) {
  player_->resize(320, 240);
  player_->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(player_.get()));
  ASSERT_TRUE(player_->Open(W(picture_)));
  player_->Play();

  // 4:3 in a 4:3 window: white everywhere.
  QImage image = ShowAt(320, 240, QRect(2, 2, 316, 236));
  ASSERT_EQ(image.size(), QSize(320, 240));
  EXPECT_GT(Share(image, image.rect().adjusted(2, 2, -2, -2), IsWhite), 0.95);

  // Twice the size: the picture is scaled up, not centred at its own size.
  image = ShowAt(640, 480, QRect(596, 436, 40, 40));
  ASSERT_EQ(image.size(), QSize(640, 480));
  EXPECT_GT(Share(image, QRect(4, 4, 40, 40), IsWhite), 0.95);
  EXPECT_GT(Share(image, QRect(596, 436, 40, 40), IsWhite), 0.95);

  // A wide window keeps the aspect: 200x150 in the middle, black bars left and right.
  player_->SetKeepAspect(true);
  image = ShowAt(600, 150, QRect(210, 10, 180, 130), QRect(0, 0, 190, 150));
  ASSERT_EQ(image.size(), QSize(600, 150));
  EXPECT_GT(Share(image, QRect(210, 10, 180, 130), IsWhite), 0.95);
  EXPECT_GT(Share(image, QRect(0, 0, 190, 150), IsBlack), 0.95);
  EXPECT_GT(Share(image, QRect(410, 0, 190, 150), IsBlack), 0.95);

  // Without keep-aspect the picture is stretched over the whole window.
  player_->SetKeepAspect(false);
  image = ShowAt(600, 150, QRect(4, 4, 40, 140));
  EXPECT_GT(Share(image, QRect(4, 4, 40, 140), IsWhite), 0.95);
  player_->Close();
}

// Opened in the background, the file is prepared while the event loop goes on: a timer on
// the UI thread ticks between Open's return and the open notification, which the waited
// open raises before it returns.
TEST_F(VideoWidget, OpenInTheBackgroundLeavesTheEventLoopRunning) {
  player_->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(player_.get()));
  int ticks = 0;
  QTimer ticker;
  ticker.setInterval(1);
  QObject::connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
  int ticksAtOpen = -1;
  QObject::connect(player_.get(), &TMyDirectShowPlayer::mediaOpened, [&] { ticksAtOpen = ticks; });
  ticker.start();
  QTest::qWait(20);
  for (bool background : {false, true}) {
    SCOPED_TRACE(background);
    player_->SetOpenInBackground(background);
    ticksAtOpen = -1;
    const int before = ticks;
    ASSERT_TRUE(player_->Open(W(picture_)));
    EXPECT_EQ(player_->OpenPending(), background);
    ASSERT_TRUE(QTest::qWaitFor([&] { return ticksAtOpen >= 0; }, 10000));
    EXPECT_EQ(ticksAtOpen > before, background);
    EXPECT_EQ(player_->VideoWidth(), 320);
    player_->Close();
  }
}

}  // namespace
}  // namespace mivaro::test
