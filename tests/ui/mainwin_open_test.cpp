// Opening in the main window: AddFiles, drops, paste, save as, histories, the notices.
#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QMenu>

#include "core/wstrings.h"
#include "mainwin_test_util.h"
#include "ui/main/dialog_filters.h"

namespace mivaro::test {
namespace {

class MainWindowOpen : public ::testing::Test, public TMainWindowFixture {
 protected:
  WString Name(const char* name) { return W(Media(QString::fromUtf8(name))); }
};

// Adding to a list that plays starts the first of the new entries, not the first entry.
TEST_F(MainWindowOpen, AddingStartsFirstNewEntry) {
  for (const char* name : {"a.mp4", "b.mp4", "x/c.mp4", "x/d.mp4"}) Touch(Media(QString::fromLatin1(name)));
  Start({Name("a.mp4"), Name("b.mp4")});
  EXPECT_EQ(Playing(), Name("a.mp4"));
  window->AddFiles({Name("x")});
  EXPECT_EQ(window->Playlist().Count(), 4);
  EXPECT_EQ(window->ItemIndex(), 2);
  EXPECT_EQ(Playing(), Name("x/c.mp4"));
}

// A folder with nothing playable (only excluded extensions) gives the notice.
TEST_F(MainWindowOpen, FolderWithoutMediaGivesNotice) {
  Touch(Media(QStringLiteral("notes.txt")));
  Touch(Media(QStringLiteral("tool.exe")));
  Start({W(Media(QString()))});
  EXPECT_EQ(window->Playlist().Count(), 0);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], u"取得ファイルがありませんでした");
  EXPECT_EQ(window->windowTitle(), window->ProductName());
}

// A dropped folder lands in the folder history, a dropped file in the file history; names
// that do not exist are dropped silently.
TEST_F(MainWindowOpen, DropSortsIntoHistories) {
  Touch(Media(QStringLiteral("d/1.mp4")));
  Touch(Media(QStringLiteral("d/2.mp4")));
  Touch(Media(QStringLiteral("single.mp4")));
  Start({});
  window->DropFiles({Name("d"), Name("missing.mp4")});
  EXPECT_EQ(window->Playlist().Count(), 2);
  EXPECT_EQ(Playing(), Name("d/1.mp4"));
  window->DropFiles({Name("single.mp4")});
  EXPECT_EQ(window->Playlist().Count(), 3);
  EXPECT_EQ(window->HistoryPaths(window->PopupMenu_File_OpenFolder), std::vector<WString>{Name("d")});
  EXPECT_EQ(window->HistoryPaths(window->PopupMenu_File_OpenFile),
            std::vector<WString>{Name("single.mp4")});
  window->DropFiles({Name("nothing-here")});
  EXPECT_EQ(window->Playlist().Count(), 3);
  EXPECT_TRUE(messages.empty());
}

// Pasted lines become entries; text that holds no paths gives the notice.
TEST_F(MainWindowOpen, PasteAddsLines) {
  Touch(Media(QStringLiteral("p1.mp4")));
  Touch(Media(QStringLiteral("p2.mp4")));
  Start({});
  QGuiApplication::clipboard()->setText(Media(QStringLiteral("p1.mp4")) + QStringLiteral("\r\n\r\n") +
                                        Media(QStringLiteral("p2.mp4")) + QStringLiteral("\n"));
  window->Action_List_PasteExecute(window->Action_List_Paste);
  EXPECT_EQ(Entries(), (std::vector<WString>{Name("p1.mp4"), Name("p2.mp4")}));
  QGuiApplication::clipboard()->setText(QStringLiteral("hello world\nno paths here"));
  window->Action_List_PasteExecute(window->Action_List_Paste);
  EXPECT_EQ(window->Playlist().Count(), 2);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], u"取得ファイルがありませんでした");
}

// Copy puts one full path per line, each with CR LF.
TEST_F(MainWindowOpen, CopyPutsPathsOnClipboard) {
  Touch(Media(QStringLiteral("c1.mp4")));
  Touch(Media(QStringLiteral("c2.mp4")));
  Start({W(Media(QString()))});
  window->Action_List_Copy->trigger();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), Media(QStringLiteral("c1.mp4")) + QStringLiteral("\r\n") +
                                                      Media(QStringLiteral("c2.mp4")) + QStringLiteral("\r\n"));
  // With Ctrl the list also goes to the text file beside the program, which is opened.
  WString opened;
  window->OpenWithProgram = [&opened](WStringView path) { opened = WString(path); };
  keys = Qt::ControlModifier;
  window->Action_List_Copy->trigger();
  EXPECT_EQ(opened, TApp_Mivaro::ListTextFileName());
  QFile text(Q(opened));
  ASSERT_TRUE(text.open(QIODevice::ReadOnly));
  EXPECT_TRUE(text.readAll().startsWith("\xEF\xBB\xBF"));
}

// Save as writes the entries relative to the list's folder, UTF-8, CR LF, and appends
// ".m3u8" only when the name does not end in it (any case).
TEST_F(MainWindowOpen, SaveAsWritesRelativePaths) {
  Touch(Media(QStringLiteral("sub/song.mp4")));
  Touch(Media(QStringLiteral("top.mp4")));
  Start({Name("sub")});
  window->AddFiles({Name("top.mp4")});
  QString chosen = Media(QStringLiteral("list"));
  window->ExecuteDialog = [&chosen](TMyDialogKind kind, TMyDialogState& state) {
    EXPECT_EQ(kind, TMyDialogKind::Save);
    state.file_name = W(chosen);
    return true;
  };
  window->Action_File_SaveAs->trigger();
  EXPECT_EQ(ReadAll(Media(QStringLiteral("list.m3u8"))), QStringLiteral("sub/song.mp4\r\ntop.mp4\r\n"));
  chosen = Media(QStringLiteral("Other.M3U8"));
  window->Action_File_SaveAs->trigger();
  EXPECT_TRUE(QFile::exists(Media(QStringLiteral("Other.M3U8"))));
  EXPECT_FALSE(QFile::exists(Media(QStringLiteral("Other.M3U8.m3u8"))));
  // An existing file is overwritten only after Yes.
  answer = kIdNo;
  window->Playlist().Delete(0);
  window->Action_File_SaveAs->trigger();
  EXPECT_EQ(ReadAll(Media(QStringLiteral("Other.M3U8"))), QStringLiteral("sub/song.mp4\r\ntop.mp4\r\n"));
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ(messages.back(), W(Media(QStringLiteral("Other.M3U8"))) + u"\rは既に存在します。上書きしますか?");
}

// Histories keep 10 items, newest first, without duplicates ignoring case; a click opens.
TEST_F(MainWindowOpen, HistoryKeepsTenNewestFirst) {
  Open({});
  QMenu* menu = window->PopupMenu_File_OpenFile;
  for (int i = 0; i < 11; ++i) window->InsertHistory(menu, W(Media(QStringLiteral("f%1.mp4").arg(i))));
  std::vector<WString> paths = window->HistoryPaths(menu);
  ASSERT_EQ(paths.size(), 10u);
  EXPECT_EQ(paths.front(), W(Media(QStringLiteral("f10.mp4"))));
  EXPECT_EQ(paths.back(), W(Media(QStringLiteral("f1.mp4"))));
  window->InsertHistory(menu, W(Media(QStringLiteral("F5.MP4"))));
  paths = window->HistoryPaths(menu);
  EXPECT_EQ(paths.size(), 10u);
  EXPECT_EQ(paths.front(), W(Media(QStringLiteral("F5.MP4"))));
  EXPECT_EQ(std::count(paths.begin(), paths.end(), W(Media(QStringLiteral("f5.mp4")))), 0);

  Touch(Media(QStringLiteral("f3.mp4")));
  for (QAction* item : menu->actions()) {
    if (item->data().toString() == Media(QStringLiteral("f3.mp4"))) item->trigger();
  }
  EXPECT_EQ(Playing(), W(Media(QStringLiteral("f3.mp4"))));
  EXPECT_EQ(window->HistoryPaths(menu).front(), W(Media(QStringLiteral("f3.mp4"))));
}

// Opening a folder through its command (dialog answered by the test) adds it with its
// subfolders; "this folder only" leaves the subfolders out.
TEST_F(MainWindowOpen, FolderCommands) {
  Touch(Media(QStringLiteral("top/b.mp4")));
  Touch(Media(QStringLiteral("top/a.mp4")));
  Touch(Media(QStringLiteral("top/inner/c.mp4")));
  Start({});
  window->ExecuteDialog = [this](TMyDialogKind, TMyDialogState& state) {
    state.files = {W(Media(QStringLiteral("top")))};
    state.file_name = state.files.front();
    return true;
  };
  window->Action_File_OpenThisFolder->trigger();
  EXPECT_EQ(Entries(), (std::vector<WString>{Name("top/a.mp4"), Name("top/b.mp4")}));
  window->Action_File_OpenFolder->trigger();
  EXPECT_EQ(window->Playlist().Count(), 5);
  EXPECT_EQ(window->Dialog_File_OpenFolder.initial_dir, W(Media(QString())).substr(0, W(Media(QString())).size() - 1));
  EXPECT_EQ(window->HistoryPaths(window->PopupMenu_File_OpenThisFolder).front(), Name("top"));
}

TEST(DialogFilters, AllFilesShowNamesWithoutADot) {
  const QStringList f = QtFilters(QStringLiteral("動画 (*.mp4;*.avi)|*.mp4;*.avi|すべて (*.*)|*.*"));
  ASSERT_EQ(f.size(), 2);
  EXPECT_EQ(f[0], QStringLiteral("動画 (*.mp4 *.avi)"));
  EXPECT_EQ(f[1], QStringLiteral("すべて (*)"));
}

}  // namespace
}  // namespace mivaro::test
