#include "core/shell.h"

#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "core/files.h"

extern char** environ;

namespace mivaro {
namespace {

namespace fs = std::filesystem;

// The Trash location is read once per process, so RecycleItem is tested in a fresh copy of
// this program whose XDG_DATA_HOME and HOME point into a temporary folder. When started
// that way it trashes the item named by MIVARO_TEST_TRASH_ITEM and exits before any test.
const bool kTrashChild = [] {
  const char* item = std::getenv("MIVARO_TEST_TRASH_ITEM");
  if (item == nullptr) return false;
  _exit(RecycleItem(U16(item)) ? 0 : 3);
}();

class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "mivaro-shell-XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    root_ = tmpl;
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(root_, ec);
  }

  // Runs this program again to trash `item`; returns its exit code.
  int TrashInChild(const std::string& item) {
    fs::create_directories(root_ + "/data");
    const std::string exe = fs::read_symlink("/proc/self/exe").string();
    std::vector<std::string> env_text = {"MIVARO_TEST_TRASH_ITEM=" + item,
                                         "XDG_DATA_HOME=" + root_ + "/data",
                                         "HOME=" + root_ + "/home"};
    for (char** e = environ; *e != nullptr; ++e) {
      const std::string kv = *e;
      if (kv.rfind("MIVARO_TEST_TRASH_ITEM=", 0) != 0 && kv.rfind("XDG_DATA_HOME=", 0) != 0 &&
          kv.rfind("HOME=", 0) != 0)
        env_text.push_back(kv);
    }
    std::vector<char*> envp;
    for (std::string& kv : env_text) envp.push_back(kv.data());
    envp.push_back(nullptr);
    std::string arg0 = exe;
    std::string filter = "--gtest_filter=-*";
    char* argv[] = {arg0.data(), filter.data(), nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, exe.c_str(), nullptr, nullptr, argv, envp.data()) != 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  // Waits (bounded) until a file appears with content, and returns that content.
  static std::string WaitForFile(const std::string& path) {
    for (int i = 0; i < 200; ++i) {
      std::ifstream in(path);
      std::stringstream ss;
      ss << in.rdbuf();
      if (in && !ss.str().empty() && ss.str().back() == '\n') return ss.str();
      std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    return {};
  }

  // A script that writes its arguments, one per line, then "end", into out.txt beside it.
  std::string MakeEchoScript(const std::string& name, const std::string& extra = "") {
    const std::string path = root_ + "/" + name;
    std::ofstream(path) << "#!/bin/sh\n"
                        << "d=$(dirname \"$0\")\n"
                        << "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$d/out.tmp\"\n"
                        << "echo end >> \"$d/out.tmp\"\n"
                        << "mv \"$d/out.tmp\" \"$d/out.txt\"\n"
                        << extra;
    chmod(path.c_str(), 0755);
    return path;
  }

  std::string root_;
};

TEST_F(ShellTest, RecycleItemMovesFileIntoTheTrash) {
  fs::create_directories(root_ + "/home/album");
  std::ofstream(root_ + "/home/song.mp3") << "abc";
  std::ofstream(root_ + "/home/album/x.mp3") << "x";
  ASSERT_EQ(TrashInChild(root_ + "/home/song.mp3"), 0);
  EXPECT_FALSE(fs::exists(root_ + "/home/song.mp3"));
  EXPECT_TRUE(fs::exists(root_ + "/data/Trash/files/song.mp3"));
  std::ifstream info(root_ + "/data/Trash/info/song.mp3.trashinfo");
  std::stringstream text;
  text << info.rdbuf();
  EXPECT_NE(text.str().find("[Trash Info]"), std::string::npos);
  EXPECT_NE(text.str().find("Path=" + root_ + "/home/song.mp3"), std::string::npos);
  EXPECT_NE(text.str().find("DeletionDate="), std::string::npos);

  // A folder, named with a trailing separator.
  ASSERT_EQ(TrashInChild(root_ + "/home/album/"), 0);
  EXPECT_FALSE(fs::exists(root_ + "/home/album"));
  EXPECT_TRUE(fs::exists(root_ + "/data/Trash/files/album/x.mp3"));
  EXPECT_TRUE(fs::exists(root_ + "/data/Trash/info/album.trashinfo"));
}

TEST_F(ShellTest, RecycleItemReportsWhatItCannotTrash) {
  fs::create_directories(root_ + "/home");
  EXPECT_EQ(TrashInChild(root_ + "/home/missing.mp3"), 3);
  EXPECT_FALSE(RecycleItem(u""));
  EXPECT_FALSE(RecycleItem(WString(u"/tmp/\0x", 7)));
}

TEST(ShellParams, QuotingOfRunProgram) {
  EXPECT_EQ(BuildProgramParams({u"a", u" ", u"b c"}), u"   \"a\" \"b c\"");
  EXPECT_EQ(BuildProgramParams({}), u"");
  EXPECT_EQ(BuildProgramParams({u"  x  "}), u"  \"x\"");
  EXPECT_EQ(BuildProgramParams({u"C:\\dir\\"}), u"  \"C:\\dir\\\\\"");
  EXPECT_EQ(BuildProgramParams({u"say \"hi\""}), u"  \"say \\\"hi\\\"\"");
}

TEST(ShellParams, SplitIsTheInverseOfBuild) {
  const std::vector<WString> args = {u"a",        u"b c",          u"C:\\dir\\", u"q\"x",
                                     u"\\\\srv\\", u"back\\\\\"q", u"日本語 名前"};
  EXPECT_EQ(SplitCommandLine(BuildProgramParams(args)), args);
  EXPECT_EQ(SplitCommandLine(u"  one   two\t\"three four\" "),
            (std::vector<WString>{u"one", u"two", u"three four"}));
  EXPECT_EQ(SplitCommandLine(u"\"\""), (std::vector<WString>{u""}));
  EXPECT_EQ(SplitCommandLine(u"a\\b \"c\"\"d\""), (std::vector<WString>{u"a\\b", u"c\"d"}));
  EXPECT_EQ(SplitCommandLine(u"\"unterminated"), (std::vector<WString>{u"unterminated"}));
  EXPECT_TRUE(SplitCommandLine(u"").empty());
}

TEST_F(ShellTest, RunProgramPassesEachArgumentWhole) {
  const std::string script = MakeEchoScript("echo args.sh");
  TMyProcess p = RunProgram(U16(script), {u"a", u" ", u"b c", u"q\"x", u"/d/日本/"});
  ASSERT_TRUE(p);
  EXPECT_EQ(WaitForFile(root_ + "/out.txt"), "a\nb c\nq\"x\n/d/日本/\nend\n");
  EXPECT_TRUE(WaitProcessIdle(p, 5000));
  CloseProcess(p);
  EXPECT_FALSE(p);
}

TEST_F(ShellTest, ShellExecuteStartsProgramsAndReportsFailures) {
  const std::string script = MakeEchoScript("run.sh");
  EXPECT_TRUE(ShellExecuteFile(u"\"" + U16(script) + u"\"", u"one \"two three\""));
  EXPECT_EQ(WaitForFile(root_ + "/out.txt"), "one\ntwo three\nend\n");
  EXPECT_FALSE(ShellExecuteFile(U16(root_ + "/missing.sh"), u""));
  EXPECT_FALSE(ShellExecuteProcess(u"", u"x"));
  EXPECT_FALSE(ShellExecuteProcess(u"\"\"", u""));
  // Names found on PATH start directly.
  TMyProcess p = ShellExecuteProcess(u"true", u"");
  EXPECT_TRUE(p);
  EXPECT_TRUE(WaitProcessIdle(p, 5000));
}

TEST_F(ShellTest, RunProgramWaitIdleReturnsOnceTheProgramSettles) {
  // The program keeps running (asleep); the wait ends when it has settled, not at its end.
  const std::string script = MakeEchoScript("sleeper.sh", "exec sleep 30\n");
  const auto start = std::chrono::steady_clock::now();
  TMyProcess p = RunProgram(U16(script), {u"x"});
  ASSERT_TRUE(p);
  EXPECT_TRUE(WaitProcessIdle(p, 20000));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
  kill(p.pid, SIGTERM);
  EXPECT_TRUE(RunProgramWaitIdle(U16(MakeEchoScript("quick.sh")), u"y", 5000));
  EXPECT_FALSE(RunProgramWaitIdle(U16(root_ + "/missing"), u"y", 100));
}

TEST_F(ShellTest, DesktopLaunchersStartTheirApplication) {
  const std::string script = MakeEchoScript("app.sh");
  const std::string launcher = root_ + "/app.desktop";
  std::ofstream(launcher) << "[Desktop Entry]\nType=Application\nName=Echo\nExec=\"" << script
                          << "\" %F\n";
  std::ofstream(root_ + "/song one.mp3") << "x";
  EXPECT_TRUE(RunProgramAndClose(U16(launcher), U16(root_ + "/song one.mp3")));
  EXPECT_EQ(WaitForFile(root_ + "/out.txt"), root_ + "/song one.mp3\nend\n");
  std::ofstream(root_ + "/broken.desktop") << "not a launcher";
  EXPECT_FALSE(RunProgramAndClose(U16(root_ + "/broken.desktop"), u"x"));
}

TEST(ShellHooks, PropertiesGoToTheInstalledWindow) {
  ShowFileProperties(u"/x/none.mp3");  // no window installed: nothing happens
  WString shown;
  SetShowFilePropertiesHook([&](WStringView path) { shown = WString(path); });
  ShowFileProperties(u"/m/a.mp3");
  EXPECT_EQ(shown, u"/m/a.mp3");
  SetShowFilePropertiesHook(nullptr);
  ShowFileProperties(u"/m/b.mp3");
  EXPECT_EQ(shown, u"/m/a.mp3");
}

TEST(SpecialFolders, Mapping) {
  EXPECT_EQ(GetProgramFilesFolder(), u"/usr/bin/");
  EXPECT_EQ(GetSpecialFolder(-1), u"");
  EXPECT_EQ(GetSpecialFolder(9999), u"");
  for (int csidl : {kCsidlMyMusic, kCsidlMyVideo, kCsidlMyPictures, kCsidlMyDocuments,
                    kCsidlProfile, kCsidlAppData}) {
    const WString f = GetSpecialFolder(csidl);
    if (f.empty()) continue;  // not configured here
    EXPECT_EQ(f.back(), u'/');
    EXPECT_TRUE(FolderExists(f));
  }
}

}  // namespace
}  // namespace mivaro
