#include "playlist/media_strings.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "core/hooks.h"
#include "core/text_file.h"
#include "temp_tree.h"

namespace mivaro {
namespace {

using testing::Items;
using testing::TempTree;

TEST(MediaStrings, PlaylistFileNamesAndSaving) {
  EXPECT_TRUE(IsPlaylistFile(u"/a/b.M3U"));
  EXPECT_TRUE(IsPlaylistFile(u"b.m3u8"));
  EXPECT_TRUE(IsPlaylistFile(u"b.Pls"));
  EXPECT_TRUE(IsPlaylistFile(u"b.wpl"));
  EXPECT_FALSE(IsPlaylistFile(u"b.m3u.mp3"));
  EXPECT_FALSE(IsPlaylistFile(u"/a.m3u/b"));
  EXPECT_EQ(ResumeListFileName(u"/opt/mivaro/mivaro"), u"/opt/mivaro/mivaro.resume.m3u8");

  TempTree t;
  TMyWStrings list;
  list.Add(u"a.mp3");
  list.Add(u"曲/b.mp3");
  ASSERT_TRUE(SavePlaylist(list, t.WPath("list.m3u"), false));
  TextEncoding code = kEncodingDetect;
  std::string bytes;
  {
    std::ifstream in(t.Path("list.m3u.m3u8"), std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), {});
  }
  EXPECT_EQ(bytes, "a.mp3\r\n\xE6\x9B\xB2/b.mp3\r\n");
  ASSERT_TRUE(SavePlaylist(list, t.WPath("x.M3U8"), true));
  EXPECT_EQ(ReadWholeTextFile(t.WPath("x.M3U8"), code), u"a.mp3\r\n曲/b.mp3\r\n");
  EXPECT_EQ(code, kEncodingUtf8Bom);
  EXPECT_FALSE(SavePlaylist(list, t.WPath("missing/folder/y.m3u8"), false));
}

TEST(MediaStrings, TagObjectsCarryTheDirectoryEntry) {
  TempTree t;
  t.Write("a.mp3", std::string(1234, 'x'));
  TMyMediaStrings list;
  ASSERT_TRUE(list.AddFromSource(t.WPath("a.mp3")));
  ASSERT_EQ(list.Count(), 1);
  const TMyTag* tag = list.Tag(0);
  ASSERT_NE(tag, nullptr);
  EXPECT_EQ(tag->FileName, t.WPath("a.mp3"));
  EXPECT_EQ(tag->FileSize, 1234);
  EXPECT_NE(tag->WriteTime, 0);
  EXPECT_TRUE(tag->Title.empty());
  EXPECT_EQ(tag->TitleOrFileTitle(), u"a");
  EXPECT_EQ(tag->FileExt, u".mp3");
  EXPECT_EQ(tag->FilePath, t.WPath(""));
  EXPECT_TRUE(tag->FileExists);
  EXPECT_TRUE(tag->FolderExists);
  EXPECT_EQ(tag->Duration, -1.0);

  std::unique_ptr<TMyTag> missing(list.CreateObjectForPath(t.WPath("gone.mp3")));
  EXPECT_EQ(missing->FileSize, 0);
  EXPECT_EQ(missing->WriteTime, 0);
  EXPECT_EQ(missing->CreateTime, 0);
  EXPECT_FALSE(missing->FileExists);
  EXPECT_TRUE(missing->FolderExists);
  std::unique_ptr<TMyTag> nowhere(list.CreateObjectForPath(u"/no/such/folder/x.mp3"));
  EXPECT_FALSE(nowhere->FolderExists);

  list.Delete(0);  // frees the tag (the sanitizer run would see a leak otherwise)
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Tag(5), nullptr);
}

TEST(MediaStringsM3u, EntryReplacesThePlaylistAtItsPosition) {
  TempTree t;
  t.Write("m/1.mp3", "");
  t.Write("m/sub/song.mp3", "");
  t.Write("m/5.m3u", "#EXTM3U\r\n#EXTINF:123,Artist - Title\r\nsub/song.mp3\r\n");
  t.Write("m/9.mp3", "");
  TMyMediaStrings list;
  TMyWStrings sources;
  sources.Add(t.WPath("m/9.mp3"));
  sources.Add(t.WPath("m/5.m3u"));
  sources.Add(t.WPath("m/1.mp3"));
  ASSERT_TRUE(list.AddFromSources(sources));
  EXPECT_EQ(Items(list, t.Path()),
            (std::vector<std::string>{"m/1.mp3", "m/sub/song.mp3", "m/9.mp3"}));
  ASSERT_NE(list.Tag(1), nullptr);
  EXPECT_EQ(list.Tag(1)->FileName, t.WPath("m/sub/song.mp3"));
}

TEST(MediaStringsM3u, LinesAreTrimmedCommentsKeptAndMissingFilesSkipped) {
  TempTree t;
  t.Write("a.mp3", "");
  t.Write("b c.mp3", "");
  t.Write("#note", "");  // a comment line names a file when one has that name
  t.Write("l.m3u", "\t a.mp3 \n#note\nmissing.mp3\n\n b c.mp3\x01\r#EXTINF:1,x\n#EXTM3U\n");
  TMyMediaStrings list;
  list.Add(t.WPath("l.m3u"));
  EXPECT_EQ(list.ExpandAllPlaylists(), 2);
  EXPECT_EQ(Items(list, t.Path()), (std::vector<std::string>{"a.mp3", "#note", "b c.mp3"}));

  TMyMediaStrings unchecked;
  unchecked.Add(t.WPath("l.m3u"));
  unchecked.ExpandPlaylists(false);
  EXPECT_EQ(Items(unchecked, t.Path()),
            (std::vector<std::string>{"a.mp3", "#note", "missing.mp3", "b c.mp3", "#EXTM3U"}));
  ASSERT_NE(unchecked.Tag(2), nullptr);
  EXPECT_EQ(unchecked.Tag(2)->FileSize, 0);
}

TEST(MediaStringsM3u, LeadingBomIsNotPartOfTheFirstLine) {
  TempTree t;
  t.Write("曲.mp3", "");
  t.Write("a.mp3", "");
  t.Write("l.m3u8", "\xEF\xBB\xBF#EXTM3U\n\xE6\x9B\xB2.mp3\n");
  t.Write("p.m3u8", "\xEF\xBB\xBF" "a.mp3\r\n\xE6\x9B\xB2.mp3");  // no header: a path first
  TMyMediaStrings list;
  list.Add(t.WPath("l.m3u8"));
  list.Add(t.WPath("p.m3u8"));
  list.ExpandPlaylists(true);
  EXPECT_EQ(Items(list, t.Path()), (std::vector<std::string>{"曲.mp3", "a.mp3", "曲.mp3"}));

  // Without the existence check the header must still not become an entry.
  TMyMediaStrings unchecked;
  unchecked.Add(t.WPath("l.m3u8"));
  unchecked.ExpandPlaylists(false);
  EXPECT_EQ(Items(unchecked, t.Path()), (std::vector<std::string>{"曲.mp3"}));

  // Only a mark at the very start goes; one inside a later line is that line's text.
  EXPECT_EQ(ParseM3uEntries(u"\uFEFFa\n\uFEFFb"), (std::vector<WString>{u"a", u"\uFEFFb"}));
  EXPECT_TRUE(ParseM3uEntries(u"\uFEFF").empty());
}

TEST(MediaStringsM3u, Utf8ListsKeepBrokenBytesAndEveryLineBreak) {
  TempTree t;
  t.Write("a.mp3", "12345");
  // A truncated character at a line's end, a stray continuation byte, CR, CR LF and LF.
  t.Write("l.m3u8", "#EXTM3U \rx\xE3\x81\r\n\x81y.mp3\na.mp3\r#EXTINF:1,t\n \t\n");
  TMyMediaStrings list;
  list.Add(t.WPath("l.m3u8"));
  list.ExpandPlaylists(false);
  ASSERT_EQ(list.Count(), 3);
  // Bytes that are no UTF-8 are kept as U+DC80..U+DCFF, as names read from disk are.
  EXPECT_EQ(list.Get(0), t.WPath("") + u"x\xDCE3\xDC81");
  EXPECT_EQ(list.Get(1), t.WPath("") + u"\xDC81y.mp3");
  EXPECT_EQ(list.Get(2), t.WPath("a.mp3"));
  // Cutting the bytes before decoding finds what cutting the decoded text finds.
  const std::string tricky = "\xEF\xBB\xBF #EXTM3U\r\xF0\x9F\n\x80\r\r\n\xE6\x9B\xB2 \n#EXTINF:x\n\xC3";
  EXPECT_EQ(ParseM3u8Entries(tricky),
            (std::vector<WString>{u"\xDCF0\xDC9F", u"\xDC80", u"曲", u"\xDCC3"}));
  // The entry's tag is made when it is asked for, from the file as it is then.
  ASSERT_NE(list.Tag(2), nullptr);
  EXPECT_EQ(list.Tag(2)->FileSize, 5);
  EXPECT_TRUE(list.Tag(2)->FileExists);
  EXPECT_FALSE(list.Tag(0)->FileExists);
}

TEST(MediaStringsExpand, PlaylistsLargerThanTheMemoryBudgetAreRefusedWithANotice) {
  TempTree t;
  std::string lines;
  for (int i = 0; i < 100; ++i) lines += "n" + std::to_string(i) + ".mp3\n";
  t.Write("big.m3u8", lines);
  t.Write("small.m3u8", "one.mp3\n");
  std::vector<WString> notices;
  SetMessageHook([&](WStringView text, MessageKind) {
    notices.emplace_back(text);
    return 0;
  });
  auto expand = [&](std::uint64_t budget) {
    TMyMediaStrings list;
    list.MemoryBudget = budget;
    list.Add(t.WPath("small.m3u8"));
    list.Add(u"/keep.mp3");
    list.Add(t.WPath("big.m3u8"));
    list.ExpandPlaylists(false);
    return list.Count();
  };
  // The entries do not fit (about 100 bytes each), then the file itself does not.
  EXPECT_EQ(expand(4000), 2);
  EXPECT_EQ(expand(500), 2);
  ASSERT_EQ(notices.size(), 2u);
  EXPECT_EQ(notices[0], u"プレイリスト「big.m3u8」は大きすぎるため、読み込めませんでした");
  EXPECT_EQ(expand(1 << 20), 102);
  EXPECT_EQ(notices.size(), 2u);
  SetMessageHook(nullptr);
}

TEST(MediaStringsM3u, ShiftJisListsAreDetected) {
  TempTree t;
  t.Write("曲.mp3", "");
  t.Write("l.m3u", "#EXTM3U\r\n\x8B\xC8.mp3\r\n");  // 曲 in code page 932
  TMyMediaStrings list;
  list.Add(t.WPath("l.m3u"));
  list.ExpandPlaylists(true);
  EXPECT_EQ(Items(list, t.Path()), (std::vector<std::string>{"曲.mp3"}));
}

// Entries as other players write them: file URIs and percent-encoded relative names.
TEST(MediaStringsExpand, FileUrisAndEscapedNamesInEveryFormat) {
  TempTree t;
  t.Write("sub/第1話.mp4", "");
  t.Write("100%41.mp3", "");  // a name holding an escape-like "%41"
  t.Write("A b.mp3", "");
  const std::string uri = "file://" + t.Path("sub/%E7%AC%AC1%E8%A9%B1.mp4");
  t.Write("l.m3u8", "#EXTM3U\n" + uri + "\nsub/%E7%AC%AC1%E8%A9%B1.mp4\n100%41.mp3\n"
                    "%41%20b.mp3\nhttp://radio/x%20y.mp3\n");
  t.Write("l.pls", "[playlist]\nNumberOfEntries=2\nFile1=" + uri + "\nFile2=A%20b.mp3\n");
  t.Write("l.wpl", "<smil><body>\n<seq>\n<media src=\"" + uri + "\"/>\n</seq>\n");
  const std::vector<std::string> film = {"sub/第1話.mp4"};
  const std::vector<std::string> expected[] = {
      {"sub/第1話.mp4", "sub/第1話.mp4", "100%41.mp3", "A b.mp3"},
      {"sub/第1話.mp4", "A b.mp3"},
      film};
  const char* names[] = {"l.m3u8", "l.pls", "l.wpl"};
  for (int k = 0; k < 3; ++k) {
    TMyMediaStrings list;
    list.Add(t.WPath(names[k]));
    list.ExpandPlaylists(true);
    EXPECT_EQ(Items(list, t.Path()), expected[k]) << names[k];
  }
  // Other schemes stay as written.
  TMyMediaStrings unchecked;
  unchecked.Add(t.WPath("l.m3u8"));
  unchecked.ExpandPlaylists(false);
  ASSERT_EQ(unchecked.Count(), 5);
  EXPECT_EQ(unchecked.Get(4), u"http://radio/x%20y.mp3");
}

// 8-bit lists that are neither code page 932 nor UTF-8 read as Windows-1252, never as a
// hexadecimal dump.
TEST(MediaStringsExpand, WesternEightBitListsAreText) {
  TempTree t;
  t.Write("Röyksopp - Eple.mp3", "");
  t.Write("Café – 1.mp3", "");
  t.Write("l.m3u", "#EXTM3U\r\n#EXTINF:222,R\xF6yksopp - Eple\r\nR\xF6yksopp - Eple.mp3\r\n");
  t.Write("l.pls", "[playlist]\nNumberOfEntries=1\nFile1=Caf\xE9 \x96 1.mp3\n");
  for (const char* name : {"l.m3u", "l.pls"}) {
    TMyMediaStrings list;
    list.Add(t.WPath(name));
    list.ExpandPlaylists(false);
    EXPECT_EQ(Items(list, t.Path()),
              std::vector<std::string>{std::string(name) == "l.m3u" ? "Röyksopp - Eple.mp3"
                                                                    : "Café – 1.mp3"})
        << name;
  }
}

TEST(MediaStringsExpand, EachPlaylistIsReadOnce) {
  TempTree t;
  t.Write("a.mp3", "");
  t.Write("b.mp3", "");
  t.Write("self.m3u", "a.mp3\nself.m3u\n./self.m3u\n");
  t.Write("x.m3u", "a.mp3\ny.m3u\n");
  t.Write("y.m3u", "b.mp3\nx.m3u\n");
  TMyMediaStrings list;
  list.Add(t.WPath("self.m3u"));
  list.ExpandPlaylists(true);
  EXPECT_EQ(Items(list, t.Path()), (std::vector<std::string>{"a.mp3"}));

  TMyMediaStrings pair;
  pair.Add(t.WPath("x.m3u"));
  pair.ExpandPlaylists(true);
  EXPECT_EQ(Items(pair, t.Path()), (std::vector<std::string>{"a.mp3", "b.mp3"}));

  // Given twice: the entries once, at the later position; both items go.
  TMyMediaStrings twice;
  twice.Add(t.WPath("self.m3u"));
  twice.Add(t.WPath("b.mp3"));
  twice.Add(t.WPath("self.m3u"));
  EXPECT_EQ(twice.ExpandPlaylists(true), -1);
  EXPECT_EQ(Items(twice, t.Path()), (std::vector<std::string>{"b.mp3", "a.mp3"}));

  // A folder walk expands the playlists it finds.
  TMyMediaStrings walked;
  walked.AddFromSource(t.WPath(""));
  EXPECT_EQ(Items(walked, t.Path()),
            (std::vector<std::string>{"a.mp3", "b.mp3", "a.mp3", "b.mp3", "a.mp3"}));
}

TEST(MediaStringsExpand, FilterAppliesToEntries) {
  TempTree t;
  t.Write("a.mp3", "");
  t.Write("b.txt", "");
  t.Write("l.m3u", "a.mp3\nb.txt\n");
  TMyMediaStrings list;
  list.ExcludeExtensions = {u".txt"};
  int added = 0;
  list.OnFileAdded = [&added](int n, WStringView) { added = n; };
  list.AddFromSource(t.WPath("l.m3u"));
  EXPECT_EQ(Items(list, t.Path()), (std::vector<std::string>{"a.mp3"}));
  EXPECT_EQ(added, 1);
}

TEST(MediaStringsExpand, CancelStopsAndKeepsTheRest) {
  TempTree t;
  std::string body;
  for (int i = 0; i < 50; ++i) {
    t.Write(std::to_string(i) + ".mp3", "");
    body += std::to_string(i) + ".mp3\n";
  }
  t.Write("l.m3u", body);
  TMyMediaStrings list;
  list.Add(t.WPath("first.mp3"));
  list.Add(t.WPath("l.m3u"));
  int asked = 0;
  list.OnCancelQuery = [&asked] { return ++asked > 10; };
  list.ExpandPlaylists(true);
  EXPECT_GT(list.Count(), 1);
  EXPECT_LT(list.Count(), 51);
  EXPECT_EQ(Utf8(list.Get(0)), t.Path("first.mp3"));
}

TEST(MediaStringsPls, EntriesInOrderUpToTheCount) {
  TempTree t;
  for (const char* n : {"1.mp3", "2.mp3", "3.mp3", "4.mp3"}) t.Write(n, "");
  t.Write("l.pls",
          "[playlist]\nFile3=3.mp3\nfile1=1.mp3\nTitle1=one\nFile2= 2.mp3 \nFile4=4.mp3\n"
          "NumberOfEntries=3\nVersion=2\n");
  TMyMediaStrings list;
  list.Add(t.WPath("l.pls"));
  list.ExpandPlaylists(true);
  EXPECT_EQ(Items(list, t.Path()), (std::vector<std::string>{"1.mp3", "2.mp3", "3.mp3"}));

  // A count of two billion finishes at once with the entries that are there.
  t.Write("huge.pls", "[playlist]\nNumberOfEntries=2000000000\nFile7=4.mp3\n");
  TMyMediaStrings huge;
  huge.Add(t.WPath("huge.pls"));
  const auto start = std::chrono::steady_clock::now();
  huge.ExpandPlaylists(true);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_EQ(Items(huge, t.Path()), (std::vector<std::string>{"4.mp3"}));

  t.Write("none.pls", "[playlist]\nFile1=1.mp3\n");
  TMyMediaStrings none;
  none.Add(t.WPath("none.pls"));
  EXPECT_EQ(none.ExpandPlaylists(true), -1);
}

TEST(MediaStringsWpl, LastSequenceAndEntities) {
  TempTree t;
  t.Write("a&b.mp3", "");
  t.Write("it's.mp3", "");
  t.Write("sub/c.mp3", "");
  t.Write("old.mp3", "");
  t.Write("l.wpl",
          "<?wpl version=\"1.0\"?>\r\n<smil>\r\n<body>\r\n<seq>\r\n"
          "<media src=\"old.mp3\"/>\r\n</seq>\r\n<seq>\r\n"
          "  <media src=\"a&amp;b.mp3\" tid=\"{x}\"/>\r\n"
          "<MEDIA src=\"it&apos;s.mp3\"/>\r\n"
          "<media src=\"sub\\c.mp3\"/>\r\n"
          "<media src='single.mp3'/>\r\n"
          "</seq>\r\n</body>\r\n</smil>\r\n");
  TMyMediaStrings list;
  list.Add(t.WPath("l.wpl"));
  list.ExpandPlaylists(true);
  EXPECT_EQ(Items(list, t.Path()),
            (std::vector<std::string>{"a&b.mp3", "it's.mp3", "sub/c.mp3"}));
}

TEST(MediaStringsXspf, TrackLocationsAsUrisAgainstThePlaylistFolder) {
  TempTree t;
  t.Write("music/a b.mp3", "");
  t.Write("music/第1話.mp4", "");
  t.Write("music/alt.mp3", "");
  t.Write("music/inner.m3u", "alt.mp3\n");
  t.Write("lists/l.xspf",
          "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
          "<playlist version=\"1\" xmlns=\"http://xspf.org/ns/0/\">\n"
          " <title>ignored.mp3</title>\n <trackList>\n"
          "  <track><location>../music/a%20b.mp3</location>"
          "<location>../music/alt.mp3</location></track>\n"
          "  <track><title>x</title><location>file://" +
              t.Path("music/%E7%AC%AC1%E8%A9%B1.mp4") + "</location></track>\n"
          "  <track><location>../music/missing.mp3</location></track>\n"
          "  <track><location> ../music/inner.m3u </location></track>\n"
          " </trackList>\n</playlist>\n");
  EXPECT_TRUE(IsPlaylistFile(u"/a/b.XSPF"));
  TMyMediaStrings list;
  list.Add(t.WPath("lists/l.xspf"));
  list.ExpandPlaylists(true);
  EXPECT_EQ(Items(list, t.Path()),
            (std::vector<std::string>{"music/a b.mp3", "music/第1話.mp4", "music/alt.mp3"}));
  // Damage ends the reading with the tracks before it; a document type is refused.
  EXPECT_EQ(ParseXspfEntries("<playlist><trackList><track><location>a</location></track>"
                             "<track><location>b</locat"),
            std::vector<WString>{u"a"});
  EXPECT_TRUE(ParseXspfEntries("<!DOCTYPE playlist [<!ENTITY e \"a\">]><playlist><trackList>"
                               "<track><location>&e;</location></track></trackList></playlist>")
                  .empty());
}

TEST(MediaStringsReaders, GarbageAndHugeListsFinishPromptly) {
  TempTree t;
  std::string garbage;
  for (int i = 0; i < 200000; ++i) garbage.push_back(static_cast<char>((i * 7919) % 256));
  t.Write("junk.m3u", garbage);
  t.Write("junk.wpl", garbage);
  t.Write("junk.pls", garbage);
  t.Write("junk.xspf", garbage);
  std::string lines;  // a million lines, a quarter of them entries of missing files
  for (int i = 0; i < 250000; ++i) lines += "#EXTINF:1,t\n#EXTINF:2,u\n#EXTINF:3,v\nx\n";
  t.Write("million.m3u8", lines);
  TMyMediaStrings list;
  for (const char* n : {"junk.m3u", "junk.wpl", "junk.pls", "junk.xspf", "million.m3u8"}) {
    list.Add(t.WPath(n));
  }
  const auto start = std::chrono::steady_clock::now();
  list.ExpandPlaylists(true);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(120));
  EXPECT_EQ(list.Count(), 0);
}

TEST(MediaStringsSort, TagKeys) {
  TMyMediaStrings list;
  auto add = [&list](const char16_t* path, const char16_t* title, double duration,
                     int width, int height) {
    TMyTagValue v;
    v.FileName = path;
    v.Title = title;
    v.Duration = duration;
    v.VideoWidth = width;
    v.VideoHeight = height;
    list.AddObject(path, new TMyTag(v));
  };
  add(u"/m/Track 10.mp3", u"", 5.5, 640, 480);
  add(u"/m/c.mp3", u"Track 9", 120.0, 640, 360);
  add(u"/m/b.mp3", u"Alpha", 61.2, 1920, 1080);
  list.Add(u"/m/untagged.mp3");

  list.SortByTitle(true);  // the title, or the file title; no tag gives ""
  EXPECT_EQ(Items(list), (std::vector<std::string>{"/m/untagged.mp3", "/m/b.mp3", "/m/c.mp3",
                                                   "/m/Track 10.mp3"}));
  list.SortByDuration(false);
  EXPECT_EQ(Items(list), (std::vector<std::string>{"/m/c.mp3", "/m/b.mp3", "/m/Track 10.mp3",
                                                   "/m/untagged.mp3"}));
  list.SortByVideoSize(true);
  EXPECT_EQ(Items(list), (std::vector<std::string>{"/m/untagged.mp3", "/m/c.mp3",
                                                   "/m/Track 10.mp3", "/m/b.mp3"}));
  list.SortByName(true);
  EXPECT_EQ(Items(list), (std::vector<std::string>{"/m/b.mp3", "/m/c.mp3", "/m/Track 10.mp3",
                                                   "/m/untagged.mp3"}));
}

}  // namespace
}  // namespace mivaro
