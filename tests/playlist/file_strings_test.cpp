#include "playlist/file_strings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/hooks.h"
#include "core/paths.h"
#include "temp_tree.h"

namespace mivaro {
namespace {

using testing::Items;
using testing::TempTree;

TEST(FileStringsFilter, IncludeExcludeAndPatterns) {
  TMyFileStrings list;
  EXPECT_TRUE(list.AcceptFile(u"/a/x.anything"));
  list.ExcludeExtensions = {u".txt"};
  EXPECT_FALSE(list.AcceptFile(u"/a/readme.TXT"));
  EXPECT_FALSE(list.LastAccepted);
  EXPECT_TRUE(list.AcceptFile(u"/a/song.mp3"));
  EXPECT_TRUE(list.LastAccepted);

  list.IncludeExtensions = {u".mp3", u".h1?"};
  EXPECT_TRUE(list.AcceptFile(u"/a/SONG.MP3"));
  EXPECT_TRUE(list.AcceptFile(u"/a/x.h10"));
  EXPECT_TRUE(list.AcceptFile(u"/a/x.H1a"));
  EXPECT_FALSE(list.AcceptFile(u"/a/x.h100"));
  EXPECT_FALSE(list.AcceptFile(u"/a/x.wav"));
  EXPECT_FALSE(list.AcceptFile(u"/a.mp3/noext"));  // the dot lies in a folder name

  // The same extension twice in a row, with the lists changed in between, is decided anew.
  EXPECT_TRUE(list.AcceptFile(u"/a/one.mp3"));
  list.ExcludeExtensions = {u".MP3"};
  EXPECT_FALSE(list.AcceptFile(u"/a/two.mp3"));
  list.ExcludeExtensions.clear();
  list.IncludeExtensions = {u".wav"};
  EXPECT_FALSE(list.AcceptFile(u"/a/three.mp3"));
  EXPECT_TRUE(list.AcceptFile(u"/a/four.WAV"));
}

TEST(FileStringsFilter, RefusedItemsAreNotAddedAndTheirObjectsFreed) {
  TMyFileStrings list;
  list.ExcludeExtensions = {u".txt"};
  int freed = 0;
  list.ObjectDeleter = [&freed](void*) { ++freed; };
  int dummy = 0;
  EXPECT_EQ(list.AddObject(u"/a/notes.txt", &dummy), -1);
  EXPECT_EQ(freed, 1);
  list.InsertItem(0, u"/a/more.txt", &dummy);
  EXPECT_EQ(freed, 2);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.AddObject(u"/a/song.mp3", &dummy), 0);
  EXPECT_EQ(list.Add(u"/a/b.txt"), -1);  // Add goes through AddObject
  EXPECT_EQ(list.Count(), 1);

  TMyFileStrings copy;
  copy.AssignWStrings(list);
  EXPECT_EQ(copy.ExcludeExtensions, list.ExcludeExtensions);
  EXPECT_EQ(copy.Count(), 1);
}

TEST(FileStringsEnumerate, FilesBeforeSubFoldersInNaturalishOrder) {
  TempTree t;
  t.Write("m/b10.mp3", "");
  t.Write("m/b2.mp3", "");
  t.Write("m/x/a.mp3", "");
  t.Write("m/a/z.mp3", "");
  t.Write("m/a/d/deep.mp3", "");
  t.Write("m/c.txt", "");

  TMyFileStrings list;
  list.ExcludeExtensions = {u".txt"};
  std::vector<int> numbers;
  list.OnFileAdded = [&numbers](int n, WStringView) { numbers.push_back(n); };
  EXPECT_TRUE(list.AddFromSource(t.WPath("m")));
  EXPECT_EQ(Items(list, t.Path()), (std::vector<std::string>{
                                       "m/b2.mp3", "m/b10.mp3", "m/a/z.mp3", "m/a/d/deep.mp3",
                                       "m/x/a.mp3"}));
  EXPECT_EQ(numbers.size(), 5u);
  EXPECT_EQ(std::set<int>(numbers.begin(), numbers.end()), (std::set<int>{1, 2, 3, 4, 5}));
}

TEST(FileStringsEnumerate, FoldersDifferingOnlyInCaseAreBothWalked) {
  TempTree t;
  t.Write("m/A/1.mp3", "");
  t.Write("m/a/2.mp3", "");
  TMyFileStrings list;
  EXPECT_TRUE(list.AddFromSource(t.WPath("m")));
  EXPECT_EQ(list.Count(), 2);
  TMyFileStrings sources;
  TMyWStrings both;
  both.Add(t.WPath("m/a"));
  both.Add(t.WPath("m/A"));
  both.Add(t.WPath("m/a"));
  EXPECT_TRUE(sources.AddFromSources(both));
  EXPECT_EQ(sources.Count(), 2);
  EXPECT_EQ(sources.Sources.Count(), 2);
}

TEST(FileStringsEnumerate, LinkedFoldersAreWalkedOnceAndLoopsEnd) {
  TempTree t;
  t.Write("m/a/x.mp3", "");
  t.Write("m/c/y.mp3", "");
  std::filesystem::create_directory_symlink("..", t.Path("m/a/up"));  // a loop
  std::filesystem::create_directory_symlink("a", t.Path("m/b"));      // a second name
  TMyFileStrings list;
  EXPECT_TRUE(list.AddFromSource(t.WPath("m")));
  EXPECT_EQ(Items(list, t.Path()), (std::vector<std::string>{"m/a/x.mp3", "m/c/y.mp3"}));
}

TEST(FileStringsEnumerate, SourcesAreDeduplicatedAndPatternsWork) {
  TempTree t;
  t.Write("m/1.mp3", "");
  t.Write("m/2.wav", "");
  t.Write("m/3.mp3", "");

  TMyFileStrings list;
  TMyWStrings sources;
  sources.Add(t.WPath("m") + u"/");
  sources.Add(t.WPath("m") + u"/");
  EXPECT_TRUE(list.AddFromSources(sources));
  EXPECT_EQ(list.Count(), 3);
  EXPECT_EQ(list.Sources.Count(), 1);  // Sources stays set, without the duplicate

  list.Append = false;
  EXPECT_TRUE(list.AddFromSource(t.WPath("m/*.mp3")));
  EXPECT_EQ(Items(list, t.Path()), (std::vector<std::string>{"m/1.mp3", "m/3.mp3"}));

  EXPECT_TRUE(list.AppendFromSource(t.WPath("m/2.wav")));
  EXPECT_EQ(list.Count(), 3);
  EXPECT_FALSE(list.Append);  // restored

  EXPECT_TRUE(list.AddFromSource(t.WPath("m/none*.ogg")));  // no match: no error
  EXPECT_EQ(list.Count(), 0);
}

TEST(FileStringsEnumerate, EmptySourcesAndHiddenEntries) {
  TempTree t;
  t.Write("m/.hidden.mp3", "");
  t.Write("m/.cache/x.mp3", "");
  t.Write("m/seen.mp3", "");

  TMyFileStrings list;
  list.Add(u"/old.mp3");
  list.Append = false;
  TMyWStrings none;
  none.Add(u"");
  EXPECT_FALSE(list.AddFromSources(none));
  EXPECT_EQ(list.Count(), 0);

  list.ExcludeAttributes = kFileAttrHidden;
  EXPECT_TRUE(list.AddFromSource(t.WPath("m")));
  EXPECT_EQ(Items(list, t.Path()), (std::vector<std::string>{"m/seen.mp3"}));
}

TEST(FileStringsEnumerate, CancelKeepsWhatWasAdded) {
  TempTree t;
  for (int i = 0; i < 20; ++i) t.Write("m/" + std::to_string(i) + ".mp3", "");
  TMyFileStrings list;
  int asked = 0;
  list.OnCancelQuery = [&asked] { return ++asked >= 5; };
  EXPECT_FALSE(list.AddFromSource(t.WPath("m")));
  EXPECT_GE(list.Count(), 1);
  EXPECT_LT(list.Count(), 20);

  // The Escape hook cancels only when asked to, and only for that run.
  TMyFileStrings esc;
  esc.EscapeCancels = true;
  esc.Sources.Add(t.WPath("m"));
  SetEscapePressedHook([] { return true; });
  EXPECT_FALSE(esc.EnumerateCancellable());
  EXPECT_FALSE(static_cast<bool>(esc.OnCancelQuery));
  esc.EscapeCancels = false;
  esc.Append = false;
  EXPECT_TRUE(esc.EnumerateCancellable());
  EXPECT_EQ(esc.Count(), 20);
  SetEscapePressedHook(nullptr);
}

// The walk reads names only unless a filter or the list's objects need more; these cases
// must give what a full listing gives.
TEST(FileStringsEnumerate, FiltersNeedingDetailsAndDerivedObjects) {
  TempTree t;
  t.Write("m/a.mp3", "12345");
  t.Write("m/ro.mp3", "");
  t.Write("m/ro/in.mp3", "");
  t.Write("m/skip.txt", "");
  std::filesystem::permissions(t.Path("m/ro.mp3"), std::filesystem::perms::owner_write |
                                                       std::filesystem::perms::group_write |
                                                       std::filesystem::perms::others_write,
                               std::filesystem::perm_options::remove);
  std::filesystem::permissions(t.Path("m/ro"), std::filesystem::perms::owner_write |
                                                   std::filesystem::perms::group_write |
                                                   std::filesystem::perms::others_write,
                               std::filesystem::perm_options::remove);
  TMyFileStrings all;
  ASSERT_TRUE(all.AddFromSource(t.WPath("m")));
  EXPECT_EQ(Items(all, t.Path()),
            (std::vector<std::string>{"m/a.mp3", "m/ro.mp3", "m/skip.txt", "m/ro/in.mp3"}));

  // Read-only files and folders drop out although the listing alone cannot tell.
  TMyFileStrings writable;
  writable.ExcludeAttributes = kFileAttrReadOnly;
  ASSERT_TRUE(writable.AddFromSource(t.WPath("m")));
  EXPECT_EQ(Items(writable, t.Path()), (std::vector<std::string>{"m/a.mp3", "m/skip.txt"}));

  // A derived list's objects get the size and read-only bit of each kept file only.
  struct Recording : TMyFileStrings {
    std::map<std::string, TMyFindData> seen;  // by name; the listing order is the system's
    void* CreateFileObject(WStringView path, const TMyFindData& fd) override {
      seen[Utf8(ExtractFileName(path))] = fd;
      return nullptr;
    }
  } rec;
  rec.ExcludeExtensions = {u".txt"};
  ASSERT_TRUE(rec.AddFromSource(t.WPath("m")));
  ASSERT_EQ(rec.seen.size(), 3u);
  for (const auto& [name, fd] : rec.seen) EXPECT_TRUE(fd.has_details) << name;
  EXPECT_EQ(rec.seen["a.mp3"].size, 5);
  EXPECT_NE(rec.seen["a.mp3"].write_time, 0);
  EXPECT_EQ(rec.seen["a.mp3"].attributes, kFileAttrNormal);
  EXPECT_EQ(rec.seen["ro.mp3"].attributes, kFileAttrReadOnly);
  // Writable again, so that the temporary tree can be removed.
  std::filesystem::permissions(t.Path("m/ro"), std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::add);
}

TEST(FileStringsEnumerate, StopsWhenTheApplicationTerminates) {
  TempTree t;
  for (int i = 0; i < 10; ++i) t.Write("m/" + std::to_string(i) + ".mp3", "");
  int asked = 0;
  SetApplicationTerminatingHook([&asked] { return ++asked >= 3; });
  TMyFileStrings list;
  EXPECT_FALSE(list.AddFromSource(t.WPath("m")));
  EXPECT_LT(list.Count(), 10);
  SetApplicationTerminatingHook(nullptr);
  EXPECT_FALSE(IsApplicationTerminating());
  list.Append = false;
  EXPECT_TRUE(list.AddFromSource(t.WPath("m")));
  EXPECT_EQ(list.Count(), 10);
}

TEST(FileStringsSort, KeysAreNaturalAndStable) {
  TMyFileStrings list;
  for (const char16_t* s : {u"/m/b/track10.mp3", u"/m/a/Track9.ogg", u"/m/a/track9.mp3",
                            u"/m/b/第二話.mp4", u"/m/a2/x.wav"}) {
    list.Add(s);
  }
  list.SortByName(true);
  EXPECT_EQ(Items(list), (std::vector<std::string>{"/m/a/track9.mp3", "/m/a/Track9.ogg",
                                                   "/m/b/track10.mp3", "/m/a2/x.wav",
                                                   "/m/b/第二話.mp4"}));
  list.SortByPath(true);
  EXPECT_EQ(Items(list), (std::vector<std::string>{"/m/a/track9.mp3", "/m/a/Track9.ogg",
                                                   "/m/a2/x.wav", "/m/b/track10.mp3",
                                                   "/m/b/第二話.mp4"}));
  list.SortByExtension(false);  // equal extensions keep their order
  EXPECT_EQ(Items(list), (std::vector<std::string>{"/m/a2/x.wav", "/m/a/Track9.ogg",
                                                   "/m/b/第二話.mp4", "/m/a/track9.mp3",
                                                   "/m/b/track10.mp3"}));
  list.SortByFolder(true, 1, 3);  // a range only
  EXPECT_EQ(Items(list), (std::vector<std::string>{"/m/a2/x.wav", "/m/a/Track9.ogg",
                                                   "/m/a/track9.mp3", "/m/b/第二話.mp4",
                                                   "/m/b/track10.mp3"}));
}

TEST(FileStringsSort, SizeDescendingKeepsTiesInOrder) {
  TempTree t;
  t.Write("big.mp3", std::string(300, 'x'));
  t.Write("mid1.mp3", std::string(100, 'x'));
  t.Write("mid2.mp3", std::string(100, 'x'));
  TMyFileStrings list;
  for (const char* n : {"mid1.mp3", "big.mp3", "mid2.mp3"}) list.Add(t.WPath(n));
  list.SortBySize(false);
  EXPECT_EQ(Items(list, t.Path()), (std::vector<std::string>{"big.mp3", "mid1.mp3", "mid2.mp3"}));
  list.SortBySize(true);
  EXPECT_EQ(Items(list, t.Path()), (std::vector<std::string>{"mid1.mp3", "mid2.mp3", "big.mp3"}));
}

TEST(FileStringsShuffle, KeepsItemsAndTheirObjects) {
  TMyFileStrings one;
  int x = 0;
  one.AddObject(u"a", &x);
  one.Shuffle(0, -1);
  EXPECT_EQ(one.Get(0), u"a");
  EXPECT_EQ(one.GetObject(0), &x);

  TMyFileStrings list;
  std::vector<int> objects(50);
  for (int i = 0; i < 50; ++i) list.AddObject(U16(std::to_string(i)), &objects[i]);
  list.Shuffle(10, 39);
  std::set<std::string> middle;
  bool moved = false;
  for (int i = 0; i < 50; ++i) {
    const int n = std::stoi(Utf8(list.Get(i)));
    EXPECT_EQ(list.GetObject(i), &objects[n]);  // objects travel with their items
    if (i < 10 || i > 39) {
      EXPECT_EQ(n, i);
    }
    if (n != i) moved = true;
    if (i >= 10 && i <= 39) middle.insert(Utf8(list.Get(i)));
  }
  EXPECT_EQ(middle.size(), 30u);
  EXPECT_TRUE(moved);
}

}  // namespace
}  // namespace mivaro
