#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "core/hooks.h"
#include "platform/os/desktop_launcher.h"
#include "platform/os/native_path.h"
#include "sendto/send_to_folder.h"
#include "sendto/send_to_register.h"

namespace mivaro {
namespace {

namespace fs = std::filesystem;

WString W(const std::string& s) { return os::FromNativeName(s); }

void WriteFile(const fs::path& p, const std::string& text, bool executable = false) {
  std::ofstream(p) << text;
  if (executable) chmod(p.c_str(), 0755);
}

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Waits up to five seconds for a file that another process writes.
std::string WaitForFile(const fs::path& p) {
  for (int i = 0; i < 100 && !fs::exists(p); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  return ReadFile(p);
}

class SendToFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    root = fs::temp_directory_path() / ("mivaro-sendto-" + std::to_string(getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root);
    folder = root / "base" / "SendTo";
    ASSERT_TRUE(EnsureSendToFolder(W(folder.string() + "/")));
    // A program that writes each of its arguments on a line of `out`.
    recorder = root / "record args";
    WriteFile(recorder, "#!/bin/sh\nout='" + (root / "out").string() + "'\n: > \"$out.part\"\n"
                        "for a in \"$@\"; do printf '%s\\n' \"$a\" >> \"$out.part\"; done\n"
                        "mv \"$out.part\" \"$out\"\n", true);
  }
  void TearDown() override {
    SetMessageHook(nullptr);
    fs::remove_all(root);
  }
  fs::path root, folder, recorder;
};

TEST_F(SendToFolder, CreatedWhenMissingAndListedInDigitOrder) {
  EXPECT_EQ(SendToFolderIn(u"/opt/x"), u"/opt/x/SendTo/");
  EXPECT_TRUE(fs::is_directory(folder));
  WriteFile(folder / "tool10.sh", "echo\n");
  WriteFile(folder / "tool9", "#!/bin/sh\n", true);
  WriteFile(folder / ".tool.swp", "junk");
  WriteFile(folder / "viewer.desktop",
            "[Desktop Entry]\nType=Application\nName=V\nExec=true %F\nIcon=image-x-generic\n");
  fs::create_symlink(recorder, folder / "link");
  WriteFile(folder / std::string("bad\xff.sh"), "echo\n");
  const std::vector<TMySendToEntry> entries = ListSendToEntries(W(folder.string()) + u"/");
  std::vector<WString> names;
  for (const TMySendToEntry& e : entries) names.push_back(e.caption);
  EXPECT_EQ(names, (std::vector<WString>{W("bad\xff.sh"), u"link", u"tool9", u"tool10.sh",
                                         u"viewer.desktop"}));
  EXPECT_EQ(entries.back().icon, u"image-x-generic");
  EXPECT_EQ(entries.back().path, W((folder / "viewer.desktop").string()));
  EXPECT_EQ(entries[1].icon, u"");
  EXPECT_TRUE(ListSendToEntries(W((root / "none").string())).empty());
}

TEST_F(SendToFolder, TargetsReachTheProgramOneArgumentEach) {
  const std::vector<WString> targets = {u"/m/a b.mp3", u"/m/say \"hi\".mp3", u"/m/plain.mp3",
                                        u"/m/end\\"};
  EXPECT_EQ(SendToParamsText(targets),
            u"\"/m/a b.mp3\" \"/m/say \"\"hi\"\".mp3\" /m/plain.mp3 /m/end\\");
  const std::string expected = "/m/a b.mp3\n/m/say \"hi\".mp3\n/m/plain.mp3\n/m/end\\\n";
  // The program itself, a link to it, and a launcher naming it.
  fs::create_symlink(recorder, folder / "rec-link");
  WriteFile(folder / "rec.desktop", "[Desktop Entry]\nType=Application\nName=R\nExec=\"" +
                                        recorder.string() + "\" %F\n");
  for (const fs::path& entry : {recorder, folder / "rec-link", folder / "rec.desktop"}) {
    fs::remove(root / "out");
    ASSERT_TRUE(StartSendToEntry(W(entry.string()), targets)) << entry;
    EXPECT_EQ(WaitForFile(root / "out"), expected) << entry;
  }
  // No targets: the program starts without arguments.
  fs::remove(root / "out");
  ASSERT_TRUE(StartSendToEntry(W(recorder.string()), {}));
  EXPECT_EQ(WaitForFile(root / "out"), "");
}

TEST_F(SendToFolder, ScriptWithoutExecuteBitRunsThroughSh) {
  WriteFile(folder / "s.sh", "printf '%s|' \"$@\" > \"" + (root / "out").string() + "\"\n");
  ASSERT_TRUE(StartSendToEntry(W((folder / "s.sh").string()), {u"x y", u"z"}));
  EXPECT_EQ(WaitForFile(root / "out"), "x y|z|");
}

TEST_F(SendToFolder, BrokenEntriesStartNothing) {
  WriteFile(folder / "gone.desktop",
            "[Desktop Entry]\nType=Application\nName=G\nExec=/no/such/program %F\n");
  WriteFile(folder / "empty.desktop", "[Desktop Entry]\nType=Application\nName=E\n");
  WriteFile(folder / "junk.desktop", "\x01\x02 not a key file");
  for (const char* name : {"gone.desktop", "empty.desktop", "junk.desktop", "missing"})
    EXPECT_FALSE(StartSendToEntry(W((folder / name).string()), {u"/m/a.mp3"})) << name;
  EXPECT_FALSE(StartSendToEntry(u"", {}));
}

TEST_F(SendToFolder, RegisteringTwiceAsksWithTheLaunchersDetails) {
  std::vector<WString> asked;
  int answer = kIdYes;
  SetMessageHook([&](WStringView text, MessageKind) {
    asked.emplace_back(text);
    return answer;
  });
  const WString send_to = W(folder.string());
  const WString program = W(recorder.string());
  const WString first = RegisterSendToFile(send_to, program, nullptr);
  EXPECT_EQ(first, W((folder / "record args.desktop").string()));
  EXPECT_TRUE(asked.empty());
  const os::TDesktopLauncher written = os::ReadDesktopLauncher(os::NativePath(first));
  EXPECT_TRUE(written.valid);
  EXPECT_EQ(written.target, recorder.string());
  EXPECT_EQ(written.arguments, "%F");
  EXPECT_EQ(written.path, root.string());

  // The second time the question shows the current launcher; No picks another name.
  answer = kIdNo;
  WString proposed;
  const WString other = RegisterSendToFile(send_to, program, [&](WString& dest) {
    proposed = dest;
    dest = send_to + u"/renamed";
    return true;
  });
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_NE(asked[0].find(u"既に\"record args.desktop\"と同名のショートカットが存在します"),
            WString::npos);
  EXPECT_NE(asked[0].find(u"リンク先:" + program + u"\r引数:%F\r作業フォルダ:" + W(root.string())),
            WString::npos);
  EXPECT_TRUE(asked[0].ends_with(u"[キャンセル]で中止します"));
  EXPECT_EQ(proposed, first);
  EXPECT_EQ(other, send_to + u"/renamed.desktop");
  EXPECT_TRUE(fs::exists(folder / "renamed.desktop"));

  // Cancel, and No followed by a cancelled dialog, write nothing.
  answer = kIdCancel;
  EXPECT_EQ(RegisterSendToFile(send_to, program, nullptr), u"");
  answer = kIdNo;
  EXPECT_EQ(RegisterSendToFile(send_to, program, [](WString&) { return false; }), u"");
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 2);
}

TEST_F(SendToFolder, OnlyProgramsScriptsAndLaunchersRegister) {
  std::vector<WString> asked;
  SetMessageHook([&](WStringView text, MessageKind) {
    asked.emplace_back(text);
    return kIdYes;
  });
  const WString send_to = W(folder.string());
  WriteFile(root / "notes.txt", "text");
  EXPECT_EQ(RegisterSendToFile(send_to, W((root / "notes.txt").string()), nullptr), u"");
  EXPECT_EQ(RegisterSendToFile(send_to, W((root / "nothing").string()), nullptr), u"");
  EXPECT_EQ(RegisterSendToFile(W((root / "no-folder").string()), W(recorder.string()), nullptr),
            u"");
  // A launcher is copied; the second time the question compares the two files.
  const std::string launcher = "[Desktop Entry]\nType=Application\nName=L\nExec=true\n";
  WriteFile(root / "l.desktop", launcher);
  EXPECT_EQ(RegisterSendToFile(send_to, W((root / "l.desktop").string()), nullptr),
            W((folder / "l.desktop").string()));
  EXPECT_EQ(ReadFile(folder / "l.desktop"), launcher);
  WriteFile(root / "l.desktop", launcher + "Comment=new\n");
  RegisterSendToFile(send_to, W((root / "l.desktop").string()), nullptr);
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_NE(asked[0].find(u"既に\"l.desktop\"と同名のファイルが存在します\r\r現在のファイル\r"),
            WString::npos);
  EXPECT_NE(asked[0].find(u"新しいファイル\r"), WString::npos);
  EXPECT_EQ(ReadFile(folder / "l.desktop"), launcher + "Comment=new\n");
  // A script without execute bit gets a launcher that runs it through sh.
  WriteFile(root / "job.sh", "echo\n");
  const WString job = RegisterSendToFile(send_to, W((root / "job.sh").string()), nullptr);
  EXPECT_EQ(os::ReadDesktopLauncher(os::NativePath(job)).target, "sh");
}

TEST(DesktopLauncher, ExecWordsAreQuotedForTheLauncherFormat) {
  EXPECT_EQ(os::QuoteExecWord("/usr/bin/eog"), "/usr/bin/eog");
  EXPECT_EQ(os::QuoteExecWord("/a b/$x\"%"), "\"/a b/\\$x\\\"%%\"");
  EXPECT_EQ(os::DesktopLauncherText("n", "/a/\xff", "/a"), "");
}

}  // namespace
}  // namespace mivaro
