// The open-history rule: newest first, one entry per path ignoring case, ten at most.
#include <gtest/gtest.h>

#include "playlist/open_history.h"

namespace mivaro {
namespace {

std::vector<WString> Paths(const std::vector<WString>& stored) {
  std::vector<WString> paths;
  for (const WString& line : stored) paths.push_back(OpenHistoryPathOf(line));
  return paths;
}

TEST(OpenHistory, NewestOnTopDuplicateIgnoringCaseMovesUpOldestFallsOff) {
  std::vector<WString> stored;
  for (const char16_t* path : {u"/m/f0.mp4", u"/m/f1.mp4", u"/m/f2.mp4", u"/m/f3.mp4",
                               u"/m/f4.mp4", u"/m/f5.mp4", u"/m/f6.mp4", u"/m/f7.mp4",
                               u"/m/f8.mp4", u"/m/f9.mp4", u"/m/f10.mp4"})
    stored = InsertOpenHistory(stored, path);
  stored = InsertOpenHistory(stored, u"/M/F5.MP4");
  stored = InsertOpenHistory(stored, u"");
  const std::vector<WString> expected = {u"/M/F5.MP4", u"/m/f10.mp4", u"/m/f9.mp4", u"/m/f8.mp4",
                                         u"/m/f7.mp4", u"/m/f6.mp4",  u"/m/f4.mp4", u"/m/f3.mp4",
                                         u"/m/f2.mp4", u"/m/f1.mp4"};
  EXPECT_EQ(Paths(stored), expected);
}

TEST(OpenHistory, SettingsLinesKeepTheirOrderAndWidePathsSurvive) {
  const WString wide = u"/new/ファイル$x café";
  const std::vector<WString> lines = {OpenHistoryStoredForm(wide), u"/old/folder", u"/OLD/FOLDER"};
  // "$" and "é" (not in code page 932) are escaped.
  EXPECT_EQ(lines[0], u"/new/ファイル$0024x caf$00e9");
  EXPECT_EQ(Paths(OpenHistoryFromLines(lines)), (std::vector<WString>{wide, u"/old/folder"}));
}

}  // namespace
}  // namespace mivaro
