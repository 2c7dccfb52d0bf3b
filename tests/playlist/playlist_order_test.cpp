// The playlist's sort state and sorts, and how entries follow renamed and trashed files.
#include <gtest/gtest.h>

#include <algorithm>

#include "core/wstrings.h"
#include "playlist/playlist_follow.h"
#include "playlist/playlist_order.h"
#include "temp_tree.h"

namespace mivaro {
namespace {

using testing::Items;
using testing::TempTree;

TEST(PlaylistOrder, SortStateFlipsAndMarksOnlyTheActiveKey) {
  TMySortState state;
  EXPECT_EQ(state.Choose(kSortName), 4);
  EXPECT_EQ(state.Choose(kSortName), -4);
  EXPECT_EQ(state.Caption(u"名前でソート(&N) ▲", kSortName), u"名前でソート(&N) ▼");
  EXPECT_EQ(state.Caption(u"拡張子でソート(&E) ▲", kSortExtension), u"拡張子でソート(&E)");
  EXPECT_EQ(state.Choose(kSortExtension), 5);
  state.SetShuffled();
  EXPECT_EQ(state.Choose(kSortExtension), 5);
}

// The folder key is the folder without its separator, compared naturally; equal keys keep
// their order, descending too.
TEST(PlaylistOrder, SortsByFolderStablyInBothDirections) {
  TMyWStrings list;
  for (const char16_t* s : {u"/m/d10/x.mp3", u"/m/d9/b.mp3", u"/m/d9/a.mp3", u"/m/d9.mp3"}) list.Add(s);
  SortPlaylist(list, kSortFolder);
  EXPECT_EQ(Items(list), (std::vector<std::string>{"/m/d9.mp3", "/m/d9/b.mp3", "/m/d9/a.mp3", "/m/d10/x.mp3"}));
  SortPlaylist(list, -kSortFolder);
  EXPECT_EQ(Items(list), (std::vector<std::string>{"/m/d10/x.mp3", "/m/d9/b.mp3", "/m/d9/a.mp3", "/m/d9.mp3"}));
}

TEST(PlaylistOrder, ShuffleKeepsEveryEntry) {
  TMyWStrings list;
  for (int i = 0; i < 50; ++i) list.Add(U16(std::to_string(i)));
  ShufflePlaylist(list);
  std::vector<std::string> items = Items(list), sorted = items;
  std::sort(sorted.begin(), sorted.end(), [](const std::string& a, const std::string& b) { return std::stoi(a) < std::stoi(b); });
  EXPECT_NE(items, sorted);  // one chance in 50! to fail
  for (int i = 0; i < 50; ++i) EXPECT_EQ(sorted[static_cast<size_t>(i)], std::to_string(i));
}

// An entry in other letter case follows the file, unless it is a file of its own.
TEST(PlaylistFollow, OtherCaseFollowsUnlessItIsAnotherFile) {
  TempTree tree;
  tree.Write("new.mp3", "n");
  tree.Write("Kept.mp3", "k");
  TMyWStrings list;
  for (const char* s : {"old.mp3", "OLD.mp3", "x.mp3", "kept.mp3", "Kept.mp3"}) list.Add(tree.WPath(s));
  EXPECT_EQ(ReplacePlaylistPath(list, tree.WPath("old.mp3"), tree.WPath("new.mp3")), 2);
  const std::string root = tree.Path();  // ends in "/"
  EXPECT_EQ(Items(list, root), (std::vector<std::string>{"new.mp3", "new.mp3", "x.mp3", "kept.mp3", "Kept.mp3"}));

  int playing = 3;  // kept.mp3, gone: the entry after it takes its place
  EXPECT_EQ(RemovePlaylistPath(list, tree.WPath("kept.mp3"), &playing), 1);
  EXPECT_EQ(Items(list, root), (std::vector<std::string>{"new.mp3", "new.mp3", "x.mp3", "Kept.mp3"}));
  EXPECT_EQ(playing, 3);
  EXPECT_EQ(FindPlaylistPath(list, tree.WPath("kept.mp3")), 3);
  EXPECT_EQ(FindPlaylistPath(list, tree.WPath("X.MP3")), 2);
}

}  // namespace
}  // namespace mivaro
