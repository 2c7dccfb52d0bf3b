// Settings and resume play of the main window: the INI round trip, resume after a restart,
// arguments that never resume, and the modifier keys that skip loading and saving.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QSlider>
#include <QToolBar>

#include "ui/main/track_bar.h"

#include "core/wstrings.h"
#include "mainwin_test_util.h"

namespace mivaro::test {
namespace {

class MainWindowSettings : public ::testing::Test, public TMainWindowFixture {
 protected:
  QString IniFile() const { return home.path() + QStringLiteral("/home/mivaro.ini"); }
  QString ResumeFile() const { return home.path() + QStringLiteral("/home/mivaro.resume.m3u8"); }
  void MakeAbc() {
    for (const char* name : {"a.mp4", "b.mp4", "c.mp4"}) Touch(Media(QString::fromLatin1(name)));
  }
};

// Options, volume, histories and dialog folders come back after a restart.
TEST_F(MainWindowSettings, RoundTrip) {
  Open({});
  window->Action_Opt_Random->setChecked(true);
  window->Action_Opt_TimeVerbose->setChecked(true);
  window->Action_Opt_AllowImage->setChecked(true);
  window->Action_List_FolderName->setChecked(true);
  window->Action_Play_Mute->setChecked(true);
  window->Action_Zoom_KeepAspect->setChecked(false);
  window->TrackBar_Volume->setValue(35);
  window->Dialog_File_OpenFolder.initial_dir = W(Media(QString()));
  window->InsertHistory(window->PopupMenu_File_OpenFolder, u"/old/folder");
  window->InsertHistory(window->PopupMenu_File_OpenFolder, u"/new/ファイル$x café");
  // The item's hint is the stored form: "$" and "é" (not in code page 932) escaped.
  const QString stored = QStringLiteral("/new/ファイル$0024x caf$00e9");
  EXPECT_EQ(window->PopupMenu_File_OpenFolder->actions().front()->statusTip(), stored);
  CloseWindow();

  const QString ini = ReadAll(IniFile());
  EXPECT_TRUE(ini.contains(QStringLiteral("$0024x caf$00e9")));  // the ASCII part of the line
  EXPECT_TRUE(ini.contains(QStringLiteral("[RESUME]")));
  EXPECT_TRUE(ini.contains(QStringLiteral("Volume=35")));

  Open({});
  EXPECT_TRUE(window->Action_Opt_Random->isChecked());
  EXPECT_TRUE(window->Action_Opt_TimeVerbose->isChecked());
  EXPECT_TRUE(window->Action_Opt_AllowImage->isChecked());
  EXPECT_TRUE(window->Action_List_FolderName->isChecked());
  EXPECT_TRUE(window->Action_Play_Mute->isChecked());
  EXPECT_FALSE(window->Action_Zoom_KeepAspect->isChecked());
  EXPECT_EQ(window->TrackBar_Volume->value(), 35);
  EXPECT_EQ(window->DShow_Player->Volume(), 0);  // muted
  EXPECT_EQ(window->Dialog_File_OpenFolder.initial_dir, W(Media(QString())));
  EXPECT_EQ(window->HistoryPaths(window->PopupMenu_File_OpenFolder),
            (std::vector<WString>{u"/new/ファイル$x café", u"/old/folder"}));
}

// With resume play on, a start without arguments continues at the stored entry and time.
TEST_F(MainWindowSettings, ResumeAfterRestart) {
  MakeAbc();
  Start({W(Media(QString()))});
  window->Action_Opt_Resume->setChecked(true);
  window->PlayIndex(1);
  last_graph->position = 7.4;
  CloseWindow();
  EXPECT_EQ(ReadAll(ResumeFile()), Media(QStringLiteral("a.mp4")) + QStringLiteral("\r\n") +
                                       Media(QStringLiteral("b.mp4")) + QStringLiteral("\r\n") +
                                       Media(QStringLiteral("c.mp4")) + QStringLiteral("\r\n"));
  EXPECT_TRUE(ReadAll(IniFile()).contains(QStringLiteral("Index=1")));
  EXPECT_TRUE(ReadAll(IniFile()).contains(QStringLiteral("Time=7")));

  Start({});
  EXPECT_EQ(window->Playlist().Count(), 3);
  EXPECT_EQ(window->ItemIndex(), 1);
  EXPECT_EQ(Playing(), W(Media(QStringLiteral("b.mp4"))));
  ASSERT_FALSE(last_graph->seeks.empty());
  EXPECT_EQ(last_graph->seeks.front(), 7);
  EXPECT_EQ(window->ResumeTime(), 0);
  EXPECT_EQ(window->ResumeIndex(), -1);
}

// A stored time at or beyond the entry's length skips to the next entry.
TEST_F(MainWindowSettings, ResumeTimeBeyondLengthPlaysNext) {
  MakeAbc();
  Start({W(Media(QString()))});
  window->Action_Opt_Resume->setChecked(true);
  window->PlayIndex(0);
  last_graph->position = 10;  // the scripted length
  CloseWindow();
  Start({});
  EXPECT_EQ(Playing(), W(Media(QStringLiteral("b.mp4"))));
}

// A start with arguments never resumes, and its exit overwrites the resume values.
TEST_F(MainWindowSettings, ArgumentsNeverResume) {
  MakeAbc();
  Start({W(Media(QString()))});
  window->Action_Opt_Resume->setChecked(true);
  window->PlayIndex(2);
  CloseWindow();
  Start({W(Media(QStringLiteral("a.mp4")))});
  EXPECT_EQ(window->Playlist().Count(), 1);
  EXPECT_EQ(window->ResumeIndex(), -1);
  EXPECT_EQ(Playing(), W(Media(QStringLiteral("a.mp4"))));
  CloseWindow();
  EXPECT_TRUE(ReadAll(IniFile()).contains(QStringLiteral("Index=0")));
}

// Exit with resume play on and an empty list trashes the resume list and stores Index=-1.
TEST_F(MainWindowSettings, EmptyListRemovesResumeList) {
  setenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/data")).toLocal8Bit().constData(), 1);
  MakeAbc();
  Start({W(Media(QString()))});
  window->Action_Opt_Resume->setChecked(true);
  CloseWindow();
  ASSERT_TRUE(QFile::exists(ResumeFile()));
  Start({W(Media(QStringLiteral("nothing")))});
  messages.clear();
  CloseWindow();
  EXPECT_FALSE(QFile::exists(ResumeFile()));
  EXPECT_TRUE(ReadAll(IniFile()).contains(QStringLiteral("Index=-1")));
  EXPECT_TRUE(ReadAll(IniFile()).contains(QStringLiteral("Time=0")));
  unsetenv("XDG_DATA_HOME");
}

// Closed minimised, the window comes back where it was before it was minimised.
TEST_F(MainWindowSettings, BoundsOfAMinimisedWindowAreItsNormalOnes) {
  Open({});
  window->show();
  window->setGeometry(100, 120, 500, 400);
  QTest::qWait(100);
  window->showMinimized();
  QTest::qWait(100);
  CloseWindow();
  Open({});
  EXPECT_EQ(window->geometry(), QRect(100, 120, 500, 400));
}

// Without stored bounds the window manager places the window: pinning the client area at
// (0, 0) would put the title bar above the screen.
TEST_F(MainWindowSettings, FirstStartLeavesThePositionToTheWindowManager) {
  Open({});
  EXPECT_FALSE(window->testAttribute(Qt::WA_Moved));
  EXPECT_GT(window->width(), 0);
}

// Shift+Ctrl at start loads nothing; Shift+Ctrl at exit leaves the file untouched.
TEST_F(MainWindowSettings, ShiftCtrlSkipsLoadAndSave) {
  Open({});
  window->Action_Opt_Random->setChecked(true);
  CloseWindow();
  const QString before = ReadAll(IniFile());
  keys = Qt::ShiftModifier | Qt::ControlModifier;
  Open({});
  EXPECT_FALSE(window->Action_Opt_Random->isChecked());
  window->Action_Opt_TimeVerbose->setChecked(true);
  CloseWindow();
  EXPECT_EQ(ReadAll(IniFile()), before);
}

// A stored LargeIcon shows 32-pixel tool bar icons right after start.
TEST_F(MainWindowSettings, LargeIconAtStart) {
  Open({});
  window->Action_Opt_LargeIcon->setChecked(true);
  CloseWindow();
  Open({});
  window->show();
  QTest::qWait(100);
  EXPECT_EQ(window->ToolBar_Control->iconSize(), QSize(32, 32));
  const int large_panel = window->Panel_Seek->height();
  const int large_thumb = window->TrackBar_Seek->ThumbRect().height();
  // The bottom panel holds one 32-pixel tool bar row and the doubled seek bar.
  EXPECT_EQ(window->Panel_Bottom->height(),
            window->ToolBar_Main->height() + window->TrackBar_Seek->height());
  window->Action_Opt_LargeIcon->trigger();
  QTest::qWait(100);
  EXPECT_EQ(window->ToolBar_Control->iconSize(), QSize(16, 16));
  EXPECT_EQ(large_panel, 2 * window->Panel_Seek->height());
  EXPECT_EQ(large_thumb, 2 * window->TrackBar_Seek->ThumbRect().height());
  EXPECT_EQ(window->Panel_Bottom->height(),
            window->ToolBar_Main->height() + window->TrackBar_Seek->height());
}

}  // namespace
}  // namespace mivaro::test
