#include "core/ustring.h"

#include <gtest/gtest.h>

namespace mivaro {
namespace {

TEST(Ustring, RoundTripsJapaneseAndAstralText) {
  const std::string text = "第10話 ｱｲｳ 𠮷野家 $0024";
  EXPECT_EQ(Utf8(U16(text)), text);
  EXPECT_EQ(U16("𠮷").size(), 2u);
}

TEST(Ustring, ReplacesBrokenInput) {
  EXPECT_EQ(U16("\xff"), u"\uFFFD");
  EXPECT_EQ(U16("a\xe3\x81"), u"a\uFFFD\uFFFD");
  EXPECT_EQ(U16("\xc0\x80"), u"\uFFFD\uFFFD");  // overlong NUL
  EXPECT_EQ(Utf8(WString(1, char16_t(0xD800))), "\xef\xbf\xbd");
  EXPECT_EQ(Utf8(WString(u"\0x", 2)), std::string("\0x", 2));
}

}  // namespace
TEST(Ustring, FindEitherFindsTheFirstHitFromAnyStart) {
  // A line of 40 bytes with breaks at 3, 17 and 33 (inside and across blocks of sixteen).
  std::string bytes(40, 'x');
  bytes[3] = '\n';
  bytes[17] = '\r';
  bytes[33] = '\n';
  WString units(bytes.begin(), bytes.end());
  for (size_t from = 0; from <= bytes.size(); ++from) {
    const size_t want = from <= 3 ? 3 : from <= 17 ? 17 : from <= 33 ? 33 : std::string::npos;
    ASSERT_EQ(FindEitherByte(bytes, '\r', '\n', from), want) << from;
    ASSERT_EQ(FindEitherUnit(units, u'\r', u'\n', from), want) << from;
  }
}

}  // namespace mivaro
