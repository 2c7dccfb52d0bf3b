// The parts of the main window on their own: the playlist model and combo box over the
// list's store, the time texts, the seek bar's mapping, the properties window, and the
// action states of an empty and a filled window.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>

#include "core/wstrings.h"
#include "mainwin_test_util.h"
#include "ui/main/playlist_combo.h"
#include "ui/main/properties_dialog.h"
#include "ui/main/time_text.h"
#include "ui/main/track_bar.h"

namespace mivaro::test {
namespace {

// The model reads the list's own store: rows follow inserts and deletes, and an update
// bracket reaches the combo box as one reset that keeps its current item.
TEST(PlaylistModel, FollowsTheStoreAndKeepsTheCurrentItem) {
  App();
  TMyWStrings list;
  TMyComboBox combo;
  auto* model = new TMyPlaylistModel(&combo);
  combo.SetPlaylistModel(model);
  model->SetStore(list.Storage());
  list.Add(u"/m/a.mp3");
  list.Add(u"/m/b.mp3");
  EXPECT_EQ(combo.count(), 2);
  combo.SetItemIndex(1);
  list.BeginUpdate();
  for (int i = 0; i < 1000; ++i) list.Add(u"/m/x" + U16(std::to_string(i)) + u".mp3");
  list.EndUpdate();
  EXPECT_EQ(combo.count(), 1002);
  EXPECT_EQ(combo.ItemIndex(), 1);
  EXPECT_EQ(combo.currentText(), QStringLiteral("2: b.mp3"));
  model->SetShowFolder(true);
  EXPECT_EQ(model->ItemText(1001), QStringLiteral("1002: /m/x999.mp3"));
  list.Delete(0);
  EXPECT_EQ(combo.count(), 1001);
  EXPECT_EQ(combo.currentText(), QStringLiteral("1: /m/b.mp3"));
  combo.SetItemIndex(5000);
  EXPECT_EQ(combo.ItemIndex(), -1);
  list.Clear();
  EXPECT_EQ(combo.count(), 0);
  EXPECT_EQ(model->ItemText(0), QString());
}

// The time display always ends with a blank; the hint is the time plus "秒".
TEST(TimeText, DisplayAndHint) {
  EXPECT_EQ(TimeDisplayText(false, 65.4, 3723.2, 65, 3723), QStringLiteral("1:05/1:02:03 "));
  EXPECT_EQ(TimeDisplayText(true, 0.25, 65.5, 0, 66), QStringLiteral("0.250/1:05.500 "));
  EXPECT_EQ(SecondsHint(185), QStringLiteral("3:05秒"));
}

// A mouse x maps to the minimum before the channel's usable start, to the maximum after
// its end, and in between to the value whose thumb Qt centres on that x.
TEST(TrackBar, ValueAtX) {
  App();
  TMyTrackBar bar;
  bar.resize(300, 24);
  bar.setRange(100, 200);
  const QRect channel = bar.ChannelRect();
  EXPECT_EQ(bar.ValueAtX(channel.left()), 100);
  EXPECT_EQ(bar.ValueAtX(channel.right()), 200);
  const double pixel = 100.0 / (channel.width() - bar.ThumbRect().width());
  for (int value : {125, 150, 175}) {
    bar.setValue(value);
    EXPECT_NEAR(bar.ValueAtX(bar.ThumbRect().center().x()), value, 2 * pixel) << value;
  }
  bar.setRange(0, 0);
  EXPECT_EQ(bar.ValueAtX(channel.center().x()), 0);
}

// The properties window lists the file's facts, and says when the file is missing.
TEST(PropertiesWindow, FactsAndMissingFile) {
  App();
  QTemporaryDir dir;
  const QString file = dir.path() + QStringLiteral("/song.mp3");
  Touch(file);
  TApp_MivaroProperties shown(W(file));
  bool has_name = false;
  bool has_size = false;
  for (const auto& [label, value] : shown.Rows()) {
    if (label == QStringLiteral("名前")) has_name = value == QStringLiteral("song.mp3");
    if (label == QStringLiteral("サイズ")) has_size = value.contains(QStringLiteral("1 バイト"));
  }
  EXPECT_TRUE(has_name);
  EXPECT_TRUE(has_size);
  TApp_MivaroProperties missing(W(dir.path() + QStringLiteral("/gone.mp3")));
  bool says_missing = false;
  for (const auto& [label, value] : missing.Rows())
    says_missing |= value == QStringLiteral("ファイルが見つかりません");
  EXPECT_TRUE(says_missing);
}

class MainWindowParts : public ::testing::Test, public TMainWindowFixture {};

// Empty window: nothing that needs entries or media is enabled; commands that later
// windows bring stay disabled even with entries.
TEST_F(MainWindowParts, ActionStates) {
  Start({});
  for (QAction* a : {window->Action_Play_Back, window->Action_Play_Next, window->Action_List_Clear,
                     window->Action_List_Copy, window->Action_File_SaveAs, window->Action_List_Del,
                     window->Action_File_Property, window->Action_Play_PlayPause,
                     window->Action_Play_SkipNext})
    EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
  EXPECT_EQ(window->windowTitle(), QStringLiteral("Mivaro"));
  EXPECT_EQ(window->ProgressCaption(), QString());
  Touch(Media(QStringLiteral("a.mp4")));
  window->AddFiles({W(Media(QStringLiteral("a.mp4")))});
  for (QAction* a : {window->Action_Play_Back, window->Action_Play_Next, window->Action_List_Clear,
                     window->Action_List_Copy, window->Action_File_SaveAs, window->Action_List_Del,
                     window->Action_File_Property, window->Action_Play_PlayPause,
                     window->Action_Play_SkipNext, window->Action_List_Edit,
                     window->Action_Zoom_Capture})
    EXPECT_TRUE(a->isEnabled()) << a->objectName().toStdString();
  // The file commands are part of the window: with an entry they are offered.
  for (QAction* a : {window->Action_Sort_Name, window->Action_FileCmd})
    EXPECT_TRUE(a->isEnabled()) << a->objectName().toStdString();
  // With media open the caption is the file name; while adding, the progress caption
  // falls back to it until a path was reported.
  EXPECT_EQ(window->windowTitle(), QStringLiteral("a.mp4"));
  EXPECT_EQ(window->ProgressCaption(), QStringLiteral("a.mp4"));
  // The menus are built from the actions.
  EXPECT_TRUE(window->PopupMenu_Main->actions().contains(window->Action_File_Exit));
  EXPECT_EQ(window->PopupMenu_PlayRate->actions().size(), 11);
  EXPECT_TRUE(window->Action_PlayRates[5]->isChecked());
  EXPECT_EQ(window->Action_PlayRates[5]->text(), QStringLiteral("1.0"));
}

// An attached part's commands follow their state rules; taken away, they go off again.
TEST_F(MainWindowParts, AttachedPartsEnableTheirCommands) {
  Start({});
  struct Files : TMyFileCommandLink {} files;
  struct Screens : TMyScreenModeLink {
    void VideoSizeChanged() override {}
  } screens;
  window->links.file_commands = &files;
  window->links.screen_modes = &screens;
  window->UpdateActionStates();
  EXPECT_FALSE(window->Action_Sort_Name->isEnabled());  // the list is empty
  EXPECT_TRUE(window->Action_Zoom_FullScreen->isEnabled());
  Touch(Media(QStringLiteral("a.mp4")));
  window->AddFiles({W(Media(QStringLiteral("a.mp4")))});
  for (QAction* a : {window->Action_Sort_Name, window->Action_FileCmd_Rename, window->Action_Zoom_100})
    EXPECT_TRUE(a->isEnabled()) << a->objectName().toStdString();
  window->links.file_commands = nullptr;
  window->links.screen_modes = nullptr;
  window->UpdateActionStates();
  EXPECT_FALSE(window->Action_Sort_Name->isEnabled());
  // The video frame is always part of the window: its full-screen modes stay offered.
  EXPECT_TRUE(window->Action_Zoom_FullScreen->isEnabled());
}

}  // namespace
}  // namespace mivaro::test
