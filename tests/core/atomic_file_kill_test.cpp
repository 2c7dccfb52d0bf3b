// A writer killed in the middle of a save: the old file stays whole, and the temporary it
// left behind is recognised and removed by the next start.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "core/atomic_file.h"
#include "text_test_util.h"

namespace mivaro {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

int CountTemporaries(const std::string& folder) {
  int n = 0;
  for (const auto& e : std::filesystem::directory_iterator(folder)) {
    if (e.path().filename().string().find(".mivaro-tmp-") != std::string::npos) ++n;
  }
  return n;
}

TEST(AtomicFileKillTest, KillDuringLargeSaveKeepsOldFileAndStartRemovesLeftover) {
  TempDir dir;
  const std::string target = dir.File("mivaro.resume.m3u8");
  WriteBytes(target, "/music/a.mp3\r\n/music/b.mp3\r\n");
  // A temporary of a writer that still runs stays.
  const std::string live = dir.File(".mivaro.ini.mivaro-tmp-" + std::to_string(getpid()) + "-7.tmp");
  WriteBytes(live, "x");

  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t writer = fork();
  ASSERT_GE(writer, 0);
  if (writer == 0) {
    // A save that never ends: 1 MiB pieces until the parent kills it.
    TMyAtomicFile file;
    if (!file.OpenUtf8(target)) _exit(2);
    const std::string piece(1 << 20, 'z');
    file.Write(piece);
    const char c = 1;
    if (write(ready[1], &c, 1) != 1) _exit(3);
    for (;;) file.Write(piece);
  }
  close(ready[1]);
  char c = 0;
  ASSERT_EQ(read(ready[0], &c, 1), 1) << "the writer did not start its save";
  close(ready[0]);
  ASSERT_EQ(kill(writer, SIGKILL), 0);
  int status = 0;
  ASSERT_EQ(waitpid(writer, &status, 0), writer);
  ASSERT_TRUE(WIFSIGNALED(status));

  EXPECT_EQ(ReadBytes(target), "/music/a.mp3\r\n/music/b.mp3\r\n");
  const std::string prefix = ".mivaro.resume.m3u8.mivaro-tmp-" + std::to_string(writer) + "-";
  std::string left;
  for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
    if (e.path().filename().string().starts_with(prefix)) left = e.path().string();
  }
  ASSERT_FALSE(left.empty()) << "no temporary of the killed writer";
  // A file of another program, named like ours, stays too.
  const std::string other = dir.File(".other.m3u8.mivaro-tmp-" + std::to_string(writer) + "-0.tmp");
  WriteBytes(other, "x");
  EXPECT_GE(std::filesystem::file_size(left), 1u << 20);
  EXPECT_EQ(CountTemporaries(dir.path()), 3);

  EXPECT_EQ(RemoveStaleAtomicTemporaries(dir.path(), "mivaro."), 1);
  EXPECT_FALSE(std::filesystem::exists(left));
  EXPECT_TRUE(std::filesystem::exists(live));
  EXPECT_TRUE(std::filesystem::exists(other));
  EXPECT_EQ(ReadBytes(target), "/music/a.mp3\r\n/music/b.mp3\r\n");
}

}  // namespace
}  // namespace mivaro
