// mivaro-tool on hostile trees and names: a link loop, a FIFO, names that are not UTF-8 or
// hold a line break, and codes out of range.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "tool_runner.h"

namespace {

using mivaro::test::Quote;
using mivaro::test::RunTool;

class BadInput : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/mivaro-bad-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root_ = pattern;
    std::filesystem::create_directories(root_ + "/sub");
    std::ofstream(root_ + "/sub/a.mp3") << "x";
  }
  void TearDown() override { std::filesystem::remove_all(root_); }
  std::string root_;
};

TEST_F(BadInput, LinkLoopIsWalkedOnce) {
  std::filesystem::create_directory_symlink("..", root_ + "/sub/up");
  std::string out;
  ASSERT_EQ(RunTool("list " + Quote(root_ + "/") + " 2>&1", out), 0);
  EXPECT_EQ(out, root_ + "/sub/a.mp3\n");
}

TEST_F(BadInput, FifoIsNoTagFile) {
  const std::string fifo = root_ + "/f.mp3";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::string out;
  EXPECT_EQ(RunTool("tags " + Quote(fifo) + " 2>/dev/null", out), 1);
}

TEST_F(BadInput, NamesKeepTheirBytesAndLinesStayLines) {
  const std::string odd = root_ + "/a\xff.txt";
  std::ofstream(odd) << "hello";
  std::string out;
  ASSERT_EQ(RunTool("decode " + Quote(odd), out), 0);
  EXPECT_NE(out.find("hello"), std::string::npos);
  ASSERT_EQ(RunTool("tags " + Quote(odd), out), 0);
  EXPECT_EQ(out.rfind(odd + "\tTagVersion\t", 0), 0u);

  std::ofstream(root_ + "/sub/n\nl.mp3") << "x";
  ASSERT_EQ(RunTool("list " + Quote(root_ + "/sub/"), out), 0);
  EXPECT_EQ(out, root_ + "/sub/a.mp3\n" + root_ + "/sub/n\\nl.mp3\n");
}

TEST_F(BadInput, DecodeRefusesCodesAbove11) {
  std::string out;
  EXPECT_EQ(RunTool("decode " + Quote(root_ + "/sub/a.mp3") + " --code 12 2>&1", out), 2);
  EXPECT_EQ(RunTool("decode " + Quote(root_ + "/sub/a.mp3") + " --code 11", out), 0);
}

}  // namespace
