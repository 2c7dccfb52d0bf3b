// The file commands through the real main and playlist windows, on real files: rename,
// move, copy and trash with their questions answered through the message seam and their
// dialogs through ExecuteDialog; the sorts and their caption marks.
#include <glib.h>
#include <gtest/gtest.h>
#include <sys/mount.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QItemSelectionModel>
#include <QListView>
#include <QProgressBar>
#include <cerrno>
#include <cstring>
#include <map>

#include "core/files.h"
#include "core/message_style.h"
#include "mainwin_test_util.h"
#include "ui/list/app_mivaro_list.h"
#include "ui/main/playlist_combo.h"

namespace mivaro::test {
namespace {

class MainFileCommands : public ::testing::Test, public TMainWindowFixture {
 protected:
  MainFileCommands() {
    // The trash of this test's own home (same file system as the media).
    setenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/data")).toLocal8Bit().constData(), 1);
    SetMessageHook([this](WStringView text, MessageKind kind) {
      messages.push_back(WString(text));
      captions.push_back(WString(CurrentMessageStyle().caption) +
                         (CurrentMessageStyle().default_no ? u" [No]" : u""));
      if (kind == MessageKind::Notice || kind == MessageKind::Error) return kIdOk;
      if (answers.empty()) return answer;
      const int a = answers.front();
      answers.erase(answers.begin());
      return a;
    });
  }
  ~MainFileCommands() override { unsetenv("XDG_DATA_HOME"); }

  // a.mp4, b.mp4, c.mp4 in media/, a plays.
  void StartAbc() {
    for (const char* name : {"a.mp4", "b.mp4", "c.mp4"}) Touch(Media(QString::fromLatin1(name)));
    Start({W(Media(QString()))});
    window->ExecuteDialog = [this](TMyDialogKind kind, TMyDialogState& state) {
      dialogs.push_back({kind, state.initial_dir});
      if (chosen.empty()) return false;
      state.file_name = chosen;
      return true;
    };
  }
  WString Name(const char* name) { return W(Media(QString::fromUtf8(name))); }
  TApp_MivaroList& List() { return *window->findChild<TApp_MivaroList*>(); }
  void Select(std::initializer_list<int> rows) {
    QItemSelectionModel* s = List().ListBox_PlayList->selectionModel();
    s->clear();
    for (int r : rows) s->select(window->PlaylistModel->index(r, 0), QItemSelectionModel::Select);
  }

  WString chosen;  // what the dialogs answer; empty: cancel
  std::vector<std::pair<TMyDialogKind, WString>> dialogs;
  std::vector<int> answers;  // answers of the next questions, then `answer`
  std::vector<WString> captions;  // caption of each message (empty: the product name), " [No]" when No is the default
};

// The playing file renamed in another letter case goes on at its second, without a question;
// the same name again only says so; a new extension asks first.
TEST_F(MainFileCommands, RenameThePlayingFile) {
  StartAbc();
  window->SeekTo(4.0);
  chosen = Name("A.mp4");
  window->Action_FileCmd_Rename->trigger();
  EXPECT_TRUE(messages.empty());
  EXPECT_TRUE(FileExists(Name("A.mp4")));
  EXPECT_EQ(Entries()[0], Name("A.mp4"));
  EXPECT_EQ(Playing(), Name("A.mp4"));
  EXPECT_NEAR(window->DShow_Player->Position(), 4.0, 0.5);
  EXPECT_EQ(window->DShow_Player->PlayState(), 3);  // running again, not left paused

  window->Action_FileCmd_Rename->trigger();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], Name("A.mp4") + u"\rファイル名が同じです");

  messages.clear();
  answer = kIdNo;
  chosen = Name("A.mkv");
  window->Action_FileCmd_Rename->trigger();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_TRUE(messages[0].starts_with(u".mp4 → .mkv\r\r拡張子を変更すると"));
  EXPECT_TRUE(FileExists(Name("A.mp4")));
  EXPECT_EQ(Playing(), Name("A.mp4"));
}

// Moving into the file's own folder is refused; moving the playing file to a folder that
// vanished since it was chosen makes the folder again and playback goes on there.
TEST_F(MainFileCommands, MoveThePlayingFile) {
  StartAbc();
  chosen = W(Media(QString()));
  window->Action_FileCmd_Move->trigger();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], chosen + u"\r同じフォルダを指定することはできません");

  messages.clear();
  const WString other = W(home.path() + QStringLiteral("/other/deeper"));
  ASSERT_TRUE(ForceFolders(other));
  window->Dialog_FileCmd_Move.initial_dir = other;
  ASSERT_TRUE(QDir(home.path() + QStringLiteral("/other")).removeRecursively());
  window->SeekTo(3.0);
  chosen = other;
  window->Action_FileCmd_Move->trigger();
  // The dialog started at the nearest folder that still existed.
  EXPECT_EQ(dialogs.back().second, W(home.path()));
  EXPECT_TRUE(messages.empty());
  const WString moved = other + u"/a.mp4";
  EXPECT_TRUE(FileExists(moved));
  EXPECT_FALSE(FileExists(Name("a.mp4")));
  EXPECT_EQ(Entries()[0], moved);
  EXPECT_EQ(Playing(), moved);
  EXPECT_NEAR(window->DShow_Player->Position(), 3.0, 0.5);
  EXPECT_EQ(window->Dialog_FileCmd_Move.initial_dir, other);
}

// A copy to another file system leaves playback and the list alone; a read-only target is
// asked about and replaced. A read-only file renamed is asked about and stays read-only.
TEST_F(MainFileCommands, CopyAcrossFileSystemsAndReadOnlyFiles) {
  StartAbc();
  { QFile f(Media(QStringLiteral("a.mp4"))); f.open(QIODevice::WriteOnly); f.write(QByteArray(3 << 20, 'v')); }
  QTemporaryDir shm(QStringLiteral("/dev/shm/mivaro-copy-XXXXXX"));
  ASSERT_TRUE(shm.isValid());
  const int graphs = graphs_made;
  chosen = W(shm.path());
  window->Action_FileCmd_Copy->trigger();
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(QFileInfo(shm.path() + QStringLiteral("/a.mp4")).size(), 3 << 20);
  EXPECT_EQ(graphs_made, graphs);
  EXPECT_EQ(Entries()[0], Name("a.mp4"));
  EXPECT_FALSE(window->ProgressBar_FileCmd->isVisible());

  const WString copy = chosen + u"/a.mp4";
  ASSERT_TRUE(SetReadOnlyFile(copy));
  window->Action_FileCmd_Copy->trigger();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], copy + u"\rコピー先のフォルダには既に同名のファイルが存在し、更に読み取り専用属性がついています\r上書きしますか");

  messages.clear();
  ASSERT_TRUE(SetReadOnlyFile(Name("b.mp4")));
  chosen = Name("e.mp4");
  Select({1});
  List().Action_FileCmd_Rename->trigger();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], u"名前を変更しようとしているファイル\r" + Name("b.mp4") +
                             u"\rには読み取り専用属性がついています。名前を変更しますか");
  EXPECT_TRUE(IsReadOnlyFile(Name("e.mp4")));
  EXPECT_EQ(Entries()[1], Name("e.mp4"));
}

// Trashing the last entry while it plays starts the first; a file already gone still leaves
// the list; the file itself lands in the trash, not deleted.
TEST_F(MainFileCommands, TrashTheLastEntryAndAMissingOne) {
  StartAbc();
  window->PlayIndex(2);
  window->Action_FileCmd_Trash->trigger();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], Name("c.mp4") + u"\rこのファイルをメディアから削除します\rよろしいですか");
  EXPECT_EQ(captions[0], u"ファイル削除 [No]");
  EXPECT_FALSE(FileExists(Name("c.mp4")));
  // GIO keeps the data folder it saw first in this process (this test's own when it runs
  // alone, as ctest runs it).
  EXPECT_TRUE(FileExists(W(QFile::decodeName(g_get_user_data_dir()) + QStringLiteral("/Trash/files/c.mp4"))));
  EXPECT_EQ(Entries(), (std::vector<WString>{Name("a.mp4"), Name("b.mp4")}));
  EXPECT_EQ(window->ItemIndex(), 0);
  EXPECT_EQ(Playing(), Name("a.mp4"));

  ASSERT_TRUE(QFile::remove(Media(QStringLiteral("b.mp4"))));
  Select({1});
  List().Action_FileCmd_Trash->trigger();
  EXPECT_EQ(captions.back(), u"ファイル削除 [No]");
  EXPECT_EQ(Entries(), std::vector<WString>{Name("a.mp4")});
  EXPECT_EQ(Playing(), Name("a.mp4"));
}

// A file system without a trash (GIO refuses tmpfs mounts): the file stays with its bytes,
// the list keeps it, playback goes on, and a notice says that nothing was deleted.
TEST_F(MainFileCommands, TrashOnAFileSystemWithoutATrashKeepsTheFile) {
  const QByteArray media = QFile::encodeName(Media(QString()));
  QDir().mkpath(Media(QString()));
  if (::mount("tmpfs", media.constData(), "tmpfs", 0, "size=1m") != 0)
    GTEST_SKIP() << "cannot mount a tmpfs here (" << std::strerror(errno) << ")";
  struct Unmount {
    QByteArray at;
    ~Unmount() { ::umount2(at.constData(), MNT_DETACH); }
  } unmount{media};
  StartAbc();
  window->PlayIndex(1);
  window->Action_FileCmd_Trash->trigger();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[1], Name("b.mp4") + u"\rをごみ箱へ移動できませんでした\rファイルは削除していません\r\r"
                                          u"このメディアにはごみ箱がありません");
  EXPECT_EQ(ReadAll(Media(QStringLiteral("b.mp4"))), QStringLiteral("x"));
  EXPECT_EQ(Entries().size(), 3u);
  EXPECT_EQ(window->ItemIndex(), 1);
  EXPECT_EQ(Playing(), Name("b.mp4"));
}

// Choosing the name sort twice sorts descending and marks it; another key takes the mark;
// the entry that plays stays current.
TEST_F(MainFileCommands, SortByNameTwiceShowsDescending) {
  for (const char* name : {"x/b10.mp4", "y/b9.mp4", "z/a.mp4"}) Touch(Media(QString::fromLatin1(name)));
  Start({W(Media(QString()))});
  ASSERT_EQ(Playing(), Name("x/b10.mp4"));
  window->Action_Sort_Name->trigger();
  EXPECT_EQ(Entries(), (std::vector<WString>{Name("z/a.mp4"), Name("y/b9.mp4"), Name("x/b10.mp4")}));
  EXPECT_EQ(window->Action_Sort_Name->text(), QStringLiteral("名前でソート(&N) ▲"));
  window->Action_Sort_Name->trigger();
  EXPECT_EQ(Entries(), (std::vector<WString>{Name("x/b10.mp4"), Name("y/b9.mp4"), Name("z/a.mp4")}));
  EXPECT_EQ(window->Action_Sort_Name->text(), QStringLiteral("名前でソート(&N) ▼"));
  window->Action_Sort_Path->trigger();
  EXPECT_EQ(window->Action_Sort_Name->text(), QStringLiteral("名前でソート(&N)"));
  EXPECT_EQ(window->Action_Sort_Path->text(), QStringLiteral("場所でソート(&P) ▲"));
  EXPECT_EQ(window->Playlist().Get(window->ItemIndex()), Name("x/b10.mp4"));
  EXPECT_TRUE(messages.empty());
}

// The playlist window moves its selection first to last into one folder and stops at a
// cancelled question; a rename of a selected file forgets the sort marks.
TEST_F(MainFileCommands, ListRunStopsOnCancel) {
  StartAbc();
  const WString target = W(home.path() + QStringLiteral("/target"));
  ASSERT_TRUE(ForceFolders(target));
  Touch(Q(target + u"/b.mp4"));
  window->Action_Sort_Name->trigger();
  chosen = target;
  answers = {kIdCancel};  // the overwrite question for b.mp4
  Select({1, 2});
  List().Action_FileCmd_Move->trigger();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], target + u"/b.mp4\r移動先のフォルダには既に同名のファイルが存在します\r上書きしますか");
  EXPECT_TRUE(FileExists(Name("b.mp4")));
  EXPECT_TRUE(FileExists(Name("c.mp4")));

  Select({2});
  chosen = Name("d.mp4");
  List().Action_FileCmd_Rename->trigger();
  EXPECT_EQ(Entries()[2], Name("d.mp4"));
  EXPECT_EQ(window->Action_Sort_Name->text(), QStringLiteral("名前でソート(&N)"));
}

}  // namespace
}  // namespace mivaro::test
