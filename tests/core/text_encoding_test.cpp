// Conversions, detection and the digit-aware comparison.
#include <gtest/gtest.h>
#include <unicode/uchar.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <vector>

#include "core/text_encoding.h"
#include "core/wstrings.h"

namespace mivaro {
namespace {

const WString kJapanese = u"日本語のテキスト、カタカナとｶﾀｶﾅ ABC 123";

TEST(TextEncodingTest, EveryCharsetRoundTripsJapanese) {
  EXPECT_EQ(FromAnsi(ToAnsi(kJapanese)), kJapanese);
  EXPECT_EQ(FromEuc(ToEuc(kJapanese)), kJapanese);
  EXPECT_EQ(FromUtf7(ToUtf7(kJapanese)), kJapanese);
  EXPECT_EQ(FromUtf8(ToUtf8(kJapanese)), kJapanese);
  // ISO-2022-JP has no half-width katakana: they come back full width.
  const WString full = u"日本語のテキスト、カタカナ ABC";
  EXPECT_EQ(FromJis(ToJis(full)), full);
  EXPECT_EQ(ToJis(u"あ"), "\x1b$B$\"\x1b(B");
  // Code page 932 bytes of a known text.
  EXPECT_EQ(ToAnsi(u"日本"), "\x93\xfa\x96\x7b");
  EXPECT_EQ(FromAnsi("\x83\x65\x83\x58\x83\x67"), u"テスト");
  EXPECT_EQ(ToAnsi(u"é"), "?");  // lossy, no best fit
  // Control characters map to themselves, also next to double-byte text.
  EXPECT_EQ(ToAnsi(u"あ\x1a\x1c\x7f"), "\x82\xa0\x1a\x1c\x7f");
  EXPECT_EQ(FromAnsi("\x82\xa0\x1a\x1c\x7f"), u"あ\x1a\x1c\x7f");
}

TEST(TextEncodingTest, LossyAnsiAndExactUnits) {
  EXPECT_FALSE(IsLossyAnsi(u""));
  EXPECT_FALSE(IsLossyAnsi(kJapanese));
  EXPECT_FALSE(IsLossyAnsi(u"C:\\path\\~file"));
  EXPECT_TRUE(IsLossyAnsi(u"caf\u00e9"));
  EXPECT_TRUE(IsLossyAnsi(u"\U0001F600"));
  EXPECT_TRUE(IsLossyAnsi(u"\xD800"));  // unpaired surrogate
  char bytes[2];
  EXPECT_EQ(AnsiBytesOfUnit(u'A', bytes), 1);
  EXPECT_EQ(AnsiBytesOfUnit(u'\\', bytes), 1);
  EXPECT_EQ(bytes[0], '\\');
  ASSERT_EQ(AnsiBytesOfUnit(u'ｱ', bytes), 1);
  EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 0xB1);
  ASSERT_EQ(AnsiBytesOfUnit(u'あ', bytes), 2);
  EXPECT_EQ(std::string(bytes, 2), "\x82\xa0");
  EXPECT_EQ(AnsiBytesOfUnit(u'\u00e9', bytes), 0);
  EXPECT_EQ(AnsiBytesOfUnit(0xDC00, bytes), 0);
}

TEST(TextEncodingTest, CodePageToEncoding) {
  EXPECT_EQ(CodePageToEncoding(1200), kEncodingUtf16Le);
  EXPECT_EQ(CodePageToEncoding(1201), kEncodingUtf16Be);
  for (int cp : {20932, 51932, 51936, 51949}) EXPECT_EQ(CodePageToEncoding(cp), kEncodingEuc);
  for (int cp : {50220, 50221, 50222, 50225, 50227}) {
    EXPECT_EQ(CodePageToEncoding(cp), kEncodingJis);
  }
  EXPECT_EQ(CodePageToEncoding(65000), kEncodingUtf7);
  EXPECT_EQ(CodePageToEncoding(65001), kEncodingUtf8);
  EXPECT_EQ(CodePageToEncoding(-1), kEncodingBinary);
  EXPECT_EQ(CodePageToEncoding(932), kEncodingAnsi);
  EXPECT_EQ(CodePageToEncoding(1252), kEncodingAnsi);
  EXPECT_EQ(NormalizeEncoding(12), kEncodingDetect);
  EXPECT_EQ(NormalizeEncoding(255), kEncodingDetect);
}

TEST(TextEncodingTest, OwnScan) {
  EXPECT_EQ(ScanCodePage("plain text\r\n"), 932);
  EXPECT_EQ(ScanCodePage(ToAnsi(kJapanese)), 932);
  EXPECT_EQ(ScanCodePage("a\x7f"), -1);
  EXPECT_EQ(ScanCodePage("\xa0x"), -1);        // 0xA0 without a lead byte
  EXPECT_EQ(ScanCodePage("\x82\x0a"), -1);     // control byte as trail
  EXPECT_EQ(ScanCodePage("\x82\xa0\xfd"), -1);
  EXPECT_EQ(ScanCodePage(Utf16ToBytes(u"Hello, world", false)), 1200);
  EXPECT_EQ(ScanCodePage(Utf16ToBytes(u"Hello, world", true)), 1201);
  EXPECT_EQ(ScanCodePage(std::string("\x00\x01\x02\x03\x04\x05\x06\x07", 8)), -1);
  // An executable's header has a few printable units among zeros: still binary.
  EXPECT_EQ(ScanCodePage(std::string("\x7f" "ELF\x02\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00"
                                     "\x03\x00>\x00", 20)),
            -1);
}

TEST(TextEncodingTest, Plausibility) {
  EXPECT_TRUE(IsPlausibleUtf16(u""));
  EXPECT_TRUE(IsPlausibleUtf16(u"ひらがな"));
  EXPECT_TRUE(IsPlausibleUtf16(u"漢字漢字漢字漢字漢字漢字漢字漢字漢字漢字漢字漢字漢字漢字漢字a"));
  EXPECT_FALSE(IsPlausibleUtf16(u"漢字"));
  EXPECT_FALSE(IsPlausibleUtf16(WString(200, u'\x0101')));
}

TEST(TextEncodingTest, DetectsJapaneseCharsets) {
  const WString text =
      u"吾輩は猫である。名前はまだ無い。どこで生れたかとんと見当がつかぬ。"
      u"何でも薄暗いじめじめした所でニャーニャー泣いていた事だけは記憶している。";
  EXPECT_EQ(DetectCodePage(ToAnsi(text)), 932);
  EXPECT_EQ(DetectCodePage(ToEuc(text)), 20932);
  EXPECT_EQ(DetectCodePage(ToUtf8(text)), 65001);
  EXPECT_EQ(DetectCodePage(ToJis(text)), 50220);
  EXPECT_EQ(DetectCodePage("just ascii\r\n"), 932);
  // Short texts: too little for the detector, still not binary.
  EXPECT_EQ(DetectCodePage(ToEuc(u"日本語のテキスト\n")), 20932);
  EXPECT_EQ(DetectCodePage(ToUtf8(u"日本語のテキスト\n")), 65001);
  EXPECT_EQ(DetectCodePage(ToAnsi(u"日本語のテキスト\n")), 932);
  EXPECT_EQ(DetectCodePage("\xff\xfe\xfd\x80\x01"), -1);
  // UTF-16 of kanji and kana has no zero bytes; the plausibility test still finds it.
  EXPECT_EQ(DetectCodePage(Utf16ToBytes(text, false)), 1200);
  EXPECT_EQ(DetectCodePage(Utf16ToBytes(text, true)), 1201);
  EXPECT_EQ(DetectCodePage(Utf16ToBytes(u"一 Mivaro", true)), 1201);
}

TEST(TextEncodingTest, ByteOrderHelpers) {
  EXPECT_EQ(Utf16ToBytes(u"A\u3042", false), std::string("A\x00\x42\x30", 4));
  EXPECT_EQ(Utf16ToBytes(u"A\u3042", true), std::string("\x00" "A\x30\x42", 4));
  EXPECT_EQ(Utf16FromBytes(std::string("\x00" "A\x30\x42\x99", 5), true), u"A\u3042");
  EXPECT_EQ(SwapByteOrder(u"\x0041"), u"\x4100");
  EXPECT_EQ(UpperCaseText(u"abcｱéß"), u"ABCｱÉß");
}

TEST(CompareNumberedTextTest, DigitAwareOrder) {
  EXPECT_LT(CompareNumberedText(u"track2", u"track10"), 0);
  EXPECT_GT(CompareNumberedText(u"track10", u"track2"), 0);
  EXPECT_LT(CompareNumberedText(u"a", u"a1"), 0);
  EXPECT_EQ(CompareNumberedText(u"", u""), 0);
  EXPECT_GT(CompareNumberedText(u"x", u""), 0);
  EXPECT_LT(CompareNumberedText(u"", u"x"), 0);
  EXPECT_EQ(CompareNumberedText(u"track1", u"track1"), 0);
  // Only identical texts are equal: case variants (two folders on Linux) get an order.
  EXPECT_NE(CompareNumberedText(u"Track1", u"track1"), 0);
  EXPECT_LT(CompareNumberedText(u"Track1", u"track2"), 0);
  EXPECT_LT(CompareNumberedText(u"disc1 a", u"disc1 b"), 0);
  EXPECT_LT(CompareNumberedText(u"第2話", u"第10話"), 0);
  // Numbers too long for 64 bits fall back to the plain comparison.
  EXPECT_LT(CompareNumberedText(u"x99999999999999999999", u"x99999999999999999999a"), 0);
}

TEST(CompareNumberedTextTest, IsAConsistentOrder) {
  // Texts the digit rules call equal still get an order, so folders never interleave.
  EXPECT_NE(CompareNumberedText(u"cd01", u"cd1"), 0);
  EXPECT_NE(CompareNumberedText(u"ファイル", u"ふぁいる"), 0);
  std::vector<WString> samples = {u"a",       u"A1",      u"a01",    u"a1b",   u"a10",
                                  u"b2",      u"B2",      u"1",      u"01",    u"",
                                  u"ファイル", u"ふぁいる", u"ﾌｧｲﾙ",   u"é1",    u"e1",
                                  u"ß",       u"ss",      u"x 2",    u"x2",    u"cd01",
                                  u"cd1",     u"カ1",     u"ガ1",     u"track2", u"track10"};
  for (const WString& a : samples) {
    for (const WString& b : samples) {
      const int ab = CompareNumberedText(a, b);
      const int ba = CompareNumberedText(b, a);
      EXPECT_EQ((ab > 0) - (ab < 0), -((ba > 0) - (ba < 0)))
          << Utf8(a) << " vs " << Utf8(b);
    }
  }
  // Sorting twice from different starting orders gives the same result.
  std::vector<WString> one = samples, two(samples.rbegin(), samples.rend());
  auto less = [](const WString& a, const WString& b) { return CompareNumberedText(a, b) < 0; };
  std::stable_sort(one.begin(), one.end(), less);
  std::stable_sort(two.begin(), two.end(), less);
  EXPECT_EQ(one, two);
}

TEST(CompareTextCollatedTest, CaseModes) {
  EXPECT_EQ(CompareTextCollated(u"abc", u"ABC", true), 0);
  EXPECT_NE(CompareTextCollated(u"abc", u"ABC", false), 0);
  EXPECT_LT(CompareTextCollated(u"apple", u"Banana", true), 0);
  EXPECT_LT(CompareTextCollated(u"あ", u"い", false), 0);
  EXPECT_GT(CompareTextCollated(u"b", u"a", true), 0);
}

}  // namespace
}  // namespace mivaro

namespace mivaro {
namespace {

WString RandomText(std::uint32_t& seed, std::size_t maxLength) {
  static const char16_t kAlphabet[] = u"aA1 0.9/\\éアあｱß_Zz１";
  const std::size_t n = sizeof kAlphabet / sizeof kAlphabet[0] - 1;
  auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return seed >> 8;
  };
  WString s;
  const std::size_t length = next() % (maxLength + 1);
  for (std::size_t i = 0; i < length; ++i) s += kAlphabet[next() % n];
  return s;
}

TEST(CompareNumberedTextTest, PreparedKeysGiveTheSameResults) {
  std::uint32_t seed = 7;
  for (int i = 0; i < 3000; ++i) {
    const WString a = RandomText(seed, 8);
    const WString b = i % 5 == 0 ? a + RandomText(seed, 2) : RandomText(seed, 8);
    const int direct = CompareNumberedText(a, b);
    const int keyed = CompareNumberedKeys(TMyNumberedKey(a), TMyNumberedKey(b));
    ASSERT_EQ((direct > 0) - (direct < 0), (keyed > 0) - (keyed < 0)) << Utf8(a) << " | " << Utf8(b);
  }
}

// The walk's queue compares prepared paths: the same answers as the plain path comparison,
// also for folders that differ only in case, digits or a shared beginning.
TEST(CompareNumberedTextTest, PreparedPathsGiveTheSameResults) {
  std::uint32_t seed = 11;
  for (int i = 0; i < 2000; ++i) {
    const WString a = u"/m/" + RandomText(seed, 6) + u"/" + RandomText(seed, 4) + u"/*.*";
    const WString b = i % 4 == 0 ? a.substr(0, a.size() - 4) + RandomText(seed, 3) + u"/*.*"
                                 : u"/m/" + RandomText(seed, 6) + u"/*.*";
    const int direct = TMyWStrings::ComparePaths(a, b);
    const int keyed = ComparePathKeys(TMyWStrings::PathKey(a), TMyWStrings::PathKey(b));
    ASSERT_EQ((direct > 0) - (direct < 0), (keyed > 0) - (keyed < 0)) << Utf8(a) << " | " << Utf8(b);
  }
}

// Kana, kanji, full-width forms and circled digits are folded without the library's
// general folding; the result must be the library's, unit for unit.
TEST(FoldCaseTextTest, JapaneseTextFoldsAsTheLibraryFoldsIt) {
  auto library = [](const WString& s) {
    UChar out[16];
    UErrorCode err = U_ZERO_ERROR;
    const int32_t n = u_strFoldCase(out, 16, s.data(), static_cast<int32_t>(s.size()),
                                    U_FOLD_CASE_DEFAULT, &err);
    return WString(out, static_cast<size_t>(n));
  };
  for (char32_t c = 0x20; c <= 0xFFEF; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    const WString s = WString(u"ア") + static_cast<char16_t>(c) + u"B";
    ASSERT_EQ(FoldCaseText(s), library(s)) << std::hex << static_cast<uint32_t>(c);
  }
}

}  // namespace
}  // namespace mivaro
