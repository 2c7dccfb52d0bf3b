// The ASF reader on hand-made WMA/WMV headers: both description objects, the track number
// as text or number, the string rules, and damaged headers.
#include <gtest/gtest.h>

#include "tag_fixtures.h"
#include "tags/asf_reader.h"
#include "tags/tag_source.h"

namespace mivaro {
namespace {

using fx::Bytes;
using fx::operator+;

TMyTagWMA Read(const Bytes& file) {
  TMyTagWMA tag;
  tag.LoadBytes(file.data(), file.size());
  return tag;
}

Bytes Dword(std::uint32_t v) { return fx::LittleEndian(v, 4); }

TEST(Asf, ReadsBothDescriptionObjects) {
  const Bytes file = fx::AsfFile({
      fx::AsfObject(fx::kAsfOtherGuid, Bytes(40, 0x11)),
      fx::ContentDescription(u"Song", u"Band", u"(c) someone", u"説明文", u"PG"),
      fx::ExtendedContentDescription({
          fx::TextAttr(u"WM/AlbumTitle", u"アルバム"),
          fx::TextAttr(u"WM/AlbumArtist", u"AA"),
          fx::TextAttr(u"WM/Composer", u"作曲者"),
          fx::TextAttr(u"WM/Conductor", u"Cond"),
          fx::TextAttr(u"WM/Director", u"Dir"),
          fx::TextAttr(u"WM/Genre", u"Pop"),
          fx::TextAttr(u"WM/OriginalAlbumTitle", u"OA"),
          fx::TextAttr(u"WM/OriginalArtist", u"OArt"),
          fx::TextAttr(u"WM/OriginalLyricist", u"OL"),
          fx::TextAttr(u"WM/Producer", u"Prod"),
          fx::TextAttr(u"WM/Publisher", u"Pub"),
          fx::TextAttr(u"WM/OriginalReleaseTime", u"2001-02-03"),
          fx::TextAttr(u"WM/OriginalReleaseYear", u"1990"),
          fx::TextAttr(u"WM/Lyrics", u"歌詞"),
          fx::TextAttr(u"WM/PartOfSet", u"1/2"),
          fx::TextAttr(u"WM/ContentGroupDescription", u"CG"),
          fx::TextAttr(u"WM/SubTitle", u"Sub"),
          fx::TextAttr(u"WM/TrackNumber", u"05"),
          fx::TextAttr(u"WM/ModifiedBy", u"Mod"),
          fx::TextAttr(u"WM/Writer", u"Wr"),
          fx::TextAttr(u"WM/Year", u"2002"),
          fx::TextAttr(u"WM/Unknown", u"skip me"),
      }),
  });
  const TMyTagWMA t = Read(file);
  EXPECT_EQ(t.Title, u"Song");
  EXPECT_EQ(t.Artist, u"Band");
  EXPECT_EQ(t.Comment, u"説明文");
  EXPECT_EQ(t.Album, u"アルバム");
  EXPECT_EQ(t.AlbumArtist, u"AA");
  EXPECT_EQ(t.Composer, u"作曲者");
  EXPECT_EQ(t.Conductor, u"Cond");
  EXPECT_EQ(t.Director, u"Dir");
  EXPECT_EQ(t.Genre, u"Pop");
  EXPECT_EQ(t.OriginalAlbum, u"OA");
  EXPECT_EQ(t.OriginalArtist, u"OArt");
  EXPECT_EQ(t.OriginalLyricist, u"OL");
  EXPECT_EQ(t.Producer, u"Prod");
  EXPECT_EQ(t.Publisher, u"Pub");
  EXPECT_EQ(t.ReleaseDate, u"2001-02-03");
  EXPECT_EQ(t.OriginalYear, u"1990");
  EXPECT_EQ(t.Lyrics, u"歌詞");
  EXPECT_EQ(t.PartOfSet, u"1/2");
  EXPECT_EQ(t.ContentGroup, u"CG");
  EXPECT_EQ(t.Subtitle, u"Sub");
  EXPECT_EQ(t.Track, u"05");
  EXPECT_EQ(t.ModifiedBy, u"Mod");
  EXPECT_EQ(t.Writer, u"Wr");
  EXPECT_EQ(t.Year, u"2002");
  EXPECT_EQ(t.TagVersion, u"");
  EXPECT_EQ(t.UserText, u"");
}

TEST(Asf, TrackNumberAsTextOrNumber) {
  auto track = [](const fx::Attribute& a) {
    return Read(fx::AsfFile({fx::ExtendedContentDescription({a})})).Track;
  };
  EXPECT_EQ(track({u"WM/TrackNumber", 3, Dword(5)}), u"5");
  EXPECT_EQ(track({u"WM/TrackNumber", 3, Dword(4000000000u)}), u"4000000000");
  EXPECT_EQ(track(fx::TextAttr(u"WM/TrackNumber", u"05")), u"05");
  // Other types, or a number too short, leave the track alone.
  EXPECT_EQ(track({u"WM/TrackNumber", 5, fx::LittleEndian(9, 2)}), u"");
  EXPECT_EQ(track({u"WM/TrackNumber", 3, fx::LittleEndian(9, 2)}), u"");
  // Every other attribute is text whatever its type.
  const TMyTagWMA t = Read(fx::AsfFile({fx::ExtendedContentDescription(
      {{u"WM/Year", 3, fx::WStr(u"1984")}})}));
  EXPECT_EQ(t.Year, u"1984");
}

TEST(Asf, NamesMatchExactlyAndLaterValuesReplace) {
  const TMyTagWMA t = Read(fx::AsfFile({fx::ExtendedContentDescription({
      fx::TextAttr(u"wm/genre", u"lower"),
      fx::TextAttr(u"WM/Genre", u"first"),
      fx::TextAttr(u"WM/Genre", u"second"),
  })}));
  EXPECT_EQ(t.Genre, u"second");
}

TEST(Asf, StringRules) {
  // An empty title (only its NUL) is empty; a string shorter than 4 bytes is empty; a
  // string without NUL loses its last character (length / 2 - 1 characters at most).
  Bytes content = fx::LittleEndian(2, 2) + fx::LittleEndian(3, 2) + fx::LittleEndian(6, 2) +
                  fx::LittleEndian(0, 2) + fx::LittleEndian(0, 2) + Bytes{0, 0} +
                  Bytes{'A', 0, 0} + fx::Utf16(u"abc");
  const TMyTagWMA t = Read(fx::AsfFile({fx::AsfObject(fx::kAsfContentGuid, content)}));
  EXPECT_EQ(t.Title, u"");
  EXPECT_EQ(t.Artist, u"");
  EXPECT_EQ(t.Comment, u"");
  EXPECT_EQ(t.TitleOrFileTitle(), u"");  // no file: no file title either
  const Bytes c2 = fx::LittleEndian(6, 2) + fx::LittleEndian(0, 2) + fx::LittleEndian(0, 2) +
                   fx::LittleEndian(0, 2) + fx::LittleEndian(0, 2) + fx::Utf16(u"abc");
  EXPECT_EQ(Read(fx::AsfFile({fx::AsfObject(fx::kAsfContentGuid, c2)})).Title, u"ab");
}

TEST(Asf, HeaderMayEndTheFile) {
  // The header object's size counts its own 30 bytes: a file that is only a header is read.
  const TMyTagWMA t =
      Read(fx::AsfFile({fx::ContentDescription(u"Song", u"Band", u"", u"", u"")}, 0));
  EXPECT_EQ(t.Title, u"Song");
}

TEST(Asf, DamagedHeadersKeepWhatWasRead) {
  const Bytes cd = fx::ContentDescription(u"Song", u"Band", u"", u"c", u"");
  const Bytes ext = fx::ExtendedContentDescription({fx::TextAttr(u"WM/Genre", u"Pop"),
                                                    fx::TextAttr(u"WM/Year", u"2000")});
  // Not ASF, or too short.
  EXPECT_EQ(Read(Bytes(100, 0x30)).Title, u"");
  EXPECT_EQ(Read(Bytes(fx::kAsfHeaderGuid.begin(), fx::kAsfHeaderGuid.end())).Title, u"");
  // A header size of 4 GiB or more, or 0, or past the end of the file.
  for (std::uint64_t size : {0x100000000ull, 0ull, 0xFFFFFFFFull, 29ull}) {
    Bytes f = fx::AsfFile({cd});
    const Bytes s = fx::LittleEndian(size, 8);
    std::copy(s.begin(), s.end(), f.begin() + 16);
    EXPECT_EQ(Read(f).Title, u"") << size;
  }
  // A huge object count: the walk ends at the bytes read.
  {
    Bytes f = fx::AsfFile({cd});
    const Bytes n = fx::LittleEndian(0xFFFFFFFFu, 4);
    std::copy(n.begin(), n.end(), f.begin() + 24);
    EXPECT_EQ(Read(f).Title, u"Song");
  }
  // An object size smaller than 24 or past the header ends the walk; earlier fields stay.
  for (std::uint64_t size : {0ull, 23ull, 0x7FFFFFFFull, 0x100000000ull}) {
    Bytes bad = ext;
    const Bytes s = fx::LittleEndian(size, 8);
    std::copy(s.begin(), s.end(), bad.begin() + 16);
    const TMyTagWMA t = Read(fx::AsfFile({cd, bad, ext}));
    EXPECT_EQ(t.Title, u"Song") << size;
    EXPECT_EQ(t.Genre, u"") << size;
  }
  // An attribute whose value runs past its object: earlier attributes stay.
  {
    Bytes bad = ext;
    bad.resize(bad.size() - 4);
    const Bytes s = fx::LittleEndian(bad.size(), 8);
    std::copy(s.begin(), s.end(), bad.begin() + 16);
    const TMyTagWMA t = Read(fx::AsfFile({bad}));
    EXPECT_EQ(t.Genre, u"Pop");
    EXPECT_EQ(t.Year, u"");
  }
  // Content description strings longer than the object.
  {
    Bytes bad = cd;
    bad[24 + 2] = 0xFF;  // author length
    bad[24 + 3] = 0xFF;
    const TMyTagWMA t = Read(fx::AsfFile({bad}));
    EXPECT_EQ(t.Title, u"Song");
    EXPECT_EQ(t.Artist, u"");
  }
}

TEST(Asf, FrameRateFromExtendedStreamProperties) {
  const Bytes extensionGuid = {0xB5, 0x03, 0xBF, 0x5F, 0x2E, 0xA9, 0xCF, 0x11,
                               0x8E, 0xE3, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};
  const Bytes espGuid = {0xCB, 0xA5, 0xE6, 0x14, 0x72, 0xC6, 0x32, 0x43,
                         0x83, 0x99, 0xA9, 0x69, 0x52, 0x06, 0x5B, 0x5A};
  // Stream properties up to the average time per frame (56 bytes), then that time.
  auto esp = [&](std::uint64_t timePerFrame) {
    return fx::AsfObject(espGuid, Bytes(56, 0) + fx::LittleEndian(timePerFrame, 8) + Bytes(4, 0));
  };
  auto extension = [&](const Bytes& inner) {
    return fx::AsfObject(extensionGuid, Bytes(16, 0) + Bytes(2, 0) +
                                            fx::LittleEndian(inner.size(), 4) + inner);
  };
  auto rate = [](const Bytes& file) {
    TagMemorySource source(file.data(), file.size());
    return ReadAsfFrameRate(source);
  };
  // The audio stream's record states no time; the video stream's 333667 (29.97 fps).
  const Bytes file = fx::AsfFile({fx::ContentDescription(u"", u"", u"", u"", u""),
                                  extension(esp(0) + esp(333667))});
  EXPECT_NEAR(rate(file), 29.97, 0.005);
  EXPECT_EQ(rate(fx::AsfFile({extension(esp(0))})), 0.0);
  EXPECT_EQ(rate(fx::AsfFile({})), 0.0);
  EXPECT_EQ(rate(Bytes(64, 0)), -1.0);
  // A damaged extension (its inner object larger than itself) states nothing.
  Bytes damaged = extension(esp(400000));
  damaged[24 + 22 + 16] = 0xFF;
  EXPECT_EQ(rate(fx::AsfFile({damaged})), 0.0);
}

}  // namespace
}  // namespace mivaro
