// Process-level checks of the program entry: a player starts exactly one sub player, the
// pair ends together, and a sub player never outlives its player by more than ~1 s.
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "settings/message_panel.h"
#include "settings/param.h"

extern char** environ;

namespace mivaro {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr const char* kMarkVar = "MIVARO_ENTRY_TEST_MARK";

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::vector<std::string> SplitNul(const std::string& raw) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start < raw.size()) {
    size_t end = raw.find('\0', start);
    if (end == std::string::npos) end = raw.size();
    out.push_back(raw.substr(start, end - start));
    start = end + 1;
  }
  return out;
}

struct Proc {
  pid_t pid;
  std::vector<std::string> args;
};

// Live (not zombie) processes whose environment carries `mark`.
std::vector<Proc> MarkedProcesses(const std::string& mark) {
  std::vector<Proc> found;
  const std::string needle = std::string(kMarkVar) + "=" + mark;
  DIR* dir = ::opendir("/proc");
  if (!dir) return found;
  while (dirent* e = ::readdir(dir)) {
    const pid_t pid = static_cast<pid_t>(std::atoi(e->d_name));
    if (pid <= 0) continue;
    const std::string base = std::string("/proc/") + e->d_name;
    bool marked = false;
    for (const std::string& var : SplitNul(ReadWhole(base + "/environ"))) {
      if (var == needle) marked = true;
    }
    if (!marked) continue;
    const std::string stat = ReadWhole(base + "/stat");
    const size_t paren = stat.rfind(')');
    if (paren != std::string::npos && paren + 2 < stat.size() && stat[paren + 2] == 'Z') continue;
    found.push_back({pid, SplitNul(ReadWhole(base + "/cmdline"))});
  }
  ::closedir(dir);
  return found;
}

// True while `pid` runs (a zombie has ended).
bool IsLive(pid_t pid) {
  const std::string stat = ReadWhole("/proc/" + std::to_string(pid) + "/stat");
  const size_t paren = stat.rfind(')');
  return paren != std::string::npos && paren + 2 < stat.size() && stat[paren + 2] != 'Z';
}

// A copy of the listening socket of panel `handle` held by process `pid`, or -1. While
// the copy is open the panel stays reachable, even after that process has ended.
int TakeListeningSocket(pid_t pid, int handle) {
  const std::string name = "@mivaro-panel-" + std::to_string(::getuid()) + "-" + std::to_string(handle);
  std::string inode;
  std::istringstream table(ReadWhole("/proc/" + std::to_string(pid) + "/net/unix"));
  for (std::string line; std::getline(table, line);) {
    std::istringstream fields(line);
    std::vector<std::string> f{std::istream_iterator<std::string>(fields), {}};
    if (f.size() == 8 && f[7] == name) inode = f[6];
  }
  if (inode.empty()) return -1;
  const std::string fd_dir = "/proc/" + std::to_string(pid) + "/fd";
  for (const auto& e : std::filesystem::directory_iterator(fd_dir)) {
    std::error_code ec;
    if (std::filesystem::read_symlink(e.path(), ec).string() != "socket:[" + inode + "]") continue;
    const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (pidfd < 0) return -1;
    const int fd = static_cast<int>(
        ::syscall(SYS_pidfd_getfd, pidfd, std::stoi(e.path().filename().string()), 0));
    ::close(pidfd);
    if (fd >= 0) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    return fd;
  }
  return -1;
}

bool IsSubPlayer(const Proc& p) {
  for (const std::string& a : p.args) {
    if (a == "/SUBPLAYER") return true;
  }
  return false;
}

std::vector<Proc> SubPlayers(const std::string& mark) {
  std::vector<Proc> subs;
  for (Proc& p : MarkedProcesses(mark)) {
    if (IsSubPlayer(p)) subs.push_back(std::move(p));
  }
  return subs;
}

// Waits up to `timeout` for `pred`; true when it held.
template <typename Pred>
bool WaitFor(Pred pred, std::chrono::milliseconds timeout) {
  const auto end = Clock::now() + timeout;
  while (true) {
    if (pred()) return true;
    if (Clock::now() >= end) return false;
    std::this_thread::sleep_for(20ms);
  }
}

class EntryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs an X display (run under xvfb-run)";
    std::random_device rd;
    mark_ = std::to_string(::getpid()) + "-" + std::to_string(rd());
    home_ = std::filesystem::temp_directory_path() / ("mivaro-entry-" + mark_);
    std::filesystem::create_directories(home_);
  }

  void TearDown() override {
    for (const std::string& m : {mark_, mark_ + "a", mark_ + "b"}) {
      for (const Proc& p : MarkedProcesses(m)) ::kill(p.pid, SIGKILL);
    }
    for (pid_t pid : children_) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, nullptr, 0);
    }
    std::error_code ec;
    std::filesystem::remove_all(home_, ec);
  }

  // Starts mivaro with `args`, marked with `mark` (default: this test's mark).
  pid_t Start(const std::vector<std::string>& args, const std::string& mark = {}) {
    std::vector<std::string> env_strings;
    for (char** e = environ; *e; ++e) {
      const std::string var = *e;
      if (var.rfind("MIVARO_HOME=", 0) == 0 || var.rfind(kMarkVar, 0) == 0) continue;
      env_strings.push_back(var);
    }
    env_strings.push_back("MIVARO_HOME=" + home_.string());
    // A resume list sent to the Trash lands in the test's folder.
    env_strings.push_back("XDG_DATA_HOME=" + (home_ / "xdg").string());
    env_strings.push_back(std::string(kMarkVar) + "=" + (mark.empty() ? mark_ : mark));
    env_strings.push_back("MIVARO_AUDIO_SINK=fakesink");
    std::vector<std::string> argv_strings{MIVARO_EXE};
    argv_strings.insert(argv_strings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& s : argv_strings) argv.push_back(s.data());
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& s : env_strings) envp.push_back(s.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!cwd_.empty()) posix_spawn_file_actions_addchdir_np(&actions, cwd_.c_str());
    pid_t pid = 0;
    EXPECT_EQ(::posix_spawn(&pid, MIVARO_EXE, &actions, nullptr, argv.data(), envp.data()), 0);
    posix_spawn_file_actions_destroy(&actions);
    children_.push_back(pid);
    return pid;
  }

  // Waits for our child `pid` to end; its exit status, or -1 on timeout.
  int WaitExit(pid_t pid, std::chrono::milliseconds timeout) {
    int status = -1;
    const bool ended = WaitFor(
        [&] {
          int st = 0;
          if (::waitpid(pid, &st, WNOHANG) != pid) return false;
          status = st;
          return true;
        },
        timeout);
    if (!ended) return -1;
    std::erase(children_, pid);
    return status;
  }

  // Waits until the player marked `mark` has exactly one sub player; returns it.
  Proc WaitForOneSubPlayer(const std::string& mark) {
    EXPECT_TRUE(WaitFor([&] { return !SubPlayers(mark).empty(); }, 20s))
        << "no sub player appeared";
    // Give a wrongly started second one the time to show up.
    std::this_thread::sleep_for(700ms);
    const std::vector<Proc> subs = SubPlayers(mark);
    EXPECT_EQ(subs.size(), 1u);
    return subs.empty() ? Proc{0, {}} : subs.front();
  }

  // Ends a player the way the desktop does; its exit status, -1 when it did not end.
  int Terminate(pid_t pid) {
    ::kill(pid, SIGTERM);
    return WaitExit(pid, 10s);
  }

  std::string mark_;
  std::filesystem::path home_;
  std::string cwd_;  // the folder the next Start runs in; empty: this process's
  std::vector<pid_t> children_;
};

int FromHandle(const Proc& sub) {
  WString line;
  for (const std::string& a : sub.args) line += QuoteParamToken(U16(a)) + u" ";
  const TMyParam param(line);
  return param.Item(2).IsName(u"FROM") ? param.Item(2).AsInteger() : 0;
}

// A short tone as WAV; false when gst-launch-1.0 cannot make it.
bool MakeTone(const std::filesystem::path& file) {
  std::filesystem::create_directories(file.parent_path());
  const std::string cmd = "timeout 60 gst-launch-1.0 -q audiotestsrc num-buffers=100 ! audioconvert ! "
                          "wavenc ! filesink location='" + file.string() + "' >/dev/null 2>&1";
  return std::system(cmd.c_str()) == 0 && std::filesystem::file_size(file) > 1000;
}

// A two-second video clip with sound (MP4); false when ffmpeg cannot make it.
bool MakeClip(const std::filesystem::path& file) {
  std::filesystem::create_directories(file.parent_path());
  const std::string cmd = "timeout 60 ffmpeg -loglevel error -y -f lavfi -i testsrc=size=160x120:rate=10:duration=2 "
                          "-f lavfi -i sine=duration=2 -c:v libx264 -pix_fmt yuv420p -c:a aac '" +
                          file.string() + "' >/dev/null 2>&1";
  std::error_code ec;
  return std::system(cmd.c_str()) == 0 && std::filesystem::file_size(file, ec) > 1000;
}

// What the descriptors of process `pid` point at.
std::vector<std::string> OpenFiles(pid_t pid) {
  std::vector<std::string> out;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd", ec))
    out.push_back(std::filesystem::read_symlink(e.path(), ec).string());
  return out;
}

void WriteText(const std::filesystem::path& file, const std::string& text) {
  std::ofstream(file, std::ios::binary) << text;
}

// True while a dialog window (a message box) of process `pid` is shown.
bool ShowsDialog(pid_t pid) {
  const std::string cmd = "for w in $(xdotool search --onlyvisible --pid " + std::to_string(pid) +
                          " 2>/dev/null); do xprop -id $w _NET_WM_WINDOW_TYPE; done 2>/dev/null "
                          "| grep -q _NET_WM_WINDOW_TYPE_DIALOG";
  return std::system(cmd.c_str()) == 0;
}

TEST_F(EntryTest, PlayerStartsOneSubPlayerAndClosingEndsBoth) {
  const pid_t player = Start({});
  const Proc sub = WaitForOneSubPlayer(mark_);
  ASSERT_GT(sub.pid, 0);
  // It was started as "/SUBPLAYER /FROM:<the player's panel>", and that panel is alive.
  ASSERT_EQ(sub.args.size(), 3u);
  EXPECT_EQ(sub.args[1], "/SUBPLAYER");
  EXPECT_TRUE(IsPanelAlive(FromHandle(sub)));

  // The test keeps the player's panel open after the player has gone, so the sub player's
  // own timer never sees its player go: only the player's "/CLOSE" can end it.
  const int panel = TakeListeningSocket(player, FromHandle(sub));
  if (panel < 0) GTEST_SKIP() << "cannot hold the player's panel (pidfd_getfd)";

  // SIGTERM closes the window the normal way; the player tells its sub player to close.
  ASSERT_EQ(Terminate(player), 0);
  const bool ended = WaitFor(
      [&] {
        while (true) {  // the sub player's probes of the panel are dropped unanswered
          const int conn = ::accept4(panel, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
          if (conn < 0) break;
          ::close(conn);
        }
        return !IsLive(sub.pid);
      },
      3s);
  EXPECT_TRUE(IsPanelAlive(FromHandle(sub)));
  ::close(panel);
  EXPECT_TRUE(ended) << "the sub player was not told to close";
}

// A player closed while its sub player is still starting (before the greeting) tells it to
// close once it greets; the held panel keeps the sub player's own timer from ending it.
TEST_F(EntryTest, ClosingWhileTheSubPlayerStartsEndsIt) {
  const pid_t player = Start({});
  std::vector<Proc> subs;
  ASSERT_TRUE(WaitFor([&] { return !(subs = SubPlayers(mark_)).empty(); }, 20s));
  ::kill(player, SIGTERM);
  const int panel = TakeListeningSocket(player, FromHandle(subs.front()));
  if (panel < 0) GTEST_SKIP() << "cannot hold the player's panel (pidfd_getfd)";
  EXPECT_NE(WaitExit(player, 10s), -1);
  const bool ended = WaitFor(
      [&] {
        for (int conn; (conn = ::accept4(panel, nullptr, nullptr, SOCK_CLOEXEC)) >= 0;) ::close(conn);
        return !IsLive(subs.front().pid);
      },
      3s);
  ::close(panel);
  EXPECT_TRUE(ended) << "a sub player that was starting at the close kept running";
}

// The sub player holds none of the player's descriptors (a media file open in the player
// would keep its medium mounted) and no folder: it runs in "/".
TEST_F(EntryTest, SubPlayerInheritsNoDescriptors) {
  const std::filesystem::path media = home_ / "media" / "tone.wav";
  if (!MakeTone(media)) GTEST_SKIP() << "gst-launch-1.0 cannot make test media";
  WriteText(home_ / "mivaro.ini", "[Play]\r\nMute=1\r\n");
  cwd_ = media.parent_path().string();
  const pid_t player = Start({media.string()});
  const Proc sub = WaitForOneSubPlayer(mark_);
  ASSERT_GT(sub.pid, 0);
  // The player itself has the file open, so its absence in the helper means something.
  EXPECT_TRUE(WaitFor([&] { return std::ranges::count(OpenFiles(player), media.string()) > 0; }, 10s));
  for (const std::string& link : OpenFiles(sub.pid)) {
    EXPECT_EQ(link.find(home_.string()), std::string::npos) << link;
  }
  std::error_code ec;
  EXPECT_EQ(std::filesystem::read_symlink("/proc/" + std::to_string(sub.pid) + "/cwd", ec), "/");
  EXPECT_EQ(Terminate(player), 0);
}

// A file manager passes names as the bytes on disk, UTF-8 or not. A name with a byte that
// is no UTF-8 reaches the playlist and the player unchanged, and the resume list keeps it:
// the next start without arguments plays the same file again.
TEST_F(EntryTest, NamesThatAreNotUtf8PlayAndResume) {
  const std::filesystem::path plain = home_ / "media" / "clip.mp4";
  if (!MakeClip(plain)) GTEST_SKIP() << "ffmpeg cannot make test media";
  const std::filesystem::path odd = home_ / "media" / std::string("a\xff.mp4");
  std::filesystem::rename(plain, odd);
  WriteText(home_ / "mivaro.ini", "[Play]\r\nMute=1\r\n[RESUME]\r\nResume=1\r\n");
  const auto plays = [&odd](pid_t pid) {
    return WaitFor([&] { return std::ranges::count(OpenFiles(pid), odd.string()) > 0; }, 20s);
  };
  const pid_t first = Start({odd.string()});
  EXPECT_TRUE(plays(first)) << "the player did not open the file";
  ASSERT_EQ(Terminate(first), 0);
  const pid_t second = Start({});
  EXPECT_TRUE(plays(second)) << "the resumed list lost the name";
  EXPECT_EQ(Terminate(second), 0);
}

TEST_F(EntryTest, KillingThePlayerEndsTheSubPlayerWithinTwoSeconds) {
  const pid_t player = Start({});
  const Proc sub = WaitForOneSubPlayer(mark_);
  ASSERT_GT(sub.pid, 0);
  ASSERT_EQ(::kill(player, SIGKILL), 0);
  ASSERT_NE(WaitExit(player, 5s), -1);
  EXPECT_TRUE(WaitFor([&] { return SubPlayers(mark_).empty(); }, 2s))
      << "the sub player outlived its killed player";
}

TEST_F(EntryTest, SubPlayerAloneEndsByItself) {
  const auto t0 = Clock::now();
  const pid_t sub = Start({"/SUBPLAYER"});
  const int status = WaitExit(sub, 10s);
  ASSERT_NE(status, -1) << "a sub player without a player kept running";
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  // About a second of Timer2 after the start of the process.
  EXPECT_LT(Clock::now() - t0, 2s);
}

TEST_F(EntryTest, SubPlayerGreetsItsPlayerAndEndsOnClose) {
  // This test plays the player: its own panel receives the greeting.
  TMyMessagePanelChannel panel;
  ASSERT_GT(panel.Handle(), 0);
  int sub_handle = 0;
  panel.SetTextHandler([&](const WString& text) {
    const TMyParam p(text);
    if (p.HasOption(u"TO_SUBPLAYER")) sub_handle = p.Item(0).AsInteger();
  });
  const pid_t sub = Start({"/SUBPLAYER", "/FROM:" + std::to_string(panel.Handle())});
  const bool greeted = WaitFor(
      [&] {
        pollfd p{panel.Fd(), POLLIN, 0};
        if (::poll(&p, 1, 20) > 0) panel.ProcessPending();
        return sub_handle != 0;
      },
      20s);
  ASSERT_TRUE(greeted) << "no /TO_SUBPLAYER greeting";
  EXPECT_TRUE(IsPanelAlive(sub_handle));
  EXPECT_NE(PanelHostWindow(sub_handle), 0u) << "the sub player reports no window";

  // While its player's panel lives, the sub player stays.
  std::this_thread::sleep_for(1500ms);
  EXPECT_EQ(WaitExit(sub, 0ms), -1);
  // Junk is ignored, /CLOSE ends it.
  EXPECT_TRUE(SendPanelText(sub_handle, u"/SOMETHING:1"));
  EXPECT_TRUE(IsPanelAlive(sub_handle));
  EXPECT_TRUE(SendPanelText(sub_handle, u"/CLOSE"));
  const int status = WaitExit(sub, 2s);
  ASSERT_NE(status, -1) << "/CLOSE did not end the sub player";
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_FALSE(IsPanelAlive(sub_handle));
}

TEST_F(EntryTest, TwoStartsMakeTwoIndependentPairs) {
  const std::string mark_a = mark_ + "a";
  const std::string mark_b = mark_ + "b";
  const pid_t a = Start({}, mark_a);
  const pid_t b = Start({}, mark_b);
  const Proc sub_a = WaitForOneSubPlayer(mark_a);
  const Proc sub_b = WaitForOneSubPlayer(mark_b);
  ASSERT_GT(sub_a.pid, 0);
  ASSERT_GT(sub_b.pid, 0);
  EXPECT_NE(FromHandle(sub_a), FromHandle(sub_b));
  // Ending one pair leaves the other alone.
  ::kill(a, SIGTERM);
  EXPECT_NE(WaitExit(a, 10s), -1);
  EXPECT_TRUE(WaitFor([&] { return SubPlayers(mark_a).empty(); }, 2s));
  EXPECT_EQ(SubPlayers(mark_b).size(), 1u);
  EXPECT_EQ(WaitExit(b, 0ms), -1);
  ::kill(b, SIGTERM);
  EXPECT_NE(WaitExit(b, 10s), -1);
  EXPECT_TRUE(WaitFor([&] { return SubPlayers(mark_b).empty(); }, 2s));
}

// Files given by relative path are kept as full paths: a start without arguments from any
// other folder resumes them, and the resume list is written again, not sent to the Trash.
// Temporaries that a killed run left beside the settings are removed at start.
TEST_F(EntryTest, RelativeArgumentsResumeFromAnotherFolderAndLeftoversGo) {
  const std::filesystem::path folder = home_ / "x";
  if (!MakeTone(folder / "f" / "a.wav")) GTEST_SKIP() << "gst-launch-1.0 cannot make test media";
  WriteText(home_ / "mivaro.ini", "[Play]\r\nMute=1\r\n[RESUME]\r\nResume=1\r\n");
  pid_t dead = Start({"/SUBPLAYER"});  // ends by itself: its pid belongs to nobody after
  ASSERT_NE(WaitExit(dead, 10s), -1);
  const std::filesystem::path stale =
      home_ / (".mivaro.ini.mivaro-tmp-" + std::to_string(dead) + "-3.tmp");
  WriteText(stale, "half a save");

  cwd_ = folder.string();
  pid_t player = Start({"f/a.wav"});
  ASSERT_GT(WaitForOneSubPlayer(mark_).pid, 0);
  EXPECT_FALSE(std::filesystem::exists(stale)) << "a stale temporary survived the start";
  ASSERT_EQ(Terminate(player), 0);
  const std::filesystem::path resume = home_ / "mivaro.resume.m3u8";
  const std::string full = (folder / "f" / "a.wav").string();
  EXPECT_EQ(ReadWhole(resume.string()), full + "\r\n");

  cwd_ = std::filesystem::temp_directory_path().string();
  player = Start({});
  ASSERT_GT(WaitForOneSubPlayer(mark_).pid, 0);
  ASSERT_EQ(Terminate(player), 0);
  EXPECT_EQ(ReadWhole(resume.string()), full + "\r\n") << "the resume list was lost";
  EXPECT_NE(ReadWhole((home_ / "mivaro.ini").string()).find("Index=0"), std::string::npos);
}

// A terminate signal while a start-up notice runs its own loop (before the program's event
// loop exists) ends the program the normal way, with the settings saved.
TEST_F(EntryTest, SignalDuringStartupNoticeEndsAndSaves) {
  if (std::system("command -v xdotool >/dev/null && command -v xprop >/dev/null") != 0)
    GTEST_SKIP() << "needs xdotool and xprop";
  const pid_t player = Start({(home_ / "nothing-here.mp4").string()});
  ASSERT_TRUE(WaitFor([&] { return ShowsDialog(player); }, 20s)) << "no start-up notice";
  ASSERT_FALSE(std::filesystem::exists(home_ / "mivaro.ini"));
  const int status = Terminate(player);
  ASSERT_NE(status, -1) << "the player stayed after the signal";
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_NE(ReadWhole((home_ / "mivaro.ini").string()).find("[RESUME]"), std::string::npos);
}

}  // namespace
}  // namespace mivaro
