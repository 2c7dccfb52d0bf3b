// The playlist window over the main window's list: the shared model and the search keys.
#include <gtest/gtest.h>

#include <QAction>
#include <QLineEdit>
#include <QListView>
#include <QTest>

#include "core/wstrings.h"
#include "mainwin_test_util.h"
#include "ui/list/app_mivaro_list.h"
#include "ui/main/playlist_combo.h"

namespace mivaro::test {
namespace {

class ListWindow : public ::testing::Test, public TMainWindowFixture {};

TEST_F(ListWindow, ShowsTheMainListAndSearchesWithoutWrapping) {
  Open({});
  for (const char16_t* p : {u"/m/one.mp3", u"/m/ＡＢＣ.mp3", u"/m/two.mp3", u"/m/abc/カナ.mp3"})
    window->Playlist().Add(p);
  window->UpdateActionStates();
  ASSERT_TRUE(window->Action_List_Edit->isEnabled());
  window->Action_List_Edit->trigger();
  auto* list = window->findChild<TApp_MivaroList*>();
  ASSERT_NE(list, nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(list));
  EXPECT_EQ(list->ListBox_Playlist->model(), static_cast<QAbstractItemModel*>(window->PlaylistModel));  // no copy of the list
  EXPECT_EQ(list->ListBox_Playlist->model()->rowCount(), 4);

  list->Edit_Find->setFocus();
  QTest::keyClicks(list->Edit_Find, QStringLiteral("abc"));
  QTest::keyClick(list->Edit_Find, Qt::Key_Down);
  EXPECT_EQ(list->ListBox_Playlist->currentIndex().row(), 1);  // full-width ＡＢＣ
  QTest::keyClick(list->Edit_Find, Qt::Key_Down);
  EXPECT_EQ(list->ListBox_Playlist->currentIndex().row(), 3);
  QTest::keyClick(list->Edit_Find, Qt::Key_Down);  // beeps, keeps the last row
  EXPECT_EQ(list->ListBox_Playlist->currentIndex().row(), 3);

  list->Edit_Find->setText(QStringLiteral("かな"));
  QTest::keyClick(list->Edit_Find, Qt::Key_Up);
  EXPECT_EQ(list->ListBox_Playlist->currentIndex().row(), 3);  // only the row itself matches
  // The list changed: the cached forms are made again.
  window->Playlist().Insert(0, u"/m/かな.mp3");
  list->ListBox_Playlist->setCurrentIndex(window->PlaylistModel->index(4, 0));
  QTest::keyClick(list->Edit_Find, Qt::Key_Up);
  EXPECT_EQ(list->ListBox_Playlist->currentIndex().row(), 0);
  EXPECT_EQ(list->FindHistory().entries().size(), 2u);
}

}  // namespace
}  // namespace mivaro::test
