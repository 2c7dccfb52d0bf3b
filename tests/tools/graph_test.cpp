// mivaro-tool graph: the registered elements, and a file that is no media.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "tool_runner.h"

namespace {

using mivaro::test::Quote;
using mivaro::test::RunTool;

TEST(ToolGraph, RegisteredListAndUnplayableFile) {
  std::string out;
  ASSERT_EQ(RunTool("graph --registered 2>/dev/null", out), 0);
  EXPECT_EQ(out.rfind("*** Audio Capture Sources ***\n", 0), 0u);
  EXPECT_NE(out.find("*** ActiveMovie Filter Categories ***\n無し\n"), std::string::npos);

  const std::string junk = "/tmp/mivaro-graph-junk-" + std::to_string(getpid()) + ".mp4";
  std::ofstream(junk) << "this is not a video";
  EXPECT_NE(RunTool("graph " + Quote(junk) + " 2>/dev/null", out), 0);
  EXPECT_NE(out.find("エラー: "), std::string::npos) << out;
  std::remove(junk.c_str());
}

}  // namespace
