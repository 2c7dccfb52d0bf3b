#include "core/search_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace mivaro {
namespace {

bool Finds(WStringView needle, WStringView hay) {
  return NormaliseSearchText(hay).find(NormaliseSearchText(needle)) != WString::npos;
}

TEST(NormaliseSearchText, CaseKanaAndWidthDoNotMatter) {
  EXPECT_TRUE(Finds(u"ABC", u"/music/abc.mp3"));
  EXPECT_TRUE(Finds(u"ABC", u"/music/ＡＢＣ.mp3"));
  EXPECT_TRUE(Finds(u"ｂｃ", u"/music/xBC"));  // full-width query, ASCII path
  EXPECT_TRUE(Finds(u"ひらがな", u"/曲/ヒラガナ.mp3"));
  EXPECT_TRUE(Finds(u"かな", u"/曲/ｶﾅ.mp3"));  // half-width katakana
  EXPECT_TRUE(Finds(u"é", u"/Musique/CAFÉ"));
  EXPECT_FALSE(Finds(u"abd", u"/music/abc.mp3"));
  // The table-free path (kana, ASCII, CJK) and ICU's path ("é" forces it) agree.
  EXPECT_EQ(NormaliseSearchText(u"ひらがな ａbc漢字ゝé"),
            NormaliseSearchText(u"ヒラガナ　ABC漢字ヽ") + NormaliseSearchText(u"É"));
  // Accented Latin-1 letters take the table-free path too ("ā" sends the left side to ICU).
  EXPECT_EQ(NormaliseSearchText(u"éàöÅþā"), NormaliseSearchText(u"ÉÀÖÅÞ") + NormaliseSearchText(u"ā"));
}

TEST(SearchKeyCache, FindsInBothDirectionsAndSeesChangedEntries) {
  std::vector<WString> list = {u"/a/one.mp3", u"/b/two.mp3", u"/a/three.mp3"};
  SearchKeyCache cache;
  auto at = [&](size_t i) { return WStringView(list[i]); };
  const WString key = NormaliseSearchText(u"/A/");
  EXPECT_EQ(cache.Find(key, list.size(), 1, true, at), 2u);
  EXPECT_EQ(cache.Find(key, list.size(), 1, false, at), 0u);
  EXPECT_EQ(cache.Find(NormaliseSearchText(u"TWO"), list.size(), 2, true, at), std::nullopt);
  list[1] = u"/a/two.mp3";
  cache.InvalidateEntry(1);
  EXPECT_EQ(cache.Find(key, list.size(), 1, true, at), 1u);
  list.erase(list.begin());
  cache.Invalidate();
  EXPECT_EQ(cache.Find(key, list.size(), 0, true, at), 0u);
  EXPECT_EQ(cache.Find(key, 0, 0, true, at), std::nullopt);
}

TEST(SearchHistory, NewestFirstTenAtMostEqualTextsOnce) {
  SearchHistory h;
  for (int i = 0; i < 11; ++i) h.Add(WString(u"t") + static_cast<char16_t>(u'0' + i));
  ASSERT_EQ(h.entries().size(), 10u);
  EXPECT_EQ(h.entries().front(), u"t:");  // u'0' + 10
  EXPECT_EQ(h.entries().back(), u"t1");  // t0, the oldest, fell off
  EXPECT_FALSE(h.Add(u"Ｔ："));           // equals the newest after normalisation
  EXPECT_TRUE(h.Add(u"T5"));
  EXPECT_EQ(h.entries().front(), u"T5");
  EXPECT_EQ(h.entries().size(), 10u);
  EXPECT_EQ(std::count(h.entries().begin(), h.entries().end(), WString(u"t5")), 0);
}

}  // namespace
}  // namespace mivaro
