// mivaro-tool list: files, folders and patterns expanded as the file list does it.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "tool_runner.h"

namespace {

using mivaro::test::Quote;
using mivaro::test::RunTool;

int RunList(const std::string& args, std::string& out) {
  return RunTool("list " + args + " 2>&1", out);
}

class ListTool : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/mivaro-list-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root_ = pattern;
    for (const char* f : {"m/b10.mp3", "m/b2.mp3", "m/x/a.mp3", "m/x/y/deep.wav", "m/notes.txt",
                          "m/曲 1.mp3", "other/z.mp3"}) {
      const std::filesystem::path p = root_ / f;
      std::filesystem::create_directories(p.parent_path());
      std::ofstream(p) << "";
    }
  }
  void TearDown() override { std::filesystem::remove_all(root_); }
  std::string P(const std::string& rel) const { return (root_ / rel).string(); }

  std::filesystem::path root_;
};

TEST_F(ListTool, FolderWalkIsDepthFirstAndSorted) {
  std::string out;
  ASSERT_EQ(RunList(Quote(P("m")), out), 0);
  EXPECT_EQ(out, P("m/b2.mp3") + "\n" + P("m/b10.mp3") + "\n" + P("m/notes.txt") + "\n" +
                     P("m/曲 1.mp3") + "\n" + P("m/x/a.mp3") + "\n" + P("m/x/y/deep.wav") +
                     "\n");
}

TEST_F(ListTool, FiltersPatternsAndSeveralSources) {
  std::string out;
  ASSERT_EQ(RunList("--exclude .txt,wav " + Quote(P("m/")) + " " + Quote(P("m/")), out), 0);
  EXPECT_EQ(out, P("m/b2.mp3") + "\n" + P("m/b10.mp3") + "\n" + P("m/曲 1.mp3") + "\n" +
                     P("m/x/a.mp3") + "\n");
  ASSERT_EQ(RunList("--include .mp3 " + Quote(P("other")) + " " + Quote(P("m/b*")), out), 0);
  // Sources are taken in path order: the folder "other" lies in the root, "m/b*" below it.
  EXPECT_EQ(out, P("other/z.mp3") + "\n" + P("m/b2.mp3") + "\n" + P("m/b10.mp3") + "\n");
  ASSERT_EQ(RunList(Quote(P("nothing/here")), out), 0);
  EXPECT_EQ(out, "");
  EXPECT_EQ(RunList("", out), 2);
}

}  // namespace
