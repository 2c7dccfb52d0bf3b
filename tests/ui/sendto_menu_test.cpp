// The Send-To sub-menu on a folder of its own: the fixed commands and the entries, the
// folder watcher, starting an entry with the targets, and the dialogs shared by every
// instance.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QSignalSpy>
#include <sys/stat.h>

#include "mainwin_test_util.h"
#include "settings/ini_file.h"
#include "ui/sendto/send_to.h"

namespace mivaro::test {
namespace {

void Write(const QString& path, const QByteArray& text, bool executable = false) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(text);
  f.close();
  if (executable) chmod(path.toLocal8Bit().constData(), 0755);
}

class SendToMenu : public ::testing::Test {
 protected:
  SendToMenu() {
    base = dir.path() + QStringLiteral("/base");
    host.setObjectName(QStringLiteral("MenuItem_PSendTo"));
    SetMessageHook([this](WStringView text, MessageKind) {
      messages.emplace_back(text);
      return kIdOk;
    });
  }
  ~SendToMenu() override { SetMessageHook(nullptr); }

  // The captions after the fixed commands.
  QStringList EntryCaptions() const {
    QStringList out;
    const QList<QAction*> items = host.actions();
    for (qsizetype i = 5; i < items.size(); ++i) out << items[i]->text();
    return out;
  }

  QApplication* app = App();  // before the menu
  QTemporaryDir dir;
  QString base;
  QMenu host;
  std::vector<WString> messages;
};

TEST_F(SendToMenu, FixedCommandsThenEntriesFollowingTheFolder) {
  TMySendTo send_to(nullptr, W(base));
  EXPECT_TRUE(QFileInfo(base + QStringLiteral("/SendTo")).isDir());
  EXPECT_TRUE(send_to.Watching());
  Write(base + QStringLiteral("/SendTo/b10.sh"), "echo\n");
  Write(base + QStringLiteral("/SendTo/b9.desktop"),
        "[Desktop Entry]\nType=Application\nName=B\nExec=true %F\nIcon=image-x-generic\n");
  int changes = 0;
  send_to.OnChange = [&](TMySendTo*) { ++changes; };
  send_to.AttachMenu(&host);
  send_to.Refresh();
  const QList<QAction*> items = host.actions();
  ASSERT_EQ(items.size(), 7);
  EXPECT_EQ(items[0]->text(), QStringLiteral("ファイルのフォルダを開く(&F)"));
  EXPECT_EQ(items[1]->text(), QStringLiteral("プログラムから開く(&H)..."));
  EXPECT_EQ(items[2]->text(), QStringLiteral("プログラムを登録(&R)..."));
  EXPECT_EQ(items[3]->text(), QStringLiteral("「送る」フォルダを開く(&S)"));
  EXPECT_TRUE(items[4]->isSeparator());
  EXPECT_EQ(EntryCaptions(), (QStringList{QStringLiteral("b9.desktop"), QStringLiteral("b10.sh")}));
  EXPECT_EQ(items[5]->objectName(), QStringLiteral("__MenuItem_PSendTo_0"));
  EXPECT_EQ(items[6]->statusTip(), base + QStringLiteral("/SendTo/b10.sh"));
  EXPECT_FALSE(items[5]->icon().isNull());
  EXPECT_EQ(changes, 1);

  // Without a target only the folder command is off.
  EXPECT_FALSE(send_to.Action_SendToOpenFileFolder->isEnabled());
  EXPECT_TRUE(send_to.Action_SendToRegistProgram->isEnabled());
  send_to.SetTarget(u"/m/a b.mp3");
  EXPECT_TRUE(send_to.Action_SendToOpenFileFolder->isEnabled());
  EXPECT_EQ(send_to.TargetsText(), u"\"/m/a b.mp3\"");

  // A launcher added from outside appears within a second.
  Write(base + QStringLiteral("/SendTo/a.desktop"), "[Desktop Entry]\nType=Application\nName=A\nExec=true\n");
  QTRY_COMPARE_WITH_TIMEOUT(EntryCaptions().size(), 3, 1000);
  EXPECT_EQ(EntryCaptions().first(), QStringLiteral("a.desktop"));

  // Hundreds of files written at once give one rebuild, not one per file; a launcher
  // added and removed at once leaves nothing behind.
  changes = 0;
  for (int i = 0; i < 500; ++i) Write(base + QStringLiteral("/SendTo/many%1").arg(i), "x");
  Write(base + QStringLiteral("/SendTo/brief.desktop"), "x");
  QFile::remove(base + QStringLiteral("/SendTo/brief.desktop"));
  QTRY_COMPARE_WITH_TIMEOUT(EntryCaptions().size(), 503, 3000);
  QTest::qWait(400);
  EXPECT_LE(changes, 2);
  EXPECT_FALSE(EntryCaptions().contains(QStringLiteral("brief.desktop")));
}

TEST_F(SendToMenu, EntryStartsItsProgramWithTheTargets) {
  TMySendTo send_to(nullptr, W(base));
  const QString out = dir.path() + QStringLiteral("/out");
  Write(base + QStringLiteral("/SendTo/rec"),
        "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + out.toUtf8() + ".part'; mv '" + out.toUtf8() +
            ".part' '" + out.toUtf8() + "'\n",
        true);
  send_to.AttachMenu(&host, [] { return std::vector<WString>{u"/m/a b.mp3", u"/m/c.mp3"}; });
  send_to.Refresh();
  ASSERT_EQ(host.actions().size(), 6);
  // The provider gives the targets when the menu opens.
  emit host.aboutToShow();
  host.actions().last()->trigger();
  QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(out), 5000);
  EXPECT_EQ(ReadAll(out), QStringLiteral("/m/a b.mp3\n/m/c.mp3\n"));
}

TEST_F(SendToMenu, DialogsShareTheirFolderAndRegisterPrograms) {
  TMySendTo a(nullptr, W(base));
  TMySendTo b(nullptr, W(base));
  a.AttachMenu(&host);
  a.Refresh();
  EXPECT_EQ(a.Dialog_SendToSelect.title, QStringLiteral("プログラムの選択"));
  EXPECT_TRUE(a.Dialog_SendToSelect.filter.startsWith(QStringLiteral("プログラム")));
  const QString tools = dir.path() + QStringLiteral("/tools");
  Write(tools + QStringLiteral("/viewer"), "#!/bin/sh\n", true);
  Write(tools + QStringLiteral("/readme.txt"), "x");
  a.ExecuteDialog = [&](TMySendToDialog& d, bool multiple) {
    d.filter_index = 3;
    if (!multiple) return std::vector<WString>{W(tools + QStringLiteral("/viewer"))};
    return std::vector<WString>{W(tools + QStringLiteral("/viewer")),
                                W(tools + QStringLiteral("/readme.txt"))};
  };
  a.OpenWithProgram(a.Action_SendToSelectProgram);
  EXPECT_EQ(b.Dialog_SendToSelect.initial_dir, W(tools + QStringLiteral("/")));
  EXPECT_EQ(b.Dialog_SendToSelect.filter_index, 3);
  EXPECT_NE(b.Dialog_SendToRegist.initial_dir, W(tools + QStringLiteral("/")));

  // Registering writes a launcher for the program, not for the text file; the watcher
  // brings it into the menu.
  a.RegisterPrograms(a.Action_SendToRegistProgram);
  EXPECT_EQ(b.Dialog_SendToRegist.initial_dir, W(tools + QStringLiteral("/")));
  QTRY_COMPARE_WITH_TIMEOUT(EntryCaptions(), QStringList{QStringLiteral("viewer.desktop")}, 1000);
  EXPECT_TRUE(messages.empty());

  // The folders are kept in "SendToDialog".
  TMyIniFile ini(W(dir.path() + QStringLiteral("/t.ini")));
  a.SaveSettings(ini);
  EXPECT_EQ(ini.ReadString(u"SendToDialog", u"RegistProgram", u""), W(tools + QStringLiteral("/")));
  b.Dialog_SendToSelect.initial_dir.clear();
  b.LoadSettings(ini);
  EXPECT_EQ(b.Dialog_SendToSelect.initial_dir, W(tools + QStringLiteral("/")));
}

TEST_F(SendToMenu, MissingFolderIsSaidAndUncreatableFolderLeavesFixedCommands) {
  // A file where the folder should be: it cannot be created.
  Write(base, "not a folder");
  TMySendTo send_to(nullptr, W(base));
  EXPECT_FALSE(send_to.Watching());
  send_to.AttachMenu(&host);
  send_to.Refresh();
  EXPECT_EQ(host.actions().size(), 5);
  EXPECT_FALSE(send_to.Action_SendToRegistProgram->isEnabled());
  EXPECT_FALSE(send_to.Action_SendToOpenSendToFolder->isEnabled());
  std::vector<WString> opened;
  send_to.OpenFolder = [&](WStringView f) { opened.emplace_back(f); };
  send_to.SetTargets({u"/no/such/dir/a.mp3", W(dir.path() + QStringLiteral("/x.mp3"))});
  send_to.OpenTargetFolders(send_to.Action_SendToOpenFileFolder);
  EXPECT_EQ(messages, std::vector<WString>{u"/no/such/dir/\rフォルダが存在しません"});
  EXPECT_EQ(opened, std::vector<WString>{W(dir.path() + QStringLiteral("/"))});
}

}  // namespace
}  // namespace mivaro::test
