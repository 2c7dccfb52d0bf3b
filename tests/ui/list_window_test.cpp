// The playlist window over the main window's list: the shared model and the search keys,
// the rows and menus, copy and remove, the information area, history and bounds.
#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QCursor>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QScreen>
#include <QTableWidget>
#include <QToolBar>
#include <QTest>
#include <atomic>
#include <chrono>
#include <thread>

#include "core/wstrings.h"
#include "mainwin_test_util.h"
#include "ui/list/app_mivaro_list.h"
#include "ui/main/playlist_combo.h"
#include "ui/sendto/send_to.h"

namespace mivaro::test {
namespace {

class ListWindow : public ::testing::Test, public TMainWindowFixture {
 protected:
  TApp_MivaroList* List() { return window->findChild<TApp_MivaroList*>(); }
  // The window shown over the given entries (none playing).
  TApp_MivaroList* ShowOver(std::initializer_list<const char16_t*> paths) {
    Open({});
    for (const char16_t* p : paths) window->Playlist().Add(p);
    window->UpdateActionStates();
    window->Action_List_Edit->trigger();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(List()));
    return List();
  }
  void Select(TApp_MivaroList* list, std::initializer_list<int> rows) {
    list->ListBox_PlayList->selectionModel()->clear();
    for (int r : rows)
      list->ListBox_PlayList->selectionModel()->select(window->PlaylistModel->index(r, 0),
                                                        QItemSelectionModel::Select);
  }
  // Captions of a menu in order, "-" for a separator.
  static QStringList Captions(QMenu* menu) {
    QStringList out;
    for (QAction* a : menu->actions()) out << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return out;
  }
};

TEST_F(ListWindow, ShowsTheMainListAndSearchesWithoutWrapping) {
  auto* list = ShowOver({u"/m/one.mp3", u"/m/ＡＢＣ.mp3", u"/m/two.mp3", u"/m/abc/カナ.mp3"});
  int beeps = 0;
  list->Beep = [&beeps] { ++beeps; };
  EXPECT_EQ(list->ListBox_PlayList->model(), static_cast<QAbstractItemModel*>(window->PlaylistModel));  // no copy of the list
  EXPECT_EQ(list->ListBox_PlayList->model()->rowCount(), 4);

  list->Edit_Find->setFocus();
  QTest::keyClicks(list->Edit_Find, QStringLiteral("abc"));
  QTest::keyClick(list->Edit_Find, Qt::Key_Down);
  EXPECT_EQ(list->ListBox_PlayList->currentIndex().row(), 1);  // full-width ＡＢＣ
  QTest::keyClick(list->Edit_Find, Qt::Key_Down);
  EXPECT_EQ(list->ListBox_PlayList->currentIndex().row(), 3);
  EXPECT_EQ(beeps, 0);
  QTest::keyClick(list->Edit_Find, Qt::Key_Down);  // beeps, keeps the last row
  EXPECT_EQ(list->ListBox_PlayList->currentIndex().row(), 3);
  EXPECT_EQ(beeps, 1);

  list->Edit_Find->setText(QStringLiteral("かな"));
  QTest::keyClick(list->Edit_Find, Qt::Key_Up);
  EXPECT_EQ(list->ListBox_PlayList->currentIndex().row(), 3);  // only the row itself matches
  // The list changed: the cached forms are made again.
  window->Playlist().Insert(0, u"/m/かな.mp3");
  list->ListBox_PlayList->setCurrentIndex(window->PlaylistModel->index(4, 0));
  QTest::keyClick(list->Edit_Find, Qt::Key_Up);
  EXPECT_EQ(list->ListBox_PlayList->currentIndex().row(), 0);
  EXPECT_EQ(list->FindHistory().entries().size(), 2u);

  // Blanks only: the search commands are off and nothing enters the history.
  list->Edit_Find->setText(QStringLiteral("   "));
  EXPECT_FALSE(list->Action_Find_Down->isEnabled());
  QTest::keyClick(list->Edit_Find, Qt::Key_Down);
  EXPECT_EQ(list->FindHistory().entries().size(), 2u);
  EXPECT_EQ(beeps, 2);
}

TEST_F(ListWindow, RowsMenusAndTheFolderToggle) {
  auto* list = ShowOver({u"/m/a.mp3", u"/m/b.mp3", u"/m/song.mp3"});
  EXPECT_EQ(list->RowText(2), QStringLiteral("3: song.mp3"));
  list->Action_List_FolderName->trigger();
  EXPECT_EQ(list->RowText(2), QStringLiteral("3: /m/song.mp3"));
  // The main window's combo box keeps its own setting.
  EXPECT_EQ(window->PlaylistModel->ItemText(2), QStringLiteral("3: song.mp3"));

  EXPECT_EQ(Captions(list->PopupMenu_Playlist),
            (QStringList{"再生(&P)", "再生中のファイルへ移動(&G)", "-", window->Action_Sort->text(), "-",
                         "リストの選択範囲をコピー(&C)", "リストから削除(&D)",
                         window->Action_List_Clear->text(), "すべて選択(&A)", "-",
                         "ファイル操作(&C)", "送る(&N)", "-", "プロパティ(&R)"}));
  EXPECT_EQ(Captions(list->PopupMenu_Edit),
            (QStringList{"元に戻す(&U)", "やり直し(&R)", "-", "切り取り(&T)", "コピー(&C)",
                         "貼り付け(&P)", "削除(&D)", "-", "すべて選択(&A)", "-", "下方検索(&D)",
                         "上方検索(&U)"}));
  EXPECT_EQ(list->Action_Edit_Undo->toolTip(), QStringLiteral("元に戻す"));
  // With a selection the per-file commands run through the main window's.
  Select(list, {0});
  list->UpdateActionStates();
  EXPECT_TRUE(list->Action_List_Del->isEnabled());
  EXPECT_TRUE(list->Action_FileCmd_Rename->isEnabled());
  EXPECT_TRUE(list->Action_FileCmd_Trash->isEnabled());
}

TEST_F(ListWindow, CopiesTheWholeListOrTheSelectedPaths) {
  auto* list = ShowOver({u"/m/a.mp3", u"/m/b b.mp3", u"/m/日本.mp3"});
  list->ListBox_PlayList->selectAll();
  list->Action_List_Copy->trigger();
  EXPECT_EQ(QGuiApplication::clipboard()->text(),
            QStringLiteral("/m/a.mp3\r\n/m/b b.mp3\r\n/m/日本.mp3\r\n"));
  Select(list, {2, 0});
  list->Action_List_Copy->trigger();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("/m/a.mp3\r\n/m/日本.mp3\r\n"));
  // The Send-To sub-menu hands over the same selection when it opens.
  auto* send_to = list->findChild<TMySendTo*>();
  ASSERT_NE(send_to, nullptr);
  emit list->MenuItem_SendTo->aboutToShow();
  EXPECT_EQ(send_to->Targets(), (std::vector<WString>{u"/m/a.mp3", u"/m/日本.mp3"}));
}

TEST_F(ListWindow, RemovesSelectedEntriesKeepingOrReplacingThePlayingOne) {
  for (const char* name : {"a.mp4", "b.mp4", "c.mp4", "d.mp4", "e.mp4"}) Touch(Media(QString::fromLatin1(name)));
  Start({W(Media(QString()))});
  window->PlayIndex(2);  // c plays
  window->Action_List_Edit->trigger();
  auto* list = List();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(list));

  answer = kIdNo;
  Select(list, {0});
  list->Action_List_Del->trigger();
  EXPECT_EQ(Entries().size(), 5u);

  answer = kIdYes;
  list->Action_List_Del->trigger();  // a, above the playing entry
  ASSERT_EQ(Entries().size(), 4u);
  EXPECT_EQ(window->ItemIndex(), 1);
  EXPECT_EQ(Playing(), W(Media(QStringLiteral("c.mp4"))));
  EXPECT_EQ(messages.back(), u"選択ファイルをリストから削除しますか");

  Select(list, {0, 1});  // b and the playing c: d takes c's place and plays
  list->Action_List_Del->trigger();
  ASSERT_EQ(Entries().size(), 2u);
  EXPECT_EQ(Playing(), W(Media(QStringLiteral("d.mp4"))));
  EXPECT_EQ(window->ItemIndex(), 0);
  EXPECT_FALSE(list->ListBox_PlayList->selectionModel()->hasSelection());

  list->ListBox_PlayList->selectAll();
  list->Action_List_Del->trigger();
  EXPECT_TRUE(Entries().empty());
  EXPECT_TRUE(Playing().empty());
}

// An ID3v2.3 tag with the given text frames (ISO-8859-1) and a few bytes of body.
QByteArray Id3(std::initializer_list<std::pair<const char*, const char*>> frames) {
  QByteArray body;
  for (const auto& [id, text] : frames) {
    const QByteArray value = QByteArray(1, '\0') + QByteArray(text);
    body += QByteArray(id, 4);
    for (int shift : {24, 16, 8, 0}) body += static_cast<char>((value.size() >> shift) & 0xFF);
    body += QByteArray(2, '\0');
    body += value;
  }
  QByteArray tag("ID3\x03\x00\x00", 6);
  for (int shift : {21, 14, 7, 0}) tag += static_cast<char>((body.size() >> shift) & 0x7F);
  return tag + body + QByteArray(64, '\0');
}

TEST_F(ListWindow, InformationAreaShowsTagsThenFactsForTheLastClickedRowOnly) {
  const QString slow = Media(QStringLiteral("slow.mp3"));
  const QString song = Media(QStringLiteral("song.mp3"));
  const QString gone = Media(QStringLiteral("gone.mp3"));
  for (const QString& f : {slow, song, gone}) Touch(f);
  QFile file(song);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(Id3({{"TIT2", "Song Title"}, {"TPE1", "Singer"}, {"TOPE", "First Singer"}, {"TALB", "Record"}}));
  file.close();
  Open({});
  for (const QString& f : {slow, song, gone}) window->Playlist().Add(W(f));
  auto* list = List();
  list->FetchCalls.readTag = [slow](WStringView path) {
    if (WString(path) == W(slow)) std::this_thread::sleep_for(std::chrono::milliseconds(300));
    return std::make_unique<TMyTag>(path);
  };
  list->FetchCalls.readMedia = [](TMyTag& tag) {
    tag.Duration = 61.4;
    tag.DurationSeconds = 62;
    tag.VideoWidth = 640;
    tag.VideoHeight = 360;
    tag.FrameRate = 29.97;
  };
  list->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(list));

  list->SelectOnly(0);  // slow: its results come after the next click and are dropped
  list->SelectOnly(1);
  QTRY_COMPARE(list->InfoText(3).isEmpty(), false);
  EXPECT_EQ(list->InfoText(0), QStringLiteral("Song Title"));
  EXPECT_EQ(list->InfoText(1), QStringLiteral("Singer//First Singer"));
  EXPECT_EQ(list->InfoText(2), QStringLiteral("Record"));
  EXPECT_TRUE(list->InfoText(3).contains(QStringLiteral(" 1:02秒 (")));
  EXPECT_TRUE(list->InfoText(3).endsWith(QStringLiteral(") 640x360 29.97fps")));
  QTest::qWait(400);
  EXPECT_EQ(list->InfoText(0), QStringLiteral("Song Title"));

  ASSERT_TRUE(QFile::remove(gone));
  list->SelectOnly(2);
  QTRY_COMPARE(list->InfoText(3), QStringLiteral("ファイルが存在しません"));
  EXPECT_EQ(list->InfoText(0), QStringLiteral("gone"));  // no title: the file name

  // The program closes while a job reads: the windows go only after it has ended.
  auto started = std::make_shared<std::atomic<bool>>(false);
  auto done = std::make_shared<std::atomic<bool>>(false);
  list->FetchCalls.readTag = [started, done](WStringView path) {
    started->store(true);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    done->store(true);
    return std::make_unique<TMyTag>(path);
  };
  list->SelectOnly(0);
  QTRY_VERIFY(started->load());
  window.reset();
  EXPECT_TRUE(done->load());
}

TEST_F(ListWindow, HistoryFolderToggleAndBoundsSurviveARestart) {
  auto* list = ShowOver({u"/m/a.mp3"});
  list->Beep = [] {};
  for (int i = 1; i <= 11; ++i) {
    list->Edit_Find->setText(QStringLiteral("t%1").arg(i));
    list->Action_Find_Down->trigger();
  }
  list->Edit_Find->setText(QStringLiteral("T11"));  // equal after normalisation: no new entry
  list->Action_Find_Down->trigger();
  list->Edit_Find->setText(QStringLiteral("曲🎵한글"));
  list->Action_Find_Down->trigger();
  ASSERT_EQ(list->FindHistory().entries().size(), 10u);
  EXPECT_EQ(list->FindHistory().entries()[0], u"曲🎵한글");
  EXPECT_EQ(list->FindHistory().entries()[1], u"t11");
  EXPECT_EQ(list->FindHistory().entries()[9], u"t3");
  list->Action_List_FolderName->setChecked(true);
  list->setGeometry(100, 120, 420, 500);
  const QRect bounds = list->geometry();
  CloseWindow();

  const QString ini = ReadAll(home.path() + QStringLiteral("/home/mivaro.ini"));
  EXPECT_TRUE(ini.contains(QStringLiteral("App_MivaroList_Left=")));
  EXPECT_TRUE(ini.contains(QStringLiteral("[FindHistory]")));
  Open({});
  list = List();
  ASSERT_EQ(list->FindHistory().entries().size(), 10u);
  EXPECT_EQ(list->FindHistory().entries()[0], u"曲🎵한글");
  EXPECT_EQ(list->FindHistory().entries()[9], u"t3");
  EXPECT_EQ(list->PopupMenu_FindHistory->actions().size(), 10);
  EXPECT_TRUE(list->Action_List_FolderName->isChecked());
  EXPECT_EQ(list->geometry(), bounds);
}

TEST_F(ListWindow, NewWindowShowsTheSearchBoxAndTheWholeValueColumn) {
  auto* list = ShowOver({u"/m/one.mp3"});
  // Nothing of the tool bar sits behind its overflow button, the search box least of all.
  EXPECT_TRUE(list->Panel_Find->isVisible());
  EXPECT_TRUE(list->Panel_Find->geometry().right() < list->ToolBar_PlayList->width());
  // The value column reaches the grid's right edge, now and after a resize.
  const auto right = [list] { return list->Grid_Info->columnWidth(0) + list->Grid_Info->columnWidth(1); };
  EXPECT_EQ(right(), list->Grid_Info->viewport()->width());
  list->resize(list->width() + 120, list->height());
  QTest::qWait(50);
  EXPECT_EQ(right(), list->Grid_Info->viewport()->width());
  EXPECT_GT(list->Grid_Info->columnWidth(1), 300);
}

TEST_F(ListWindow, OpensCentredUnderTheCursorAndPassesMediaKeys) {
  QScreen* screen = QGuiApplication::primaryScreen();
  QCursor::setPos(screen->geometry().center());
  for (const char* name : {"a.mp4", "b.mp4"}) Touch(Media(QString::fromLatin1(name)));
  Start({W(Media(QString()))});
  auto* list = List();
  const QRect area = screen->availableGeometry();
  EXPECT_EQ(list->x(), area.left() + (area.width() - list->width()) / 2);
  EXPECT_EQ(list->y(), area.top() + (area.height() - list->height()) / 2);

  window->Action_List_Edit->trigger();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(list));
  EXPECT_EQ(Playing(), W(Media(QStringLiteral("a.mp4"))));
  QTest::keyClick(list->ListBox_PlayList, Qt::Key_MediaNext);
  EXPECT_EQ(Playing(), W(Media(QStringLiteral("b.mp4"))));
}

}  // namespace
}  // namespace mivaro::test
