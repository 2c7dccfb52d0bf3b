#include "platform/os/file_transfer.h"

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sys/wait.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace mivaro {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void WriteAll(const fs::path& p, const std::string& bytes) {
  std::ofstream(p, std::ios::binary) << bytes;
}

std::string RandomBytes(std::size_t n) {
  std::mt19937 rng(42);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(rng());
  return s;
}

// Names the transfer left in a folder besides `keep` (its temporaries would show here).
int OtherEntries(const fs::path& folder, const std::string& keep) {
  int n = 0;
  for (const auto& e : fs::directory_iterator(folder)) n += e.path().filename() != keep;
  return n;
}

// One folder on the disk and one in /dev/shm (tmpfs), so moves between them cross file
// systems.
class FileTransfer : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string name = "mivaro-transfer-" + std::to_string(getpid());
    disk_ = fs::temp_directory_path() / name;
    shm_ = fs::path("/dev/shm") / name;
    fs::create_directories(disk_);
    fs::create_directories(shm_);
  }
  void TearDown() override {
    fs::remove_all(disk_);
    fs::remove_all(shm_);
  }
  fs::path disk_, shm_;
};

TEST_F(FileTransfer, MoveAcrossFileSystemsKeepsContentModeAndTimeAndLeavesNoTemporary) {
  const std::string data = RandomBytes(3u << 20);
  const fs::path source = shm_ / "第1話.mp4";
  WriteAll(source, data);
  ::chmod(source.c_str(), 0640);
  const struct timespec times[2] = {{1000000000, 0}, {1200000000, 5}};
  ::utimensat(AT_FDCWD, source.c_str(), times, 0);
  ASSERT_FALSE(os::SameFileSystem(source, disk_ / "x"));

  int calls = 0;
  uint64_t last = 0;
  os::TransferOptions options;
  options.chunk_bytes = 1u << 20;
  options.progress = [&](uint64_t done, uint64_t total) {
    ++calls;
    EXPECT_EQ(total, data.size());
    last = done;
  };
  const fs::path target = disk_ / "第1話.mp4";
  ASSERT_EQ(os::MoveFileSafely(source, target, options), 0);
  EXPECT_FALSE(fs::exists(source));
  EXPECT_EQ(ReadAll(target), data);
  EXPECT_GE(calls, 3);
  EXPECT_EQ(last, data.size());
  struct stat st {};
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(st.st_mtim.tv_sec, 1200000000);
  EXPECT_EQ(OtherEntries(disk_, "第1話.mp4"), 0);
}

TEST_F(FileTransfer, ExistingTargetIsReplacedOnlyWhenAskedAndALinkMovesAsTheLink) {
  WriteAll(shm_ / "a.mp3", "new");
  WriteAll(disk_ / "a.mp3", "old");
  EXPECT_EQ(os::MoveFileSafely(shm_ / "a.mp3", disk_ / "a.mp3"), EEXIST);
  EXPECT_EQ(os::CopyFileSafely(shm_ / "a.mp3", disk_ / "a.mp3"), EEXIST);
  EXPECT_EQ(ReadAll(disk_ / "a.mp3"), "old");
  EXPECT_EQ(ReadAll(shm_ / "a.mp3"), "new");

  os::TransferOptions replace;
  replace.replace_existing = true;
  EXPECT_EQ(os::CopyFileSafely(shm_ / "a.mp3", disk_ / "a.mp3", replace), 0);
  EXPECT_EQ(ReadAll(disk_ / "a.mp3"), "new");
  EXPECT_TRUE(fs::exists(shm_ / "a.mp3"));

  fs::create_symlink("/etc/hostname", shm_ / "link");
  ASSERT_EQ(os::MoveFileSafely(shm_ / "link", disk_ / "link"), 0);
  EXPECT_TRUE(fs::is_symlink(disk_ / "link"));
  EXPECT_EQ(fs::read_symlink(disk_ / "link"), "/etc/hostname");
  EXPECT_FALSE(fs::exists(fs::symlink_status(shm_ / "link")));

  // A folder that vanished and a FIFO are refused without waiting.
  EXPECT_EQ(os::MoveFileSafely(shm_ / "a.mp3", disk_ / "gone" / "a.mp3"), ENOENT);
  ASSERT_EQ(::mkfifo((shm_ / "fifo").c_str(), 0600), 0);
  EXPECT_NE(os::CopyFileSafely(shm_ / "fifo", disk_ / "fifo"), 0);
  EXPECT_FALSE(fs::exists(disk_ / "fifo"));
}

TEST_F(FileTransfer, FullFileSystemKeepsTheSourceAndRemovesTheTemporary) {
  const fs::path small = disk_ / "small";
  fs::create_directories(small);
  if (::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=1m") != 0)
    GTEST_SKIP() << "cannot mount a small tmpfs here (" << std::strerror(errno) << ")";
  const std::string data = RandomBytes(3u << 20);
  WriteAll(shm_ / "big.bin", data);
  EXPECT_EQ(os::MoveFileSafely(shm_ / "big.bin", small / "big.bin"), ENOSPC);
  EXPECT_EQ(ReadAll(shm_ / "big.bin"), data);
  EXPECT_TRUE(fs::is_empty(small));
  ::umount(small.c_str());
}

TEST_F(FileTransfer, TemporariesOfAKilledProcessAreRemovedOthersKept) {
  const fs::path journal = disk_ / "journal";
  fs::create_directories(journal);
  // A record of a process that has ended (a child that exited) and one of this process.
  const pid_t child = fork();
  if (child == 0) _exit(0);
  int status = 0;
  waitpid(child, &status, 0);
  const fs::path dead_temp = shm_ / (".a.mp4.mivaro-tmp-" + std::to_string(child) + "-0.tmp");
  const fs::path live_temp = shm_ / (".b.mp4.mivaro-tmp-" + std::to_string(getpid()) + "-0.tmp");
  WriteAll(dead_temp, "partial");
  WriteAll(live_temp, "partial");
  WriteAll(journal / (std::to_string(child) + "-0.transfer"), dead_temp.string());
  WriteAll(journal / (std::to_string(getpid()) + "-0.transfer"), live_temp.string());
  // A record naming a file that is not a temporary never removes it.
  WriteAll(shm_ / "keep.mp4", "user data");
  WriteAll(journal / (std::to_string(child) + "-1.transfer"), (shm_ / "keep.mp4").string());

  EXPECT_EQ(os::RemoveInterruptedTransfers(journal), 1);
  EXPECT_FALSE(fs::exists(dead_temp));
  EXPECT_TRUE(fs::exists(live_temp));
  EXPECT_TRUE(fs::exists(shm_ / "keep.mp4"));
  EXPECT_EQ(OtherEntries(journal, std::to_string(getpid()) + "-0.transfer"), 0);
}

}  // namespace
}  // namespace mivaro
