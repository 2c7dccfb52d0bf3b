// Tag objects over real files: file facts, the reader chosen by extension, the record,
// copies, and the block reads.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <ctime>

#include "tag_fixtures.h"
#include "tags/tag.h"

namespace mivaro {
namespace {

using fx::B;
using fx::Bytes;
using fx::operator+;

const Bytes kId3File = fx::Id3v2(3, fx::Frame23("TIT2", fx::Text(0, B("Song"))) +
                                        fx::Frame23("TPE1", fx::Text(0, B("Band")))) +
                       fx::Audio(200);

TEST(TagObject, ChoosesTheReaderByExtensionIgnoringCase) {
  fx::TempDir dir;
  const TMyTag upper(U16(dir.Write("a.MP3", kId3File)));
  EXPECT_EQ(upper.Title, u"Song");
  EXPECT_EQ(upper.Artist, u"Band");
  EXPECT_EQ(upper.TagVersion, u"2.3.0");

  // The same bytes under another extension: file facts only.
  const TMyTag ogg(U16(dir.Write("a.ogg", kId3File)));
  EXPECT_TRUE(ogg.FileExists);
  EXPECT_EQ(ogg.FileSize, static_cast<std::int64_t>(kId3File.size()));
  EXPECT_EQ(ogg.Title, u"");
  EXPECT_EQ(ogg.TagVersion, u"");
  EXPECT_EQ(ogg.TitleOrFileTitle(), u"a");

  const Bytes asf = fx::AsfFile({fx::ContentDescription(u"Clip", u"Maker", u"", u"", u"")});
  for (const char* name : {"v.wmv", "v.WMA"}) {
    const TMyTag t(U16(dir.Write(name, asf)));
    EXPECT_EQ(t.Title, u"Clip") << name;
    EXPECT_EQ(t.Artist, u"Maker") << name;
  }
}

TEST(TagObject, FileWithoutTagTextShowsItsFileTitle) {
  fx::TempDir dir;
  const TMyTag t(U16(dir.Write("第１話.mp3", fx::Audio(500))));
  EXPECT_EQ(t.Title, u"第１話");  // the reader's TitleOrFileTitle
  EXPECT_EQ(t.TagVersion, u"");
  const TMyTag w(U16(dir.Write("empty title.wma",
                               fx::AsfFile({fx::ContentDescription(u"", u"", u"", u"", u"")}))));
  EXPECT_EQ(w.Title, u"empty title");
}

TEST(TagObject, ReadsTagsLargerThanTheFirstBlockOfTheFile) {
  fx::TempDir dir;
  // A tag of about 20 KiB (past the first read of the file) and a SEEK to a second tag.
  const std::string lyrics(20000, 'l');
  const Bytes second = fx::Id3v2(4, fx::Frame24("TPE1", fx::Text(0, B("Band"))));
  const Bytes first = fx::Id3v2(4, fx::Frame24("USLT", fx::Described(0, B(""), B(lyrics))) +
                                       fx::Frame24("TIT2", fx::Text(0, B("Song"))) +
                                       fx::Frame24("SEEK", fx::BigEndian(3000, 4)));
  const TMyTag big(U16(dir.Write("big.mp3", first + fx::Audio(3000) + second + fx::Audio(500))));
  EXPECT_EQ(big.Lyrics.size(), lyrics.size());
  EXPECT_EQ(big.Title, u"Song");
  EXPECT_EQ(big.Artist, u"Band");
  // An ID3v1 tag at the end of a file larger than that first read.
  const TMyTag v1(U16(dir.Write("v1.mp3", fx::Audio(20000) + fx::Id3v1(B("T1"), B("A1"), B(""),
                                                                         B(""), B(""), 2, 0))));
  EXPECT_EQ(v1.Title, u"T1");
  EXPECT_EQ(v1.Track, u"2");
}

TEST(TagObject, ReadsFileFacts) {
  fx::TempDir dir;
  const std::string path = dir.Write("track.01.mp3", kId3File);
  const std::time_t before = std::time(nullptr);
  const TMyTag t(U16(path));
  EXPECT_EQ(t.FileName, U16(path));
  EXPECT_EQ(t.FilePath, U16(dir.path() + "/"));
  EXPECT_EQ(t.FileDir, U16(dir.path()));
  EXPECT_EQ(t.FileNameOnly, u"track.01.mp3");
  EXPECT_EQ(t.FileExt, u".mp3");
  EXPECT_EQ(t.FileTitle, u"track.01");
  EXPECT_EQ(t.FileSize, static_cast<std::int64_t>(kId3File.size()));
  EXPECT_TRUE(t.FileExists);
  EXPECT_TRUE(t.FolderExists);
  // FILETIME of the write time, within a minute of now.
  const std::int64_t unixSeconds = t.WriteTime / 10000000 - 11644473600LL;
  EXPECT_LE(std::llabs(unixSeconds - static_cast<std::int64_t>(before)), 60);
  EXPECT_GT(t.CreateTime, 0);
  EXPECT_FALSE(t.WriteTimeText().empty());
  EXPECT_EQ(t.Duration, -1.0);
  EXPECT_FALSE(t.HasVideoSize());
}

TEST(TagObject, MissingFilesFoldersAndEmptyNames) {
  fx::TempDir dir;
  const TMyTag missing(U16(dir.File("gone.mp3")));
  EXPECT_FALSE(missing.FileExists);
  EXPECT_TRUE(missing.FolderExists);
  EXPECT_EQ(missing.FileSize, 0);
  EXPECT_EQ(missing.WriteTime, 0);
  EXPECT_EQ(missing.SizeText(), u"0B");
  EXPECT_EQ(missing.WriteTimeText(), u"");
  EXPECT_EQ(missing.Duration, -1.0);
  EXPECT_EQ(missing.Title, u"gone");

  const TMyTag nowhere(u"/no/such/folder/x.mp3");
  EXPECT_FALSE(nowhere.FileExists);
  EXPECT_FALSE(nowhere.FolderExists);

  const TMyTag folder(U16(dir.path()));
  EXPECT_FALSE(folder.FileExists);
  EXPECT_TRUE(folder.FolderExists);
  EXPECT_EQ(folder.FileSize, 0);

  const TMyTag empty(u"");
  EXPECT_FALSE(empty.FileExists);
  EXPECT_FALSE(empty.FolderExists);
  EXPECT_EQ(empty.TitleOrFileTitle(), u"");
}

TEST(TagObject, UnreadableFileStillExists) {
  if (::geteuid() == 0) {
    GTEST_SKIP() << "root reads every file";
  }
  fx::TempDir dir;
  const std::string path = dir.Write("locked.mp3", kId3File);
  ::chmod(path.c_str(), 0);
  const TMyTag t(U16(path));
  EXPECT_TRUE(t.FileExists);
  EXPECT_EQ(t.FileSize, 0);
  EXPECT_EQ(t.Title, u"locked");
}

TEST(TagObject, RecordRoundTripAndRounding) {
  fx::TempDir dir;
  TMyTag t(U16(dir.Write("a.mp3", kId3File)));
  t.Duration = 61.2;
  t.DurationSeconds = 62;  // as the probe leaves it: rounded up
  t.VideoWidth = 640;
  t.VideoHeight = 480;
  t.FrameRate = 29.97;
  t.BitRate = 128000;
  t.Lyrics = u"歌詞";
  t.Url = u"http://x.example/";
  t.TagVersion = u"2.3.0";

  const TMyTagValue v = t.ToValue();
  EXPECT_EQ(v.Title, u"Song");
  const TMyTag back(v);
  EXPECT_EQ(back.DurationSeconds, 61);  // rounded half away from zero
  EXPECT_EQ(back.Duration, 61.2);
  EXPECT_EQ(back.FileName, t.FileName);
  EXPECT_EQ(back.FileTitle, u"a");
  EXPECT_EQ(back.FileDir, t.FileDir);
  EXPECT_EQ(back.FileSize, t.FileSize);
  EXPECT_EQ(back.WriteTime, t.WriteTime);
  EXPECT_EQ(back.CreateTime, t.CreateTime);
  EXPECT_EQ(back.VideoWidth, 640);
  EXPECT_EQ(back.VideoHeight, 480);
  EXPECT_EQ(back.FrameRate, 29.97);
  EXPECT_EQ(back.BitRate, 128000);
  EXPECT_TRUE(back.FileExists);
  EXPECT_TRUE(back.FolderExists);
  EXPECT_TRUE(back.HasVideoSize());
  EXPECT_EQ(back.TagVersion, u"");  // not carried
  for (int i = 0; i < kTagFieldCount; ++i) {
    const auto f = static_cast<TMyTagField>(i);
    EXPECT_EQ(back.Text(f), t.Text(f)) << TagFieldName(f);
  }
  // The record carries TitleOrFileTitle in its Title slot.
  TMyCustomTag untitled;
  TMyTagValue record;
  record.FileName = u"/m/x/clip.wmv";
  record.Duration = 2.5;
  untitled.AssignValue(record);
  EXPECT_EQ(untitled.ToValue().Title, u"clip");
  EXPECT_EQ(untitled.DurationSeconds, 3);
  EXPECT_FALSE(untitled.FileExists);
  EXPECT_EQ(untitled.FileExt, u".wmv");
}

TEST(TagObject, CopiesAndClear) {
  fx::TempDir dir;
  TMyTag2 a;
  a.TMyTag::Load(U16(dir.Write("a.mp3", kId3File)));
  a.Duration = -0.5;
  const TMyTag2 b(a);
  EXPECT_EQ(b.Title, u"Song");
  EXPECT_EQ(b.TagVersion, u"2.3.0");
  EXPECT_EQ(b.DurationSeconds, -1);  // -0.5 rounds away from zero
  TMyCustomTag c;
  c = b;
  EXPECT_EQ(c.Artist, u"Band");
  EXPECT_EQ(c.FileNameOnly, u"a.mp3");
  c.VideoWidth = 5;
  c.FrameRate = 1;
  c.Duration = 3;
  c.Clear();
  EXPECT_EQ(c.Artist, u"");
  EXPECT_EQ(c.TagVersion, u"");
  EXPECT_EQ(c.VideoWidth, 0);
  EXPECT_EQ(c.FrameRate, 0.0);
  EXPECT_EQ(c.Duration, -1.0);
  EXPECT_EQ(c.FileNameOnly, u"a.mp3");  // file facts stay
}

TEST(TagObject, BlockReadsStayInsideTheFile) {
  fx::TempDir dir;
  Bytes data(300);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i);
  TMyCustomTag t;
  EXPECT_EQ(t.ReadBlockAt(0, 10), 0u);  // no file open
  t.LoadFileFacts(U16(dir.Write("blocks.bin", data)));
  ASSERT_TRUE(t.IsOpen());
  EXPECT_EQ(t.ReadBlock(100), 100u);
  EXPECT_EQ(t.ReadBlock(1000), 200u);  // never more than the file holds
  EXPECT_EQ(t.Buffer()[0], 100);
  EXPECT_EQ(t.ReadBlock(10), 0u);
  EXPECT_EQ(t.ReadBlockAt(290, 4096), 10u);
  EXPECT_EQ(t.Buffer()[9], 43);  // 299 & 0xFF
  EXPECT_EQ(t.ReadBlockAt(300, 1), 0u);
  EXPECT_EQ(t.ReadBlockAt(-5, 1), 0u);
  EXPECT_EQ(t.ReadBlockAt(0, static_cast<std::size_t>(-1)), 300u);
  EXPECT_EQ(t.ReadTail(128), 128u);
  EXPECT_EQ(t.Buffer()[0], 172);
  EXPECT_EQ(t.ReadTail(4000), 300u);
  t.Close();
  EXPECT_FALSE(t.IsOpen());
  EXPECT_EQ(t.ReadTail(1), 0u);
  EXPECT_TRUE(t.Buffer().empty());
}

TEST(TagObject, SizeTextAndFieldNames) {
  TMyCustomTag t;
  const std::pair<std::int64_t, const char16_t*> sizes[] = {
      {0, u"0B"}, {1023, u"1023B"}, {1024, u"1KB"}, {1025, u"2KB"}, {1048575, u"1024KB"},
      {1048576, u"1.0MB"}, {1073741824, u"1.00GB"}};
  for (const auto& [n, text] : sizes) {
    t.FileSize = n;
    EXPECT_EQ(t.SizeText(), text) << n;
  }
  EXPECT_STREQ(TagFieldName(TMyTagField::Album), "Album");
  EXPECT_STREQ(TagFieldName(TMyTagField::Comment), "Comment");
  EXPECT_EQ(TagFieldName(static_cast<TMyTagField>(kTagFieldCount)), nullptr);
}

}  // namespace
}  // namespace mivaro
