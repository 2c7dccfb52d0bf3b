// mivaro-tool expand over real-world playlist files (BOM, code page 932, CRLF, extended
// M3U lines, PLS, WPL with entities) and over a folder with a self-listing playlist.
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

const std::string kData = std::string(MIVARO_SOURCE_DIR) + "/tests/playlist/data/";
const std::string kParent = std::string(MIVARO_SOURCE_DIR) + "/tests/playlist/";

int RunExpand(const std::string& args, std::string& out) { return RunTool("expand " + args, out); }

std::string Expand(const std::string& fixture) {
  std::string out;
  EXPECT_EQ(RunExpand("--no-check " + Quote(kData + fixture), out), 0);
  return out;
}

// The BOM is not part of the header line, so the header is skipped; other comment lines
// are entries (they are dropped only by the existence check).
const std::string kExtended = kData +
                              "曲/01 オープニング.mp3\n"
                              "http://radio.example.com:8000/stream.mp3\n" +
                              kData + "#EXTVLCOPT:network-caching=1000\n" + kParent +
                              "shared/ending.flac\n/srv/music/absolute.ogg\n";
const std::string kOldPlayer = kData + "アニメ/第二話.mp4\n" + kData + "アニメ/第十話.mp4\n";

TEST(ExpandTool, Utf8WithBomCrLfAndExtendedLines) { EXPECT_EQ(Expand("extended.m3u8"), kExtended); }

TEST(ExpandTool, CodePage932WithWindowsSeparators) {
  EXPECT_EQ(Expand("old-player.m3u"), kOldPlayer);
}

TEST(ExpandTool, PlsWithUrlsAndANestedList) {
  EXPECT_EQ(Expand("radio.pls"),
            "http://stream.example.org/live.aac\n" + kData + "local/track 2.mp3\n" + kOldPlayer);
}

TEST(ExpandTool, WplWithEntitiesAndBackslashes) {
  EXPECT_EQ(Expand("library.wpl"), kData + "Rock & Roll/01 Don't Stop.mp3\n" + kParent +
                                       "videos/clip.wmv\n" + kExtended);
}

TEST(ExpandTool, ChecksExistenceByDefaultAndReadsSelfListsOnce) {
  char pattern[] = "/tmp/mivaro-expand-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::filesystem::path root = pattern;
  for (const char* f : {"a.mp3", "b.mp3"}) std::ofstream(root / f) << "";
  std::ofstream(root / "self.m3u") << "b.mp3\nmissing.mp3\nself.m3u\n";
  std::string out;
  ASSERT_EQ(RunExpand(Quote((root / "self.m3u").string()) + " " + Quote((root / "a.mp3").string()),
                      out),
            0);
  EXPECT_EQ(out, (root / "a.mp3").string() + "\n" + (root / "b.mp3").string() + "\n");
  ASSERT_EQ(RunExpand("--no-check " + Quote((root / "self.m3u").string()), out), 0);
  EXPECT_EQ(out, (root / "b.mp3").string() + "\n" + (root / "missing.mp3").string() + "\n");
  EXPECT_EQ(RunExpand("", out), 2);
  std::filesystem::remove_all(root);
}

}  // namespace
