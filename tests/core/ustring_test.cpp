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
}  // namespace mivaro
