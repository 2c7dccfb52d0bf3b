#include <gtest/gtest.h>

#include "platform/media/debug_log.h"
#include "platform/media/graph_dump.h"

namespace mivaro {
namespace {

TEST(DebugLogTest, EventLinesOfKnownAndUnknownCodes) {
  auto paused = FormatGraphEvent(14, 0, 0, "12:34:56");
  ASSERT_EQ(paused.size(), 2u);
  EXPECT_EQ(paused[0], "EC_PAUSED (14, 0, 0) 12:34:56");
  EXPECT_EQ(paused[1], "   ポーズ要求が完了した。");
  auto unknown = FormatGraphEvent(4, 7, 8, "00:00:00");
  ASSERT_EQ(unknown.size(), 2u);
  EXPECT_EQ(unknown[0], " ( 4, 7, 8) 00:00:00");
  EXPECT_EQ(unknown[1], "   ");
}

TEST(DebugLogTest, ThousandAndFirstLinePushesOutTheFirstAndSaveUsesBomCrLf) {
  TDebugLog log;
  for (int i = 0; i <= 1000; ++i) log.Write(std::to_string(i));
  auto lines = log.Lines();
  ASSERT_EQ(lines.size(), 1000u);
  EXPECT_EQ(lines.front(), "1");
  EXPECT_EQ(lines.back(), "1000");
  log.Clear();
  log.Write(std::vector<std::string>{"a", "b"});
  log.Write(std::vector<std::string>{});
  EXPECT_EQ(log.SaveText(), "\xEF\xBB\xBF" "a b\r\n\r\n");
}

TEST(DebugLogTest, DumpWithoutPipelineSaysNotConnected) {
  EXPECT_EQ(DumpGraph(nullptr), std::vector<std::string>{"未接続"});
}

}  // namespace
}  // namespace mivaro
