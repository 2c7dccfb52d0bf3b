// mivaro-tool natsort on an independent set of natural-order cases.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "tool_runner.h"

namespace {

using mivaro::test::Quote;
using mivaro::test::RunTool;

// Runs the tool with `input` on standard input; returns the exit code and fills `out`.
int RunNatsort(const std::string& args, const std::string& input, std::string& out) {
  char name[] = "/tmp/mivaro-natsort-XXXXXX";
  const int fd = mkstemp(name);
  if (fd < 0) return -1;
  close(fd);
  std::ofstream(name, std::ios::binary) << input;
  const int code = RunTool("natsort " + args + " < " + Quote(name), out);
  unlink(name);
  return code;
}

std::string Lines(const std::vector<std::string>& lines) {
  std::string s;
  for (const auto& l : lines) s += l + "\n";
  return s;
}

// Each case: the expected order; the input is the same lines reversed and interleaved.
void ExpectSorted(const std::vector<std::string>& expected, const std::string& args = "") {
  std::vector<std::string> shuffled;
  for (size_t i = 0; i < expected.size(); i += 2) shuffled.push_back(expected[i]);
  for (size_t i = expected.size(); i-- > 0;) {
    if (i % 2 == 1) shuffled.push_back(expected[i]);
  }
  std::string out;
  ASSERT_EQ(RunNatsort(args, Lines(shuffled), out), 0);
  EXPECT_EQ(out, Lines(expected));
}

TEST(NatsortTool, AsciiDigits) {
  ExpectSorted({"file1.txt", "file2.txt", "file9.txt", "file10.txt", "file11.txt",
                "file100.txt"});
  ExpectSorted({"a", "a2b1", "a2b3", "a10b1"});
  ExpectSorted({"v1.2.9", "v1.2.10", "v1.10.0"});
}

TEST(NatsortTool, FullWidthAndMixedWidthDigits) {
  ExpectSorted({"第1話", "第２話", "第3話", "第１０話", "第11話"});
}

TEST(NatsortTool, KanjiWithMultipliers) {
  ExpectSorted({"第一話", "第二話", "第九話", "第十話", "第十一話", "第二十話", "第二十五話",
                "第百話", "第百一話", "第千話", "第一万話"});
  ExpectSorted({"平成九年", "平成十年", "平成三十一年"});
}

TEST(NatsortTool, FormalKanji) {
  ExpectSorted({"壱番", "弐番", "参番", "拾番", "拾壱番", "弐拾番"});
}

TEST(NatsortTool, CircledAndRoman) {
  ExpectSorted({"①", "②", "⑨", "⑩", "⑪", "⑳"});
  ExpectSorted({"Part Ⅰ", "Part Ⅱ", "Part Ⅲ", "Part Ⅳ", "Part Ⅸ", "Part Ⅹ"});
  ExpectSorted({"ⅰ章", "ⅲ章", "Ⅹ章"});
}

TEST(NatsortTool, NumbersInDifferentScriptsMix) {
  ExpectSorted({"track 1", "track ２", "track 三", "track ④", "track Ⅴ", "track 10",
                "track 十一"});
}

TEST(NatsortTool, PathsGroupByFolder) {
  // "a b" comes after "a10": the text before the number ("a") is shorter than "a b".
  ExpectSorted({"top.mp3", "/music/a/2.mp3", "/music/a/10.mp3", "/music/a2/1.mp3",
                "/music/a10/1.mp3", "/music/a b/1.mp3"},
               "--path");
}

TEST(NatsortTool, StableForEquivalentLinesAndKeepsEmptyOnes) {
  std::string out;
  ASSERT_EQ(RunNatsort("", "b\r\nB\na01\n\na1\n", out), 0);
  EXPECT_EQ(out, "\na01\na1\nb\nB\n");
  ASSERT_EQ(RunNatsort("", "", out), 0);
  EXPECT_EQ(out, "");
  EXPECT_EQ(RunNatsort("--bogus", "", out), 2);
}

}  // namespace
