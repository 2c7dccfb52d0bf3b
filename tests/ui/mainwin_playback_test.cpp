// The main window's playback wiring on scripted graphs: start-up from a folder, the
// commands reaching the playback rules (tests/player has the rules themselves), deleting,
// the seek bar, the busy guard, keys.
#include <gtest/gtest.h>

#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QStyle>

#include "core/wstrings.h"
#include "mainwin_test_util.h"
#include "ui/main/busy_guard.h"
#include "ui/main/playlist_combo.h"
#include "ui/main/track_bar.h"

namespace mivaro::test {
namespace {

class MainWindowPlayback : public ::testing::Test, public TMainWindowFixture {
 protected:
  // Three entries a, b, c in one folder, started from that folder.
  void StartAbc() {
    for (const char* name : {"a.mp4", "b.mp4", "c.mp4"}) Touch(Media(QString::fromLatin1(name)));
    Start({W(Media(QString()))});
  }
  WString Name(const char* name) { return W(Media(QString::fromLatin1(name))); }
};

// A folder argument lists the folder in natural order (excluded extensions left out),
// and the first entry plays; the combo box shows "%d: %s".
TEST_F(MainWindowPlayback, FolderArgumentListsNaturalOrderAndPlaysFirst) {
  for (const char* name : {"第10話.mp4", "第2話.mp4", "第1話.mp4", "readme.txt", "setup.exe"})
    Touch(Media(QString::fromUtf8(name)));
  Start({W(Media(QString()))});
  ASSERT_EQ(Entries().size(), 3u);
  EXPECT_EQ(Entries()[0], W(Media(QStringLiteral("第1話.mp4"))));
  EXPECT_EQ(Entries()[1], W(Media(QStringLiteral("第2話.mp4"))));
  EXPECT_EQ(Entries()[2], W(Media(QStringLiteral("第10話.mp4"))));
  EXPECT_EQ(window->ItemIndex(), 0);
  EXPECT_EQ(Playing(), Entries()[0]);
  EXPECT_EQ(window->ComboBox_Playlist->currentText(), QStringLiteral("1: 第1話.mp4"));
  window->Action_List_FolderName->setChecked(true);
  EXPECT_EQ(window->ComboBox_Playlist->currentText(),
            QStringLiteral("1: ") + Media(QStringLiteral("第1話.mp4")));
  EXPECT_TRUE(window->Action_Play_PlayPause->isEnabled());
  EXPECT_TRUE(messages.empty());
}

// Next on the last entry plays the first, Back on the first plays the last.
TEST_F(MainWindowPlayback, NextAndBackWrap) {
  StartAbc();
  window->Action_Play_Back->trigger();
  EXPECT_EQ(window->ItemIndex(), 2);
  EXPECT_EQ(Playing(), Name("c.mp4"));
  window->Action_Play_Next->trigger();
  EXPECT_EQ(window->ItemIndex(), 0);
  EXPECT_EQ(Playing(), Name("a.mp4"));
  window->Action_Play_Next->trigger();
  EXPECT_EQ(Playing(), Name("b.mp4"));
}

// An entry that cannot be opened disappears without a question and the next one plays.
TEST_F(MainWindowPlayback, UnplayableEntryIsDroppedAndNextPlays) {
  for (const char* name : {"a.mp4", "b_bad.mp4", "c.mp4"}) Touch(Media(QString::fromLatin1(name)));
  Start({W(Media(QString()))});
  window->Action_Play_Next->trigger();
  QTRY_COMPARE(window->Playlist().Count(), 2);
  EXPECT_EQ(Playing(), Name("c.mp4"));
  EXPECT_EQ(window->ItemIndex(), 1);
  EXPECT_TRUE(messages.empty());
}

// Opened in the background, entries play once their open completes from the event loop;
// one that fails later is dropped like one that fails at once, and of two opens in a row
// only the second plays.
TEST_F(MainWindowPlayback, OpensInTheBackgroundDropUnplayableEntriesAndTheLastOpenWins) {
  script.openInBackground = true;
  script.openDispatches = 1;
  for (const char* name : {"a.mp4", "b_bad.mp4", "c.mp4"}) Touch(Media(QString::fromLatin1(name)));
  Start({W(Media(QString()))});
  EXPECT_TRUE(window->DShow_Player->OpenPending());
  QTRY_COMPARE(Playing(), Name("a.mp4"));
  window->Action_Play_Next->trigger();
  QTRY_COMPARE(window->Playlist().Count(), 2);
  QTRY_COMPARE(Playing(), Name("c.mp4"));
  EXPECT_TRUE(messages.empty());

  window->PlayIndex(0);
  window->PlayIndex(1);
  QTRY_COMPARE(Playing(), Name("c.mp4"));
  QTest::qWait(100);
  EXPECT_EQ(Playing(), Name("c.mp4"));
  EXPECT_EQ(window->ItemIndex(), 1);
  EXPECT_EQ(window->Playlist().Count(), 2);
}

// A list of unplayable entries is worked off until it is empty; the window stays usable.
TEST_F(MainWindowPlayback, AllUnplayableEmptiesTheList) {
  for (int i = 0; i < 20; ++i) Touch(Media(QStringLiteral("bad%1.mp4").arg(i)));
  Start({W(Media(QString()))});
  QTRY_COMPARE(window->Playlist().Count(), 0);
  EXPECT_FALSE(window->DShow_Player->IsOpened());
  EXPECT_EQ(window->windowTitle(), window->ProductName());
  EXPECT_FALSE(window->Action_Play_Next->isEnabled());
  EXPECT_FALSE(IsBusy());
}

// Zero-length media is dropped unless it has a picture and still images are allowed.
TEST_F(MainWindowPlayback, StillImagesNeedTheOption) {
  for (const char* name : {"a_still.jpg", "b.mp4"}) Touch(Media(QString::fromLatin1(name)));
  Start({W(Media(QString()))});
  QTRY_COMPARE(window->Playlist().Count(), 1);
  EXPECT_EQ(Playing(), Name("b.mp4"));

  Touch(Media(QStringLiteral("c_still.jpg")));
  window->Action_Opt_AllowImage->setChecked(true);
  window->AddFiles({Name("c_still.jpg")});
  EXPECT_EQ(Playing(), Name("c_still.jpg"));
  // The still image's time on show is the controller's (tests/player).
  window->Timer_TimeTimer();
  EXPECT_EQ(Playing(), Name("c_still.jpg"));
}

// The end of media (found by the time display) plays the next entry and the list repeats.
TEST_F(MainWindowPlayback, EndOfMediaPlaysNextAndWraps) {
  StartAbc();
  window->Action_Play_Back->trigger();  // c, the last entry
  ASSERT_NE(last_graph, nullptr);
  last_graph->position = last_graph->script.duration;
  window->Timer_TimeTimer();
  EXPECT_EQ(Playing(), Name("a.mp4"));
  // The time label always ends with a blank.
  window->Timer_TimeTimer();
  EXPECT_TRUE(window->Label_Time->text().endsWith(QLatin1Char(' ')));
  EXPECT_EQ(window->Label_Time->text(), QStringLiteral("0/10 "));
  window->Action_Opt_TimeVerbose->trigger();
  EXPECT_EQ(window->Label_Time->text(), QStringLiteral("0.000/10.000 "));
}

// Deleting the last entry while it plays starts the first; the question must be answered Yes.
TEST_F(MainWindowPlayback, DeleteLastEntryStartsFirst) {
  StartAbc();
  window->Action_Play_Back->trigger();
  answer = kIdNo;
  window->Action_List_Del->trigger();
  EXPECT_EQ(window->Playlist().Count(), 3);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], u"再生中のファイルをリストから削除します\rよろしいですか");
  answer = kIdYes;
  window->Action_List_Del->trigger();
  EXPECT_EQ(window->Playlist().Count(), 2);
  EXPECT_EQ(Playing(), Name("a.mp4"));
  EXPECT_EQ(window->ItemIndex(), 0);
}

// Clearing asks first, then empties the list and closes the media.
TEST_F(MainWindowPlayback, ClearAsksAndEmpties) {
  StartAbc();
  answer = kIdNo;
  messages.clear();
  window->Action_List_Clear->trigger();
  EXPECT_EQ(window->Playlist().Count(), 3);
  EXPECT_EQ(messages, std::vector<WString>{u"リストをクリアします\rよろしいですか"});
  answer = kIdYes;
  window->Action_List_Clear->trigger();
  EXPECT_EQ(window->Playlist().Count(), 0);
  EXPECT_FALSE(window->DShow_Player->IsOpened());
  EXPECT_EQ(window->ComboBox_Playlist->count(), 0);
}

// Skips: 30 s, 90 s with Shift, 1 s with Ctrl, a tenth of the length with both; the base
// is the seek bar's whole second, and a target below 0 goes to the player unchanged.
TEST_F(MainWindowPlayback, SkipAmountsFollowModifiers) {
  script.duration = 1000;
  StartAbc();
  TTestGraph* graph = last_graph;
  window->Action_Play_SkipNext->trigger();
  EXPECT_EQ(graph->seeks.back(), 30);
  keys = Qt::ShiftModifier;
  window->Action_Play_SkipNext->trigger();
  EXPECT_EQ(graph->seeks.back(), 120);
  keys = Qt::ControlModifier;
  window->Action_Play_SkipBack->trigger();
  EXPECT_EQ(graph->seeks.back(), 119);
  keys = Qt::ShiftModifier | Qt::ControlModifier;
  window->Action_Play_SkipNext->trigger();
  EXPECT_EQ(graph->seeks.back(), 219);
  keys = Qt::NoModifier;
  window->SeekTo(10);
  window->Action_Play_SkipBack->trigger();
  EXPECT_EQ(graph->seeks.back(), -20);
}

// Real mouse clicks on the shown seek bar: a click in the channel seeks to the second
// under the mouse (the thumb does not page); a drag of the thumb seeks to key frames while
// it moves and exactly once where it is let go.
TEST_F(MainWindowPlayback, SeekBarClicksAndDragsSeek) {
  script.duration = 1000;
  StartAbc();
  window->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  TMyTrackBar* bar = window->TrackBar_Seek;
  ASSERT_TRUE(bar->isEnabled());
  TTestGraph* graph = last_graph;
  const QRect channel = bar->ChannelRect();
  // Click where Qt would centre the thumb for three quarters of the length.
  ASSERT_EQ(bar->minimum(), 0);
  const int expected = bar->maximum() * 3 / 4;
  const int thumb_width = bar->ThumbRect().width();
  const int span = channel.width() - thumb_width;
  const QPoint at(channel.left() + QStyle::sliderPositionFromValue(0, bar->maximum(), expected, span) +
                      thumb_width / 2,
                  channel.center().y());
  QTest::mouseClick(bar, Qt::LeftButton, {}, at);
  ASSERT_FALSE(graph->seeks.empty());
  EXPECT_NEAR(graph->seeks.back(), expected, 2.0 * bar->maximum() / span + 1.0);

  window->SeekTo(100);
  const QPoint thumb = bar->ThumbRect().center();
  const QPoint to(thumb.x() + channel.width() / 4, thumb.y());
  const std::size_t exact = graph->seeks.size();
  QTest::mousePress(bar, Qt::LeftButton, {}, thumb);
  QTest::mouseMove(bar, to);
  EXPECT_TRUE(bar->IsThumbHeld());
  EXPECT_EQ(graph->seeks.size(), exact);
  ASSERT_FALSE(graph->keyFrameSeeks.empty());
  EXPECT_GT(graph->keyFrameSeeks.back(), 200);
  QTest::mouseRelease(bar, Qt::LeftButton, {}, to);
  EXPECT_FALSE(bar->IsThumbHeld());
  ASSERT_EQ(graph->seeks.size(), exact + 1);
  EXPECT_GT(graph->seeks.back(), 200);
  EXPECT_EQ(graph->seeks.back(), bar->value());
  EXPECT_EQ(graph->keyFrameSeeks.back(), bar->value());
}

// While the busy guard is open, actions do nothing; an unbalanced end is reported.
TEST_F(MainWindowPlayback, BusyGuardBlocksActionsAndNests) {
  StartAbc();
  BeginFunc();
  BeginFunc();
  EndFunc();
  window->Action_Play_Next->trigger();
  EXPECT_EQ(window->ItemIndex(), 0);
  EndFunc();
  EXPECT_FALSE(IsBusy());
  window->Action_Play_Next->trigger();
  EXPECT_EQ(window->ItemIndex(), 1);
  EndFunc();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], u"エラー\rBeginFuncとFEndFuncが対で呼ばれていない");
}

// Keys run on release; the press never reaches the focused combo box.
TEST_F(MainWindowPlayback, KeysRunOnRelease) {
  StartAbc();
  window->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  window->ComboBox_Playlist->setFocus();
  QTest::keyPress(window->ComboBox_Playlist, Qt::Key_PageDown);
  EXPECT_EQ(window->ItemIndex(), 0);
  QTest::keyRelease(window->ComboBox_Playlist, Qt::Key_PageDown);
  EXPECT_EQ(window->ItemIndex(), 1);
  QTest::keyClick(window->ComboBox_Playlist, Qt::Key_PageUp);
  EXPECT_EQ(window->ItemIndex(), 0);
  // Left and right skip inside the media instead of moving the combo box.
  QTest::keyClick(window->ComboBox_Playlist, Qt::Key_Right);
  EXPECT_EQ(window->ItemIndex(), 0);
  EXPECT_EQ(last_graph->seeks.back(), 30);
}

// Mute sets the player's volume to 0 and back to the bar's position (the fixture starts
// muted).
TEST_F(MainWindowPlayback, MuteAndVolume) {
  StartAbc();
  window->TrackBar_Volume->setValue(40);
  EXPECT_EQ(window->DShow_Player->Volume(), 0);
  window->Action_Play_Mute->trigger();
  EXPECT_EQ(window->DShow_Player->Volume(), 40);
  window->TrackBar_Volume->setValue(55);
  EXPECT_EQ(window->DShow_Player->Volume(), 55);
  window->Action_Play_Mute->trigger();
  EXPECT_EQ(window->DShow_Player->Volume(), 0);
}

// Media keys: previous and next are reported handled; stop, mute and play/pause act once
// and are passed on.
TEST_F(MainWindowPlayback, MediaKeys) {
  StartAbc();
  window->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  EXPECT_TRUE(window->HandleMediaKey(Qt::Key_MediaNext));
  EXPECT_EQ(Playing(), Name("b.mp4"));
  window->ComboBox_Playlist->setFocus();
  QTest::keyClick(window->ComboBox_Playlist, Qt::Key_VolumeMute);  // the fixture starts muted
  EXPECT_FALSE(window->Action_Play_Mute->isChecked());
  EXPECT_EQ(window->DShow_Player->Volume(), 100);
  EXPECT_FALSE(window->HandleMediaKey(Qt::Key_MediaTogglePlayPause));
  EXPECT_EQ(window->DShow_Player->PlayState(), 2);
  EXPECT_FALSE(window->HandleMediaKey(Qt::Key_MediaStop));
  EXPECT_FALSE(window->DShow_Player->IsOpened());
}

// The play rate is read from the checked rate action and applied again at every open.
TEST_F(MainWindowPlayback, PlayRatePersistsAcrossEntries) {
  StartAbc();
  window->Action_PlayRates[2]->trigger();  // "1.5"
  EXPECT_DOUBLE_EQ(window->DShow_Player->Rate(), 1.5);
  window->Action_Play_Next->trigger();
  EXPECT_DOUBLE_EQ(last_graph->rate, 1.5);
}

}  // namespace
}  // namespace mivaro::test
