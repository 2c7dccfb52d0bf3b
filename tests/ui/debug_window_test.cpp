// The log window "デバッグ" and the main window's diagnostics menu.
#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QListWidget>
#include <QProcess>
#include <QStandardPaths>
#include <fstream>
#include <thread>

#include "mainwin_test_util.h"
#include "platform/media/debug_log.h"
#include "ui/debug/debug_menu.h"
#include "ui/debug/form_debug.h"

namespace mivaro::test {
namespace {

std::vector<std::string> LogLines() { return TDebugLog::Instance().Lines(); }

// True when some line of the log contains `part`.
bool LogContains(const std::string& part) {
  const auto lines = LogLines();
  return std::any_of(lines.begin(), lines.end(),
                     [&](const std::string& l) { return l.find(part) != std::string::npos; });
}

bool LogHas(const std::string& line) {
  const auto lines = LogLines();
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

int IndexOf(const std::vector<std::string>& lines, const std::string& line) {
  auto it = std::find(lines.begin(), lines.end(), line);
  return it == lines.end() ? -1 : static_cast<int>(it - lines.begin());
}

QString ReadBytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll().toHex()) : QString();
}

// A Matroska file whose only track has a codec id no decoder knows.
void WriteUnknownCodecMatroska(const QString& path) {
  auto el = [](std::initializer_list<unsigned char> id, const std::string& payload) {
    std::string out(id.begin(), id.end());
    const std::size_t n = payload.size();  // four-byte size field
    out += static_cast<char>(0x10 | ((n >> 24) & 0x0F));
    out += static_cast<char>((n >> 16) & 0xFF);
    out += static_cast<char>((n >> 8) & 0xFF);
    out += static_cast<char>(n & 0xFF);
    return out + payload;
  };
  auto uint1 = [&](std::initializer_list<unsigned char> id, int v) {
    return el(id, std::string(1, static_cast<char>(v)));
  };
  const std::string header =
      el({0x1A, 0x45, 0xDF, 0xA3}, uint1({0x42, 0x86}, 1) + uint1({0x42, 0xF7}, 1) +
                                       uint1({0x42, 0xF2}, 4) + uint1({0x42, 0xF3}, 8) +
                                       el({0x42, 0x82}, "matroska") + uint1({0x42, 0x87}, 4) +
                                       uint1({0x42, 0x85}, 2));
  const std::string info = el({0x15, 0x49, 0xA9, 0x66}, el({0x2A, 0xD7, 0xB1}, std::string("\x0F\x42\x40", 3)));
  const std::string track =
      el({0xAE}, uint1({0xD7}, 1) + uint1({0x73, 0xC5}, 1) + uint1({0x83}, 1) +
                     el({0x86}, "V_MIVARO/TEST") + el({0xE0}, uint1({0xB0}, 64) + uint1({0xBA}, 48)));
  std::string blocks;
  for (int i = 0; i < 10; ++i) {
    std::string block = {'\x81', 0, static_cast<char>(i * 40), '\x80'};
    blocks += el({0xA3}, block + std::string(16, '\0'));
  }
  const std::string segment = el({0x18, 0x53, 0x80, 0x67},
                                 info + el({0x16, 0x54, 0xAE, 0x6B}, track) +
                                     el({0x1F, 0x43, 0xB6, 0x75}, uint1({0xE7}, 0) + blocks));
  QDir().mkpath(QFileInfo(path).absolutePath());
  std::ofstream(path.toStdString(), std::ios::binary) << header << segment;
}

class DebugWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    form_ = ShowDebugWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form_));
    form_->ClearClick();
    form_->Beep = [this] { ++beeps_; };
  }
  TForm_Debug* form_ = nullptr;
  int beeps_ = 0;
};

TEST_F(DebugWindow, FloodOfEventsKeepsTheLastThousandLinesWithTheNewestVisible) {
  std::thread other([] {
    for (int i = 0; i < 20000; ++i) DebugWrite("thread " + std::to_string(i));
  });
  for (int i = 0; i < 100000; ++i) LogGraphEvent(14, i, 0);
  other.join();
  LogGraphEvent(10, 0x00F00140, 0);  // 320x240, the last event
  QListWidget* list = form_->ListBox1;
  QTRY_COMPARE(list->count(), 1000);
  const auto lines = LogLines();
  ASSERT_EQ(lines.size(), 1000u);
  EXPECT_EQ(list->item(0)->text().toStdString(), lines.front());
  EXPECT_EQ(list->item(999)->text(), QStringLiteral("   320×240"));
  EXPECT_EQ(list->item(998)->text(), QStringLiteral("   ネイティブビデオサイズが変更された。"));
  const QRect last = list->visualItemRect(list->item(999));
  EXPECT_TRUE(list->viewport()->rect().intersects(last));
}

TEST_F(DebugWindow, ButtonsSaveCopyAndClear) {
  DebugWrite("一行目");
  DebugWrite(std::vector<std::string>{"b", "c"});
  QTRY_COMPARE(form_->ListBox1->count(), 2);

  QTemporaryDir dir;
  const QString file = dir.filePath(QStringLiteral("log.txt"));
  form_->AskSaveFileName = [&] { return file; };
  form_->SaveClick();
  // BOM, "一行目" in UTF-8, CR LF, "b c", CR LF.
  EXPECT_EQ(ReadBytes(file), QStringLiteral("efbbbfe4b880e8a18ce79bae0d0a6220630d0a"));
  // A folder that cannot be written: nothing is written and nothing is asked.
  form_->AskSaveFileName = [&] { return dir.filePath(QStringLiteral("missing/log.txt")); };
  form_->SaveClick();
  EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("missing/log.txt"))));

  form_->CopyClick();
  EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("一行目\nb c\n"));
  form_->ListBox1->clearSelection();
  form_->ListBox1->setCurrentItem(nullptr);
  form_->PopupCopyClick();
  EXPECT_EQ(beeps_, 1);
  form_->ListBox1->setCurrentRow(1);
  form_->PopupCopyClick();
  EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("b c"));
  EXPECT_EQ(beeps_, 1);

  form_->ClearClick();
  EXPECT_EQ(form_->ListBox1->count(), 0);
  EXPECT_TRUE(LogLines().empty());
}

class DiagnosticsMenu : public ::testing::Test, public TMainWindowFixture {};

TEST_F(DiagnosticsMenu, EventsDumpAndRegisteredListGoToTheLog) {
  TDebugLog::Instance().Clear();
  TApp_Mivaro& w = Start({});
  EXPECT_EQ(w.Action_Debug_Event->text(), QStringLiteral("イベントを表示(&E)"));
  w.Action_Debug_Event->trigger();
  EXPECT_TRUE(w.DShow_Player->ShowEvents());
  Touch(Media(QStringLiteral("a.mp4")));
  w.AddFiles({W(Media(QStringLiteral("a.mp4")))});
  QTRY_VERIFY(LogContains("EC_PAUSED (14, 0, 0) "));

  // The scripted graph has no pipeline to show.
  w.Action_Debug_EnumFilters->trigger();
  auto lines = LogLines();
  const int heading = IndexOf(lines, "接続フィルターとPinを列挙");
  ASSERT_GE(heading, 0);
  EXPECT_EQ(lines[static_cast<std::size_t>(heading) + 1], "未接続");
  ASSERT_NE(mivaro::DebugWindow(), nullptr);
  EXPECT_TRUE(mivaro::DebugWindow()->isVisible());

  w.Action_Debug_EnumSytemFilters->trigger();
  lines = LogLines();
  const int list = IndexOf(lines, "登録フィルタを列挙");
  ASSERT_GE(list, 0);
  EXPECT_EQ(lines[static_cast<std::size_t>(list) + 1], "*** Audio Capture Sources ***");
  EXPECT_TRUE(LogHas("*** WDM Streaming VBI Codecs ***"));

  w.Action_Debug_Event->trigger();
  EXPECT_FALSE(w.DShow_Player->ShowEvents());
}

// On the real engine: a file without a decoder is dropped, and the log says why even
// though the window was closed; the graph of the clip that plays then is saved.
TEST_F(DiagnosticsMenu, UndecodableFileLeavesItsReasonAndTheGraphIsSaved) {
  const QString tool = QStandardPaths::findExecutable(QStringLiteral("gst-launch-1.0"));
  const QString tone = Media(QStringLiteral("b tone.wav"));
  QDir().mkpath(QFileInfo(tone).absolutePath());
  if (tool.isEmpty() ||
      QProcess::execute(tool, {QStringLiteral("-q"), QStringLiteral("audiotestsrc"),
                               QStringLiteral("num-buffers=200"), QStringLiteral("!"),
                               QStringLiteral("wavenc"), QStringLiteral("!"),
                               QStringLiteral("filesink"), QStringLiteral("location=") + tone}) != 0)
    GTEST_SKIP() << "gst-launch-1.0 cannot make test media here";
  const QString odd = Media(QStringLiteral("a odd.mkv"));
  WriteUnknownCodecMatroska(odd);
  if (TForm_Debug* form = mivaro::DebugWindow()) form->close();
  TDebugLog::Instance().Clear();

  TApp_MivaroOptions options;
  options.arguments = std::vector<WString>{W(odd), W(tone)};
  options.start_sub_player = false;
  options.register_mpris = false;
  options.install_hooks = false;
  window = std::make_unique<TApp_Mivaro>(options);
  window->FinishStartup();
  QTRY_COMPARE_WITH_TIMEOUT(window->Playlist().Count(), 1, 10000);
  const auto lines = LogLines();
  const int entry = IndexOf(lines, "再生できないファイル: " + odd.toStdString());
  ASSERT_GE(entry, 0);
  // The missing decoder is named with the stream's codec id.
  EXPECT_TRUE(LogContains("V_MIVARO/TEST"));
  EXPECT_TRUE(LogContains("がありません"));
  ASSERT_LT(static_cast<std::size_t>(entry) + 1, lines.size());
  EXPECT_FALSE(lines[static_cast<std::size_t>(entry) + 1].empty());

  // Opened afterwards, the window shows it.
  TForm_Debug* form = ShowDebugWindow();
  form->SyncWithLog();
  EXPECT_FALSE(form->ListBox1->findItems(QStringLiteral("再生できないファイル: ") + odd, Qt::MatchExactly).isEmpty());

  QTRY_COMPARE_WITH_TIMEOUT(window->DShow_Player->FileName(), W(tone), 10000);
  const QString grf = home.filePath(QStringLiteral("graph.grf"));
  window->ExecuteDialog = [&](TMyDialogKind, TMyDialogState& state) {
    state.file_name = W(grf);
    return true;
  };
  window->Action_Debug_SaveAsGRF->trigger();
  EXPECT_TRUE(QFile::exists(grf));
  EXPECT_TRUE(ReadAll(home.filePath(QStringLiteral("graph.dot"))).startsWith(QStringLiteral("digraph")));
  EXPECT_TRUE(LogHas("GraphEditファイル書き出し"));
}

}  // namespace
}  // namespace mivaro::test
