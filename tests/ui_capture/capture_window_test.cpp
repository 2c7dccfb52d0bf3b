// The capture window on a real clip: strips, steps and saves checked against the frames
// that ffmpeg decodes for the same times.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/hooks.h"
#include "ui/capture/app_tool_bmp_capture_ex.h"
#include "platform/os/launch.h"
#include "ui/capture/capture_widgets.h"
#include "ui/capture/program_window.h"

namespace mivaro {
namespace {

std::string RunShell(const std::string& cmd) {
  std::string out;
  FILE* pipe = popen(cmd.c_str(), "r");
  if (!pipe) return out;
  char buf[65536];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
  pclose(pipe);
  return out;
}

// ffmpeg's picture of the first frame at or after `t` of a file (a clip or an image).
std::string FfmpegFrame(const std::string& file, double t) {
  char filter[64];
  std::snprintf(filter, sizeof filter, "select=gte(t\\,%.4f)", t - 0.0005);
  return RunShell("ffmpeg -v error -i '" + file + "' -vf '" + filter +
                  "' -frames:v 1 -f rawvideo -pix_fmt rgb24 -");
}

double MeanDifference(const std::vector<uint8_t>& a, const std::string& b) {
  if (a.size() != b.size() || a.empty()) return 255.0;
  double sum = 0;
  for (size_t i = 0; i < a.size(); ++i) sum += std::abs(int(a[i]) - int(uint8_t(b[i])));
  return sum / a.size();
}

QApplication* App() {
  static int argc = 1;
  static char name[] = "test_ui_capture";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    setenv("MIVARO_AUDIO_SINK", "fakesink", 0);
    return new QApplication(argc, argv);
  }();
  return app;
}

class CaptureWindow : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new QTemporaryDir;
    clip_ = dir_->filePath(QStringLiteral("clip.mp4")).toStdString();
    // A picture that changes every frame; 25 fps, 4 s, B-frames, one key frame.
    RunShell("ffmpeg -v error -y -f lavfi -i testsrc2=size=176x144:rate=25 -t 4 -c:v libx264 "
             "-g 100 -bf 3 -pix_fmt yuv420p '" + clip_ + "'");
  }
  static void TearDownTestSuite() { delete dir_; }

  void SetUp() override {
    App();
    home_ = dir_->filePath(QStringLiteral("home%1").arg(++serial_)).toStdString();
    QDir().mkpath(QString::fromStdString(home_));
    setenv("MIVARO_HOME", home_.c_str(), 1);
    SetMessageHook([this](WStringView text, MessageKind) {
      messages_.push_back(WString(text));
      return kIdOk;
    });
    window_ = std::make_unique<TApp_TOOLBmpCaptureEx>(false);
    window_->HeldKeys = [this] { return keys_; };
    window_->ExecuteDialog = [this](TMyCaptureDialogKind, TMyCaptureDialog& d) {
      d.file_name = QString::fromStdString(chosen_).toStdU16String();
      d.filter_index = filter_;
      return true;
    };
    window_->AskOverwrite = [this](const QString&, const QString& title) {
      overwrite_title_ = title;
      return overwrite_;
    };
    window_->show();
  }
  void TearDown() override {
    window_.reset();
    SetMessageHook(nullptr);
    unsetenv("MIVARO_HOME");
  }

  bool WaitForStrip() {
    for (int i = 0; i < 1000 && window_->Capturing; ++i) QTest::qWait(10);
    return !window_->Capturing;
  }
  std::vector<double> Times() const {
    std::vector<double> t;
    for (int k = 0; k < window_->ThumbCount(); ++k) t.push_back(window_->Strip.ThumbTime(k));
    return t;
  }
  void ExpectTimes(std::vector<double> expected) {
    const std::vector<double> got = Times();
    ASSERT_EQ(got.size(), expected.size());
    for (size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], expected[i], 1e-3) << i;
  }

  static QTemporaryDir* dir_;
  static std::string clip_;
  static int serial_;
  std::string home_;
  std::unique_ptr<TApp_TOOLBmpCaptureEx> window_;
  std::vector<WString> messages_;
  Qt::KeyboardModifiers keys_;
  std::string chosen_;
  int filter_ = 1;
  bool overwrite_ = false;
  QString overwrite_title_;
};
QTemporaryDir* CaptureWindow::dir_ = nullptr;
std::string CaptureWindow::clip_;
int CaptureWindow::serial_ = 0;

TEST_F(CaptureWindow, StripsMatchFfmpegAndMoveBackAndForth) {
  window_->OpenAt(QString::fromStdString(clip_).toStdU16String(), 1.0);
  ASSERT_TRUE(WaitForStrip());
  ASSERT_EQ(window_->ThumbCount(), 5);
  ExpectTimes({1.0, 1.04, 1.08, 1.12, 1.16});
  EXPECT_NEAR(window_->FrameTime(), 1.16, 1e-3);  // paused on the strip's last frame
  EXPECT_EQ(window_->findChild<QLabel*>(QStringLiteral("Label_2"))->text(), QStringLiteral("1.080"));
  EXPECT_EQ(window_->Label_Size->text(), QStringLiteral("[ 176x144 25fps 40ミリ秒 ]"));
  EXPECT_EQ(window_->Label_Duration->text(), QStringLiteral("/4.000"));
  const capture::T_TimeBitmap third = window_->Strip.Thumb(2);
  EXPECT_LT(MeanDifference(third.rgb, FfmpegFrame(clip_, 1.08)), 2.0);
  EXPECT_GT(MeanDifference(third.rgb, FfmpegFrame(clip_, 1.12)), 4.0);

  // Before the strip: N + 1 frames back from thumbnail 0; after it: from the last one.
  window_->Action_CaptureBack->trigger();
  ASSERT_TRUE(WaitForStrip());
  ExpectTimes({0.76, 0.80, 0.84, 0.88, 0.92});
  window_->Action_CaptureNext->trigger();
  ASSERT_TRUE(WaitForStrip());
  ExpectTimes({0.96, 1.0, 1.04, 1.08, 1.12});

  // Near the end the strip ends early and keeps what the rest held.
  window_->PlaceCapture(0, 3.9);
  window_->StartCapture();
  ASSERT_TRUE(WaitForStrip());
  ExpectTimes({3.92, 3.96, 1.04, 1.08, 1.12});

  // Frame steps from a paused frame: forward through the sink, backward by seeking.
  window_->SeekPosition(2.0);
  QTest::qWait(50);
  EXPECT_NEAR(window_->FrameTime(), 2.0, 1e-3);
  window_->Action_Play_FrameNext->trigger();
  EXPECT_NEAR(window_->FrameTime(), 2.04, 1e-3);
  keys_ = Qt::ShiftModifier;
  window_->Action_Play_FrameNext->trigger();
  EXPECT_NEAR(window_->FrameTime(), 2.24, 1e-3);
  keys_ = {};
  window_->Action_Play_FrameBack->trigger();
  EXPECT_NEAR(window_->FrameTime(), 2.20, 1e-3);
  window_->Action_Play_SecBack->trigger();
  EXPECT_NEAR(window_->FrameTime(), 1.20, 1e-3);
  window_->Timer_TimeTimer();
  EXPECT_EQ(window_->Label_Time->text(), QStringLiteral("1.200"));
  window_->Action_Opt_TimeVerbose->setChecked(true);
  window_->Timer_TimeTimer();
  EXPECT_TRUE(window_->Label_Time->text().startsWith(QStringLiteral("[映像1.200][音声1.2")));
  EXPECT_TRUE(window_->Label_Time->text().endsWith(QStringLiteral("]1.200")));
  window_->Action_Opt_TimeVerbose->setChecked(false);
  EXPECT_FALSE(window_->IsRunning());

  // A wider window holds more thumbnails.
  window_->resize(900, window_->height());
  QTest::qWait(50);
  EXPECT_EQ(window_->ThumbCount(), (window_->Panel_Frame->width() - 48) / TMyThumbPanel::kWidth);
  EXPECT_GT(window_->ThumbCount(), 5);
}

TEST_F(CaptureWindow, SelectionCopiesAndSavesEachFormat) {
  window_->OpenAt(QString::fromStdString(clip_).toStdU16String(), 2.0);
  ASSERT_TRUE(WaitForStrip());
  window_->SelectThumb(1);
  ASSERT_NEAR(window_->PreviewTime, 2.04, 1e-3);
  const QImage copied = QGuiApplication::clipboard()->image();
  ASSERT_EQ(copied.size(), QSize(176, 144));
  const std::string reference = FfmpegFrame(clip_, 2.04);
  const QImage rgb = copied.convertToFormat(QImage::Format_RGB888);
  std::vector<uint8_t> pixels;
  for (int y = 0; y < rgb.height(); ++y) {
    pixels.insert(pixels.end(), rgb.constScanLine(y), rgb.constScanLine(y) + 176 * 3);
  }
  EXPECT_LT(MeanDifference(pixels, reference), 2.0);

  const std::string folder = home_ + "/shots";
  QDir().mkpath(QString::fromStdString(folder));
  const struct {
    const char* chosen;
    int filter;
    const char* written;
    double within;
  } saves[] = {{"/a", 1, "/a.bmp", 0.0}, {"/b", 2, "/b.gif", 12.0}, {"/c.jpg", 3, "/c.jpeg", 6.0}};
  for (const auto& s : saves) {
    chosen_ = folder + s.chosen;
    filter_ = s.filter;
    window_->Action_Image_Save->trigger();
    const std::string decoded = FfmpegFrame(folder + s.written, 0);
    if (s.within == 0.0) {
      EXPECT_EQ(std::string(window_->Preview.rgb.begin(), window_->Preview.rgb.end()), decoded);
    } else {
      EXPECT_LT(MeanDifference(window_->Preview.rgb, decoded), s.within) << s.written;
    }
  }
  // The question names the file that would be replaced; No keeps it.
  const auto size = QFileInfo(QString::fromStdString(folder + "/c.jpeg")).size();
  window_->SelectThumb(3);
  chosen_ = folder + "/c.jpg";
  window_->Action_Image_Save->trigger();
  EXPECT_EQ(overwrite_title_, QStringLiteral("名前を付けて保存"));
  EXPECT_EQ(QFileInfo(QString::fromStdString(folder + "/c.jpeg")).size(), size);
  // A folder that cannot be written: the message, and no file.
  chmod(folder.c_str(), 0555);
  if (access(folder.c_str(), W_OK) != 0) {
    chosen_ = folder + "/d.bmp";
    window_->Action_Image_Save->trigger();
    ASSERT_FALSE(messages_.empty());
    EXPECT_EQ(messages_.back(), QString::fromStdString(folder + "/d.bmp\r保存できませんでした").toStdU16String());
  }
  chmod(folder.c_str(), 0755);
}

TEST_F(CaptureWindow, BadFilesSettingsAndHostedMode) {
  const std::string wav = home_ + "/tone.wav";
  RunShell("ffmpeg -v error -y -f lavfi -i sine -t 1 '" + wav + "'");
  EXPECT_FALSE(window_->OpenFile(QString::fromStdString(wav).toStdU16String()));
  ASSERT_FALSE(messages_.empty());
  EXPECT_EQ(messages_.back(), u"メディアにビデオ映像がありません");
  EXPECT_FALSE(window_->Action_CaptureNow->isEnabled());
  EXPECT_FALSE(window_->OpenFile(u"/nonexistent/x.mp4"));
  EXPECT_EQ(messages_.back(), u"/nonexistent/x.mp4\rファイルが存在しません");

  ASSERT_TRUE(window_->OpenFile(QString::fromStdString(clip_).toStdU16String()));
  window_->Action_Opt_TimeVerbose->setChecked(true);
  window_->Action_Program_Foreground->setChecked(true);
  window_->AddProgram(u"/usr/bin/true");
  window_->AddProgram(u"/usr/bin/true");
  EXPECT_EQ(messages_.back(), u"/usr/bin/true\rは登録済みです");
  window_.reset();
  QFile ini(QString::fromStdString(home_ + "/mivaro.ini"));
  ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
  const QString text = QString::fromUtf8(ini.readAll());
  for (const char* line : {"[CAPTURE_Option]", "TimeVerbose=1", "[CAPTURE_Program]", "Foreground=1",
                           "[CAPTURE_ProgramList]", "/usr/bin/true", "[CAPTURE_OpenHistory]",
                           "clip.mp4", "App_TOOLBmpCaptureEx_Left"}) {
    EXPECT_TRUE(text.contains(QString::fromUtf8(line))) << line;
  }

  // Read back in hosted mode: the same options, muted, the help menu gone, "閉じる(&C)".
  TApp_TOOLBmpCaptureEx hosted(true);
  EXPECT_TRUE(hosted.Action_Opt_TimeVerbose->isChecked());
  EXPECT_EQ(hosted.ProgramList(), std::vector<WString>{u"/usr/bin/true"});
  ASSERT_EQ(hosted.HistoryPaths().size(), 1u);
  EXPECT_TRUE(hosted.Action_Play_Mute->isChecked());
  EXPECT_EQ(hosted.windowTitle(), QStringLiteral("静止画キャプチャ"));
  EXPECT_FALSE(hosted.Menu_Help->menuAction()->isVisible());
  EXPECT_EQ(hosted.Action_File_Exit->text(), QStringLiteral("閉じる(&C)"));
  EXPECT_TRUE(hosted.Action_Help_VersionInfo->shortcuts().isEmpty());

  // Each zoom command has a visible picture of its own.
  std::vector<QImage> zooms;
  for (QAction* a : {hosted.Action_Zoom_Up, hosted.Action_Zoom_Down, hosted.Action_Zoom_Actual,
                     hosted.Action_Zoom_Auto}) {
    const QImage image = a->icon().pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
    int opaque = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) opaque += qAlpha(image.pixel(x, y)) > 128;
    EXPECT_GT(opaque, 40) << a->text().toStdString();
    for (const QImage& other : zooms) EXPECT_NE(image, other) << a->text().toStdString();
    zooms.push_back(image);
  }
}

}  // namespace
}  // namespace mivaro

namespace mivaro {
namespace {

TEST_F(CaptureWindow, TimerModeTakesTheRenderersPicture) {
  // Colour bars at 75 %: grey at the left edge, red in the sixth of seven bars, blue at the
  // right edge, over the top two thirds of the picture.
  const std::string bars = home_ + "/bars.mp4";
  RunShell("ffmpeg -v error -y -f lavfi -i smptebars=size=176x144:rate=25 -t 2 -c:v libx264 "
           "-pix_fmt yuv420p '" + bars + "'");
  window_->Action_Opt_SampleGrabber->setChecked(false);
  window_->OpenAt(QString::fromStdString(bars).toStdU16String(), 1.0);
  ASSERT_TRUE(WaitForStrip());
  EXPECT_FALSE(window_->UseGrabber);
  const std::vector<double> times = Times();
  for (size_t i = 1; i < times.size(); ++i) EXPECT_GT(times[i], times[i - 1]) << i;
  const capture::T_TimeBitmap first = window_->Strip.Thumb(0);
  ASSERT_EQ(first.width, 176);
  ASSERT_EQ(first.height, 144);
  EXPECT_GE(first.Time, 0.96);
  const struct {
    int x, y;
    int r, g, b;
  } points[] = {{2, 2, 191, 191, 191}, {131, 50, 191, 0, 0}, {173, 2, 0, 0, 191}, {2, 90, 191, 191, 191}};
  for (const auto& p : points) {
    const uint8_t* px = first.rgb.data() + (p.y * first.width + p.x) * 3;
    EXPECT_NEAR(px[0], p.r, 16) << p.x << "," << p.y;
    EXPECT_NEAR(px[1], p.g, 16) << p.x << "," << p.y;
    EXPECT_NEAR(px[2], p.b, 16) << p.x << "," << p.y;
  }
}

TEST(ProgramWindow, ProcessesAreMatchedByTheirProgramFile) {
  int pid = 0;
  ASSERT_TRUE(os::SpawnProgram({"/bin/sleep", "5"}, pid));
  const std::string sleep = ResolveProgramFile("/bin/sleep");
  EXPECT_TRUE(ProcessRunsProgram(pid, sleep));
  EXPECT_FALSE(ProcessRunsProgram(pid, ResolveProgramFile("/bin/true")));
  kill(pid, SIGTERM);
}

}  // namespace
}  // namespace mivaro
