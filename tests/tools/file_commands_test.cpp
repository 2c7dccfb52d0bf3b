// mivaro-tool move, copy, rename and trash, and what a killed move leaves behind.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <thread>

#include "tests/tools/tool_runner.h"

namespace mivaro {
namespace {

namespace fs = std::filesystem;
using test::Quote;
using test::RunTool;

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

class FileCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string name = "mivaro-filecmd-" + std::to_string(getpid());
    disk_ = fs::temp_directory_path() / name;
    shm_ = fs::path("/dev/shm") / name;
    fs::create_directories(disk_ / "home");
    fs::create_directories(disk_ / "to");
    fs::create_directories(shm_);
    setenv("MIVARO_HOME", (disk_ / "home").c_str(), 1);
  }
  void TearDown() override {
    fs::remove_all(disk_);
    fs::remove_all(shm_);
  }
  fs::path disk_, shm_;
};

TEST_F(FileCommands, RenameMoveCopyAndTheirFailures) {
  std::ofstream(shm_ / "a b.mp3") << "tune";
  std::string out;
  EXPECT_EQ(RunTool("rename " + Quote((shm_ / "a b.mp3").string()) + " 'c d.mp3'", out), 0);
  EXPECT_EQ(out, (shm_ / "c d.mp3").string() + "\n");
  EXPECT_EQ(RunTool("copy " + Quote((shm_ / "c d.mp3").string()) + " " + Quote((disk_ / "to").string()), out), 0);
  // A second copy finds the target and changes nothing without --replace.
  EXPECT_EQ(RunTool("copy " + Quote((shm_ / "c d.mp3").string()) + " " + Quote((disk_ / "to").string()) + " 2>&1", out), 1);
  EXPECT_NE(out.find("--replace"), std::string::npos) << out;
  EXPECT_EQ(RunTool("move --replace " + Quote((shm_ / "c d.mp3").string()) + " " + Quote((disk_ / "to").string()), out), 0);
  EXPECT_EQ(ReadAll(disk_ / "to" / "c d.mp3"), "tune");
  EXPECT_FALSE(fs::exists(shm_ / "c d.mp3"));
  // A missing source: the system's error number in the program's words.
  EXPECT_EQ(RunTool("move " + Quote((shm_ / "none").string()) + " " + Quote(shm_.string()) + " 2>&1", out), 1);
  EXPECT_NE(out.find("エラーコード 2"), std::string::npos) << out;
  EXPECT_EQ(RunTool("move onlyone 2>/dev/null", out), 2);
}

// A move across file systems killed at any moment: the source stays complete, the target
// name is absent or complete, and the next run removes the temporary.
TEST_F(FileCommands, KilledMoveNeverLosesOrHalfWritesTheFile) {
  std::mt19937 rng(7);
  std::string data(96u << 20, '\0');
  for (auto& c : data) c = static_cast<char>(rng());
  const fs::path source = shm_ / "movie.mp4";
  const fs::path target = disk_ / "to" / "movie.mp4";
  for (const int delay_ms : {2, 15, 40, 80, 150}) {
    std::ofstream(source, std::ios::binary) << data;
    fs::remove(target);
    const pid_t child = fork();
    if (child == 0) {
      execl(MIVARO_TOOL, MIVARO_TOOL, "move", source.c_str(), (disk_ / "to").c_str(), nullptr);
      _exit(127);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(delay_ms));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    const bool source_there = fs::exists(source);
    if (source_there) {
      EXPECT_TRUE(ReadAll(source) == data) << "source changed, delay " << delay_ms;
    }
    if (fs::exists(target)) {
      EXPECT_TRUE(ReadAll(target) == data) << "partial target, delay " << delay_ms;
    }
    EXPECT_TRUE(source_there || fs::exists(target)) << "file lost, delay " << delay_ms;

    // The next run finishes the job and leaves nothing else in the folder.
    std::string out;
    if (source_there) {
      EXPECT_EQ(RunTool("move --replace " + Quote(source.string()) + " " + Quote((disk_ / "to").string()), out), 0);
    } else {
      EXPECT_EQ(RunTool("copy " + Quote(target.string()) + " " + Quote(shm_.string()), out), 0);
      fs::remove(source);
    }
    int entries = 0;
    for (const auto& e : fs::directory_iterator(disk_ / "to")) entries += e.path() != target;
    EXPECT_EQ(entries, 0) << "temporary left, delay " << delay_ms;
    EXPECT_TRUE(ReadAll(target) == data);
  }
}

}  // namespace
}  // namespace mivaro
