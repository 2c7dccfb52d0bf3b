// The ID3 reader on hand-made tags: every version, the four text encodings with Japanese
// text, joined frames, unsynchronisation, extended headers, extra frame-header bytes,
// compression, SEEK, ID3v1, and damaged input.
#include <gtest/gtest.h>
#include <zlib.h>

#include "tag_fixtures.h"
#include "tags/id3_reader.h"

namespace mivaro {
namespace {

using fx::B;
using fx::Bytes;
using fx::Text;
using fx::operator+;

const WString kNihongo = u"日本語";

TMyTagID3 Read(const Bytes& file) {
  TMyTagID3 tag;
  tag.LoadBytes(file.data(), file.size());
  return tag;
}

// Inserts 0x00 after every 0xFF, as a writer that unsynchronises does.
Bytes Unsync(const Bytes& in) {
  Bytes out;
  for (std::uint8_t b : in) {
    out.push_back(b);
    if (b == 0xFF) out.push_back(0);
  }
  return out;
}

TEST(Id3v2, ReadsVersion23TextFrames) {
  const Bytes body = fx::Frame23("TIT2", Text(0, B("Song"))) +
                     fx::Frame23("TPE1", Text(0, B("Band"))) +
                     fx::Frame23("TRCK", Text(0, B("3/12"))) + Bytes(20, 0);
  const TMyTagID3 tag = Read(fx::Id3v2(3, body) + fx::Audio());
  EXPECT_EQ(tag.TagKind(), 2);
  EXPECT_EQ(tag.MajorVersion(), 3);
  EXPECT_EQ(tag.TagVersion, u"2.3.0");
  EXPECT_EQ(tag.Title, u"Song");
  EXPECT_EQ(tag.Artist, u"Band");
  EXPECT_EQ(tag.Track, u"3/12");
  EXPECT_TRUE(tag.Album.empty());
}

TEST(Id3v2, FillsEveryMappedFieldInEachVersion) {
  struct Row {
    const char* id23;
    const char* id22;
    WString TMyCustomTag::*field;
  };
  const Row rows[] = {
      {"TALB", "TAL", &TMyCustomTag::Album},        {"TPE2", "TP2", &TMyCustomTag::AlbumArtist},
      {"TPE1", "TP1", &TMyCustomTag::Artist},       {"TCOM", "TCM", &TMyCustomTag::Composer},
      {"TPE3", "TP3", &TMyCustomTag::Conductor},    {"TCON", "TCO", &TMyCustomTag::Genre},
      {"TOAL", "TOT", &TMyCustomTag::OriginalAlbum}, {"TOPE", "TOA", &TMyCustomTag::OriginalArtist},
      {"TOLY", "TOL", &TMyCustomTag::OriginalLyricist},
      {"TPUB", "TPB", &TMyCustomTag::Publisher},    {"TDAT", "TDA", &TMyCustomTag::ReleaseDate},
      {"TORY", "TOR", &TMyCustomTag::OriginalYear}, {"TIT1", "TT1", &TMyCustomTag::ContentGroup},
      {"TPOS", "TPA", &TMyCustomTag::PartOfSet},    {"TIT3", "TT3", &TMyCustomTag::Subtitle},
      {"TIT2", "TT2", &TMyCustomTag::Title},        {"TRCK", "TRK", &TMyCustomTag::Track},
      {"TPE4", "TP4", &TMyCustomTag::ModifiedBy},   {"TEXT", "TXT", &TMyCustomTag::Writer},
      {"TYER", "TYE", &TMyCustomTag::Year},
  };
  for (int major : {2, 3, 4}) {
    Bytes body;
    int n = 0;
    for (const Row& r : rows) {
      const Bytes data = Text(0, B("v" + std::to_string(n++)));
      body = body + (major == 2   ? fx::Frame22(r.id22, data)
                     : major == 3 ? fx::Frame23(r.id23, data)
                                  : fx::Frame24(r.id23, data));
    }
    const TMyTagID3 tag = Read(fx::Id3v2(major, body));
    n = 0;
    for (const Row& r : rows) {
      EXPECT_EQ(tag.*(r.field), U16("v" + std::to_string(n++))) << major << " " << r.id23;
    }
    EXPECT_TRUE(tag.Director.empty());
    EXPECT_TRUE(tag.Producer.empty());
  }
}

TEST(Id3v2, DecodesTheFourEncodingsWithJapaneseText) {
  struct Case {
    const char* what;
    Bytes data;
  };
  const Case cases[] = {
      {"ansi (code page 932)", Text(0, fx::kSjisNihongo)},
      {"utf-16 le with mark", Text(1, fx::Utf16(kNihongo, false, true))},
      {"utf-16 be with mark", Text(1, fx::Utf16(kNihongo, true, true))},
      {"utf-16 be without mark", Text(2, fx::Utf16(kNihongo, true))},
      {"utf-8", Text(3, fx::Utf8(kNihongo))},
      {"terminated utf-16", Text(1, fx::Utf16(kNihongo, false, true) + Bytes{0, 0})},
      {"terminated utf-8", Text(3, fx::Utf8(kNihongo) + Bytes{0})},
  };
  for (int major : {2, 3, 4}) {
    for (const Case& c : cases) {
      const Bytes frame = major == 2   ? fx::Frame22("TT2", c.data)
                          : major == 3 ? fx::Frame23("TIT2", c.data)
                                       : fx::Frame24("TIT2", c.data);
      EXPECT_EQ(Read(fx::Id3v2(major, frame)).Title, kNihongo) << major << " " << c.what;
    }
  }
}

TEST(Id3v2, ByteOrderMarkDecidesOverTheEncodingByte) {
  // FF FE is little endian and FE FF big endian whatever the encoding byte says.
  EXPECT_EQ(Read(fx::Id3v2(3, fx::Frame23("TIT2", Text(2, fx::Utf16(u"Song", false, true))))).Title,
            u"Song");
  EXPECT_EQ(Read(fx::Id3v2(3, fx::Frame23("TIT2", Text(1, fx::Utf16(u"Song", true, true))))).Title,
            u"Song");
  // Without a mark encoding 1 is little endian; a UTF-8 mark gives UTF-8.
  EXPECT_EQ(Read(fx::Id3v2(3, fx::Frame23("TIT2", Text(1, fx::Utf16(u"曲"))))).Title, u"曲");
  EXPECT_EQ(Read(fx::Id3v2(3, fx::Frame23("TIT2", Text(1, Bytes{0xEF, 0xBB, 0xBF} +
                                                               fx::Utf8(u"曲"))))).Title,
            u"曲");
  // An unknown encoding gives an empty text.
  EXPECT_EQ(Read(fx::Id3v2(3, fx::Frame23("TIT2", Text(7, B("Song"))))).Title, u"");
}

TEST(Id3v2, TakesOnlyTheFirstOfSeveralValues) {
  const TMyTagID3 tag = Read(fx::Id3v2(4, fx::Frame24("TPE1", Text(3, B(std::string("a\0b", 3)))) +
                                             fx::Frame24("TCOM", Text(1, fx::Utf16(u"x", false, true) +
                                                                         Bytes{0, 0} +
                                                                         fx::Utf16(u"y", false, true)))));
  EXPECT_EQ(tag.Artist, u"a");
  EXPECT_EQ(tag.Composer, u"x");
}

TEST(Id3v2, LaterTextFrameReplacesEarlier) {
  const TMyTagID3 tag = Read(fx::Id3v2(3, fx::Frame23("TIT2", Text(0, B("one"))) +
                                             fx::Frame23("TIT2", Text(0, B("two")))));
  EXPECT_EQ(tag.Title, u"two");
}

TEST(Id3v2, JoinsCommentsLyricsUserTextAndLinks) {
  const Bytes body =
      fx::Frame23("COMM", fx::Described(0, B("desc"), B("a"))) +
      fx::Frame23("COMM", fx::Described(1, fx::Utf16(u"d", false, true),
                                        fx::Utf16(u"b日本", false, true))) +
      fx::Frame23("COMM", fx::Described(0, B(""), B(""))) +  // empty: no change
      fx::Frame23("USLT", fx::Described(3, B(""), fx::Utf8(u"歌詞"))) +
      fx::Frame23("USLT", fx::Described(2, fx::Utf16(u"x", true), fx::Utf16(u"line", true))) +
      fx::Frame23("TXXX", fx::Described(0, B("key"), B("value"), false)) +
      fx::Frame23("TXXX", fx::Described(0, B("k2"), B("v2"), false)) +
      fx::Frame23("WXXX", Bytes{0} + B("home") + Bytes{0} + B("http://a.example/")) +
      fx::Frame23("WXXX", Bytes{1} + fx::Utf16(u"d", false, true) + Bytes{0, 0} +
                              Bytes{0, 0x7F} + B("http://b.example/") + Bytes{0} + B("junk")) +
      fx::Frame23("WOAR", B("http://ignored.example/"));
  const TMyTagID3 tag = Read(fx::Id3v2(3, body));
  EXPECT_EQ(tag.Comment, u"a\r\rb日本");
  EXPECT_EQ(tag.Lyrics, u"歌詞\r\rline");
  EXPECT_EQ(tag.UserText, u"value\r\rv2");
  EXPECT_EQ(tag.Url, u"http://a.example/\r\rhttp://b.example/");
}

TEST(Id3v2, DescribedTextWithoutTerminatorOrTooShortIsEmpty) {
  const TMyTagID3 tag = Read(fx::Id3v2(3, fx::Frame23("COMM", Bytes{0} + B("jpnno terminator")) +
                                             fx::Frame23("USLT", Bytes{0, 'j'}) +
                                             fx::Frame23("COMM", fx::Described(0, B(""), B("ok")))));
  EXPECT_EQ(tag.Comment, u"ok");
  EXPECT_EQ(tag.Lyrics, u"");
}

TEST(Id3v2, Version22FramesAndJoins) {
  const Bytes body = fx::Frame22("TT2", Text(0, fx::kSjisTesuto)) +
                     fx::Frame22("TP1", Text(1, fx::Utf16(u"歌手", false, true))) +
                     fx::Frame22("COM", fx::Described(0, B(""), B("c1"))) +
                     fx::Frame22("COM", fx::Described(0, B(""), B("c2"))) +
                     fx::Frame22("ULT", fx::Described(0, B(""), B("l"))) +
                     fx::Frame22("TXX", fx::Described(0, B("d"), B("u"), false));
  const TMyTagID3 tag = Read(fx::Id3v2(2, body, 0, 1));
  EXPECT_EQ(tag.TagVersion, u"2.2.1");
  EXPECT_EQ(tag.Title, u"テスト");
  EXPECT_EQ(tag.Artist, u"歌手");
  EXPECT_EQ(tag.Comment, u"c1\r\rc2");
  EXPECT_EQ(tag.Lyrics, u"l");
  EXPECT_EQ(tag.UserText, u"u");
}

TEST(Id3v2, UndoesUnsynchronisation) {
  // "ÿ" in UTF-16 LE is FF 00, and the mark FF FE: both need unsynchronisation.
  const Bytes data = Text(1, fx::Utf16(u"ÿÿ", false, true));
  // Version 2.3: over the whole body; frame sizes count the restored bytes.
  const Bytes body23 = fx::Frame23("TIT2", data) + fx::Frame23("TPE1", Text(0, B("after")));
  const TMyTagID3 t23 = Read(fx::Id3v2(3, Unsync(body23), 0x80));
  EXPECT_EQ(t23.Title, u"ÿÿ");
  EXPECT_EQ(t23.Artist, u"after");
  // Version 2.4: frame by frame; frame sizes count the stored bytes.
  const Bytes body24 = fx::Frame24("TIT2", Unsync(data), 0x02) +
                       fx::Frame24("TPE1", Text(0, B("after")));
  const TMyTagID3 t24 = Read(fx::Id3v2(4, body24));
  EXPECT_EQ(t24.Title, u"ÿÿ");
  EXPECT_EQ(t24.Artist, u"after");
  // Version 2.4 with the tag flag set: every frame is unsynchronised.
  const Bytes flagged = fx::Frame24("TIT2", Unsync(data), 0x02) +
                        fx::Frame24("TPE1", Text(0, B("after")), 0x02);
  EXPECT_EQ(Read(fx::Id3v2(4, flagged, 0x80)).Title, u"ÿÿ");
}

TEST(Id3v2, UnsynchronisationAtTheEndOfTheBuffer) {
  // A body that ends in FF: nothing follows to remove, and nothing is read past it.
  const Bytes body = fx::Frame23("TIT2", Text(0, B("x"))) + Bytes{0xFF};
  const TMyTagID3 tag = Read(fx::Id3v2(3, body, 0x80));
  EXPECT_EQ(tag.Title, u"x");
}

TEST(Id3v2, SkipsExtendedHeaders) {
  const Bytes frames = fx::Frame23("TIT2", Text(0, B("Song")));
  // 2.3: size 6 (without itself), flags, padding size; what lies in the padding is not
  // walked even when it looks like a frame.
  const Bytes hidden = fx::Frame23("TPE1", Text(0, B("pad")));
  const Bytes ext23 = fx::BigEndian(6, 4) + Bytes{0, 0} +
                      fx::BigEndian(static_cast<std::uint32_t>(hidden.size()), 4);
  const TMyTagID3 t23 = Read(fx::Id3v2(3, ext23 + frames + hidden, 0x40));
  EXPECT_EQ(t23.Title, u"Song");
  EXPECT_EQ(t23.Artist, u"");
  // 2.3 with CRC: size 10, flag bit 7, padding 0, CRC.
  const Bytes crc = fx::BigEndian(10, 4) + Bytes{0x80, 0} + fx::BigEndian(0, 4) +
                    fx::BigEndian(0x12345678, 4);
  EXPECT_EQ(Read(fx::Id3v2(3, crc + frames, 0x40)).Title, u"Song");
  // 2.4: sync-safe size including itself, flag byte count, flags.
  const Bytes ext24 = fx::SyncSafe(6) + Bytes{1, 0};
  EXPECT_EQ(Read(fx::Id3v2(4, ext24 + fx::Frame24("TIT2", Text(3, B("Song"))), 0x40)).Title,
            u"Song");
  // An extended header larger than the tag leaves no frames and no error.
  EXPECT_EQ(Read(fx::Id3v2(3, fx::BigEndian(0xFFFFFFF0u, 4) + Bytes{0, 0} +
                                  fx::BigEndian(0xFFFFFFFFu, 4) + frames, 0x40))
                .Title,
            u"");
}

TEST(Id3v2, ReadsDataAfterExtraFrameHeaderBytes) {
  // 2.4 with a data length indicator: data starts after its 4 bytes.
  const Bytes dli = fx::Frame24("TIT2", fx::SyncSafe(5) + Text(0, B("Song")), 0x01);
  // 2.4 grouped: one group byte first.
  const Bytes grouped = fx::Frame24("TPE1", Bytes{7} + Text(0, B("Band")), 0x40);
  // 2.4 encrypted: skipped.
  const Bytes encrypted = fx::Frame24("TALB", Bytes{1} + Text(0, B("secret")), 0x04);
  const TMyTagID3 t24 = Read(fx::Id3v2(4, dli + grouped + encrypted));
  EXPECT_EQ(t24.Title, u"Song");
  EXPECT_EQ(t24.Artist, u"Band");
  EXPECT_EQ(t24.Album, u"");
  // 2.3 grouped and encrypted frames.
  const TMyTagID3 t23 = Read(fx::Id3v2(3, fx::Frame23("TPE1", Bytes{7} + Text(0, B("Band")), 0x20) +
                                             fx::Frame23("TALB", Bytes{1} + Text(0, B("x")), 0x40)));
  EXPECT_EQ(t23.Artist, u"Band");
  EXPECT_EQ(t23.Album, u"");
}

Bytes Deflate(const Bytes& in) {
  uLongf size = compressBound(in.size());
  Bytes out(size);
  compress(out.data(), &size, in.data(), in.size());
  out.resize(size);
  return out;
}

TEST(Id3v2, InflatesCompressedFrames) {
  const Bytes text = Text(1, fx::Utf16(u"圧縮されたタイトル", false, true));
  const Bytes f23 = fx::Frame23("TIT2", fx::BigEndian(static_cast<std::uint32_t>(text.size()), 4) +
                                            Deflate(text), 0x80);
  EXPECT_EQ(Read(fx::Id3v2(3, f23)).Title, u"圧縮されたタイトル");
  const Bytes f24 = fx::Frame24("TIT2", fx::SyncSafe(static_cast<std::uint32_t>(text.size())) +
                                            Deflate(text), 0x08 | 0x01);
  EXPECT_EQ(Read(fx::Id3v2(4, f24)).Title, u"圧縮されたタイトル");
  // Damaged compressed data is dropped; the next frame is still read.
  const Bytes bad = fx::Frame23("TIT2", fx::BigEndian(100, 4) + B("not zlib at all"), 0x80) +
                    fx::Frame23("TPE1", Text(0, B("Band")));
  const TMyTagID3 t = Read(fx::Id3v2(3, bad));
  EXPECT_EQ(t.Title, u"");
  EXPECT_EQ(t.Artist, u"Band");
}

TEST(Id3v2, PaddingOnlyGivesNoFrames) {
  const TMyTagID3 tag = Read(fx::Id3v2(3, Bytes(256, 0)) + fx::Audio());
  EXPECT_EQ(tag.TagKind(), 2);
  EXPECT_EQ(tag.TagVersion, u"2.3.0");
  for (int i = 0; i < kTagFieldCount; ++i) {
    EXPECT_TRUE(tag.Text(static_cast<TMyTagField>(i)).empty()) << i;
  }
}

TEST(Id3v2, DamagedTagsKeepWhatWasRead) {
  const Bytes good = fx::Frame23("TIT2", Text(0, B("Song")));
  // A frame whose size runs past the end of the tag ends the walk.
  Bytes past = good + fx::Frame23("TPE1", Text(0, B("Band")));
  past[good.size() + 4] = 0x7F;  // size byte: far beyond the tag
  const TMyTagID3 t1 = Read(fx::Id3v2(3, past));
  EXPECT_EQ(t1.Title, u"Song");
  EXPECT_EQ(t1.Artist, u"");
  // A frame header cut by the end of the tag.
  EXPECT_EQ(Read(fx::Id3v2(3, good + B(std::string_view("TPE1\0\0", 6)))).Title, u"Song");
  // A tag size past the end of the file: no frames, but the version is known.
  Bytes cut = fx::Id3v2(3, good + Bytes(100, 0));
  cut.resize(cut.size() - 50);
  const TMyTagID3 t2 = Read(cut);
  EXPECT_EQ(t2.TagVersion, u"2.3.0");
  EXPECT_EQ(t2.Title, u"");
  // A tag size of the largest sync-safe value with a tiny file.
  const TMyTagID3 t3 = Read(B("ID3") + Bytes{3, 0, 0, 0x7F, 0x7F, 0x7F, 0x7F} + good);
  EXPECT_EQ(t3.Title, u"");
  // Header shorter than 10 bytes: no ID3v2 at all.
  EXPECT_EQ(Read(B("ID3\3\0")).TagKind(), 0);
  // Frames of size 0 are skipped.
  EXPECT_EQ(Read(fx::Id3v2(3, fx::Frame23("TPE1", {}) + good)).Title, u"Song");
  // A text frame holding only its encoding byte, or nothing, gives an empty text.
  EXPECT_EQ(Read(fx::Id3v2(3, fx::Frame23("TIT2", Bytes{1}))).Title, u"");
}

TEST(Id3v2, UnknownMajorVersionIsNotWalked) {
  const TMyTagID3 tag = Read(fx::Id3v2(5, fx::Frame24("TIT2", Text(0, B("Song")))));
  EXPECT_EQ(tag.TagVersion, u"2.5.0");
  EXPECT_EQ(tag.Title, u"");
}

TEST(Id3v2, Version24TimeStampsFillYearsWhenOldFramesAreMissing) {
  const TMyTagID3 t = Read(fx::Id3v2(4, fx::Frame24("TDRC", Text(3, B("2021-05-03"))) +
                                           fx::Frame24("TDOR", Text(3, B("1999")))));
  EXPECT_EQ(t.Year, u"2021-05-03");
  EXPECT_EQ(t.OriginalYear, u"1999");
  const TMyTagID3 old = Read(fx::Id3v2(3, fx::Frame23("TDRC", Text(0, B("2021")))));
  EXPECT_EQ(old.Year, u"");
}

TEST(Id3v2, FollowsSeekFramesForwardOnly) {
  // First tag: title and a SEEK to a second tag 20 bytes after its end.
  const Bytes second = fx::Id3v2(4, fx::Frame24("TPE1", Text(0, B("Band"))));
  const Bytes first = fx::Id3v2(4, fx::Frame24("TIT2", Text(0, B("Song"))) +
                                       fx::Frame24("SEEK", fx::BigEndian(20, 4)));
  const TMyTagID3 t = Read(first + Bytes(20, 0x55) + second + fx::Audio());
  EXPECT_EQ(t.Title, u"Song");
  EXPECT_EQ(t.Artist, u"Band");
  EXPECT_EQ(t.TagVersion, u"2.4.0");
  // A SEEK beyond the data, and a second tag that seeks back to itself, end cleanly.
  EXPECT_EQ(Read(fx::Id3v2(4, fx::Frame24("TIT2", Text(0, B("Song"))) +
                                  fx::Frame24("SEEK", fx::BigEndian(0x7FFFFFFF, 4))))
                .Title,
            u"Song");
  const Bytes loop = fx::Id3v2(4, fx::Frame24("SEEK", fx::BigEndian(0, 4)));
  EXPECT_EQ(Read(loop + loop + loop).TagVersion, u"2.4.0");
}

TEST(Id3v2, Version24FramesWithPlainSizes) {
  // A 300-byte title written with a plain size (00 00 01 2C), which read sync-safe would be
  // 172 and lead into the title's text.
  const std::string title(299, 'x');
  const Bytes plain = B("TIT2") + Bytes{0, 0, 1, 0x2C, 0, 0} + Text(0, B(title)) +
                      B("TPE1") + Bytes{0, 0, 0, 5, 0, 0} + Text(0, B("Band"));
  const TMyTagID3 t = Read(fx::Id3v2(4, plain + Bytes(16, 0)));
  EXPECT_EQ(t.Title, U16(title));
  EXPECT_EQ(t.Artist, u"Band");
  // A genuine sync-safe size of 200 (00 00 01 48) stays sync-safe.
  const std::string longer(199, 'y');
  const TMyTagID3 s = Read(fx::Id3v2(4, fx::Frame24("TIT2", Text(0, B(longer))) +
                                           fx::Frame24("TPE1", Text(0, B("Band")))));
  EXPECT_EQ(s.Title, U16(longer));
  EXPECT_EQ(s.Artist, u"Band");
}

TEST(Id3v1, ReadsVersion10And11) {
  const Bytes v10 = fx::Id3v1(fx::kSjisNihongo, B("Artist"), B("Album"), B("1999"),
                              B("a comment of thirty characters"), 0, 255);
  const TMyTagID3 t10 = Read(fx::Audio(300) + v10);
  EXPECT_EQ(t10.TagKind(), 1);
  EXPECT_EQ(t10.TagVersion, u"1.0");
  EXPECT_EQ(t10.Title, kNihongo);
  EXPECT_EQ(t10.Artist, u"Artist");
  EXPECT_EQ(t10.Album, u"Album");
  EXPECT_EQ(t10.Year, u"1999");
  EXPECT_EQ(t10.Comment, u"a comment of thirty characters");
  EXPECT_EQ(t10.Genre, u"255");
  EXPECT_EQ(t10.Track, u"");

  const Bytes v11 = fx::Id3v1(B("Title   "), fx::kSjisTesuto, B(""), B("2001"), B("c"), 7, 17);
  const TMyTagID3 t11 = Read(fx::Audio(300) + v11);
  EXPECT_EQ(t11.TagVersion, u"1.1");
  EXPECT_EQ(t11.Revision(), 1);
  EXPECT_EQ(t11.Title, u"Title");  // padding blanks trimmed
  EXPECT_EQ(t11.Artist, u"テスト");
  EXPECT_EQ(t11.Track, u"7");
  EXPECT_EQ(t11.Comment, u"c");
  EXPECT_EQ(t11.Genre, u"17");
}

TEST(Id3v1, IsIgnoredWhenAnId3v2TagExists) {
  const Bytes file = fx::Id3v2(3, fx::Frame23("TIT2", Text(0, B("v2 title")))) + fx::Audio() +
                     fx::Id3v1(B("v1 title"), B("v1 artist"), B(""), B(""), B(""), 3, 1);
  const TMyTagID3 t = Read(file);
  EXPECT_EQ(t.TagVersion, u"2.3.0");
  EXPECT_EQ(t.Title, u"v2 title");
  EXPECT_EQ(t.Artist, u"");
  EXPECT_EQ(t.Track, u"");
}

TEST(Id3v1, ShortOrUntaggedDataGivesNothing) {
  EXPECT_EQ(Read(B("TAG")).TagKind(), 0);
  EXPECT_EQ(Read(fx::Audio(1000)).TagKind(), 0);
  EXPECT_EQ(Read({}).TagKind(), 0);
}

}  // namespace
}  // namespace mivaro
