#include "core/natural.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "core/wstrings.h"

namespace mivaro {
namespace {

struct Split {
  WString prefix;
  int64_t value;
  WString rest;
};

Split ExtractOf(WStringView text) {
  Split s;
  ExtractFirstNumber(text, s.prefix, s.value, s.rest);
  return s;
}

int64_t ValueOf(WStringView text) { return ExtractOf(text).value; }

TEST(ExtractFirstNumber, ReadsEveryNumeralSet) {
  EXPECT_EQ(ValueOf(u"track123.mp3"), 123);
  EXPECT_EQ(ValueOf(u"第１２話"), 12);
  EXPECT_EQ(ValueOf(u"〇一二三四五六七八九"), 123456789);
  EXPECT_EQ(ValueOf(u"壱弐参"), 123);
  EXPECT_EQ(ValueOf(u"壹貮參肆伍陸柒捌玖"), 123456789);
  EXPECT_EQ(ValueOf(u"漆"), 7);
  EXPECT_EQ(ValueOf(u"質"), 7);
  EXPECT_EQ(ValueOf(u"零"), 0);
  EXPECT_EQ(ValueOf(u"⑤"), 5);
  EXPECT_EQ(ValueOf(u"⑳"), 20);
  EXPECT_EQ(ValueOf(u"Ⅲ"), 3);
  EXPECT_EQ(ValueOf(u"Ⅹ"), 10);
  EXPECT_EQ(ValueOf(u"拾"), 10);
  EXPECT_EQ(ValueOf(u"陌"), 100);
  EXPECT_EQ(ValueOf(u"佰"), 100);
  EXPECT_EQ(ValueOf(u"阡"), 1000);
  EXPECT_EQ(ValueOf(u"仟"), 1000);
  EXPECT_EQ(ValueOf(u"萬"), 10000);
  EXPECT_EQ(ValueOf(u"参萬弐阡"), 32000);
}

TEST(ExtractFirstNumber, KanjiMultipliers) {
  EXPECT_EQ(ValueOf(u"十"), 10);
  EXPECT_EQ(ValueOf(u"百"), 100);
  EXPECT_EQ(ValueOf(u"二十"), 20);
  EXPECT_EQ(ValueOf(u"二十一"), 21);
  EXPECT_EQ(ValueOf(u"三百五"), 305);
  EXPECT_EQ(ValueOf(u"一千〇十"), 1010);
  EXPECT_EQ(ValueOf(u"三千二百"), 3200);
  EXPECT_EQ(ValueOf(u"二万三千"), 23000);
  EXPECT_EQ(ValueOf(u"千百"), 1100);
  EXPECT_EQ(ValueOf(u"三千二百万五千"), 32005000);
  // Forms read by their conventional value.
  EXPECT_EQ(ValueOf(u"20十"), 200);
  EXPECT_EQ(ValueOf(u"十万"), 100000);
  EXPECT_EQ(ValueOf(u"一千万"), 10000000);
  EXPECT_EQ(ValueOf(u"二〇二六年"), 2026);
}

TEST(ExtractFirstNumber, SplitsPrefixAndRest) {
  Split s = ExtractOf(u"第十話.mp4");
  EXPECT_EQ(s.prefix, u"第");
  EXPECT_EQ(s.value, 10);
  EXPECT_EQ(s.rest, u"話.mp4");

  s = ExtractOf(u"十百");  // a multiplier that cannot follow ends the number
  EXPECT_EQ(s.prefix, u"");
  EXPECT_EQ(s.value, 10);
  EXPECT_EQ(s.rest, u"百");

  s = ExtractOf(u"一万二万");  // the second 万 ends the number; 二 still counts
  EXPECT_EQ(s.value, 10002);
  EXPECT_EQ(s.rest, u"万");

  s = ExtractOf(u"abc");  // no numeral: whole text, 0, its last character
  EXPECT_EQ(s.prefix, u"abc");
  EXPECT_EQ(s.value, 0);
  EXPECT_EQ(s.rest, u"c");

  s = ExtractOf(u"");
  EXPECT_EQ(s.prefix, u"");
  EXPECT_EQ(s.value, 0);
  EXPECT_EQ(s.rest, u"");
}

TEST(ExtractFirstNumber, HugeNumbers) {
  EXPECT_EQ(ValueOf(u"a12345678901234567890b"), 0);  // 20 digits: not a 64-bit number
  EXPECT_EQ(ValueOf(u"a9223372036854775807b"), INT64_MAX);
  EXPECT_EQ(ValueOf(u"a00000000000000000000000000001b"), 1);  // leading zeros are fine
  EXPECT_EQ(ValueOf(u"922337203685477580万"), INT64_MAX);     // products saturate
}

TEST(CompareNatural, EdgeCases) {
  EXPECT_EQ(CompareNatural(u"track9.mp3", u"track10.mp3"), -1);
  EXPECT_EQ(CompareNatural(u"track10.mp3", u"track9.mp3"), 1);
  EXPECT_EQ(CompareNatural(u"第二話", u"第十話"), -1);
  EXPECT_EQ(CompareNatural(u"第十話", u"第十一話"), -1);
  EXPECT_EQ(CompareNatural(u"Ⅸ", u"Ⅹ"), -1);
  EXPECT_EQ(CompareNatural(u"⑳", u"⑲"), 1);
  EXPECT_EQ(CompareNatural(u"abc", u"abc1"), -1);
  EXPECT_EQ(CompareNatural(u"abc", u"abc0"), 1);
  EXPECT_EQ(CompareNatural(u"1abc", u"abc"), -1);
  EXPECT_EQ(CompareNatural(u"abc", u"1abc"), 1);
  EXPECT_EQ(CompareNatural(u"ABC", u"abc"), 0);
  EXPECT_EQ(CompareNatural(u"Track10", u"track10"), 0);
  EXPECT_EQ(CompareNatural(u"", u""), 0);
  EXPECT_EQ(CompareNatural(u"", u"a"), -1);
  EXPECT_EQ(CompareNatural(u"a", u""), 1);
  EXPECT_EQ(CompareNatural(u"ⅲ", u"Ⅲ"), 0);  // lower-case Roman numerals read as numbers
  EXPECT_EQ(CompareNatural(u"ⅱ", u"Ⅹ"), -1);
}

TEST(CompareNatural, MixedScriptsAndWidths) {
  EXPECT_EQ(CompareNatural(u"第２話", u"第１０話"), -1);
  EXPECT_EQ(CompareNatural(u"第9話", u"第十話"), -1);
  EXPECT_EQ(CompareNatural(u"第五話", u"第3話"), 1);
  EXPECT_EQ(CompareNatural(u"a01", u"a1"), 0);  // same value, nothing after it
  EXPECT_EQ(CompareNatural(u"x2y10", u"x2y9"), 1);
  EXPECT_EQ(CompareNatural(u"ver1.10", u"ver1.9"), 1);
  // Accents and marks count only when everything else is equal.
  EXPECT_EQ(CompareNatural(u"café2", u"cafe10"), -1);
  EXPECT_EQ(CompareNatural(u"cafe2", u"café2"), -1);
  EXPECT_EQ(CompareNatural(u"がっこう2", u"かっこう10"), -1);
}

TEST(CompareFileNamesNatural, FoldersFirst) {
  EXPECT_EQ(CompareFileNamesNatural(u"C:\\b\\1.mp3", u"C:\\a\\9.mp3"), 1);
  EXPECT_EQ(CompareFileNamesNatural(u"/m/a/9.mp3", u"/m/a/10.mp3"), -1);
  EXPECT_EQ(CompareFileNamesNatural(u"/m/a2/x.mp3", u"/m/a10/a.mp3"), -1);
  EXPECT_EQ(CompareFileNamesNatural(u"song.mp3", u"/m/a.mp3"), -1);
  EXPECT_EQ(CompareFileNamesNatural(u"/M/A.MP3", u"/m/a.mp3"), 0);
  // A colon splits only as a drive colon: "Act 1: Intro" is a name, not a folder.
  EXPECT_EQ(CompareFileNamesNatural(u"/m/Act 1: Intro.mp3", u"/m/Act 2.mp3"), -1);
  EXPECT_EQ(TMyNaturalKey::Compare(TMyNaturalKey::ForFileName(u"/m/Act 1: Intro.mp3"),
                                   TMyNaturalKey::ForFileName(u"/m/Act 2.mp3")),
            -1);
  EXPECT_EQ(CompareFileNamesNatural(u"C:b.mp3", u"C:\\a\\a.mp3"), -1);
  // A folder's files stay together even when a sibling folder's name sorts between.
  EXPECT_EQ(CompareFileNamesNatural(u"/m/a/z.mp3", u"/m/a b/a.mp3"), -1);
}

TEST(CompareTextLocale, IgnoresCaseAndAccents) {
  EXPECT_EQ(CompareTextLocale(u"abc", u"ABC"), 0);
  EXPECT_EQ(CompareTextLocale(u"résumé", u"RESUME"), 0);
  EXPECT_EQ(CompareTextLocale(u"が", u"か"), 0);
  EXPECT_EQ(CompareTextLocale(u"a", u"b"), -1);
  EXPECT_EQ(CompareTextLocale(u"b", u"a"), 1);
  EXPECT_EQ(CompareTextLocale(u"-a", u"a"), -1);  // symbols are not ignored
}

TEST(ListUtilities, TextInArrayListAndTrim) {
  EXPECT_TRUE(TextInArray(u".MP3", {u".wav", u".mp3"}));
  EXPECT_FALSE(TextInArray(u".mp4", {u".wav", u".mp3"}));
  EXPECT_FALSE(TextInArray(u"x", {}));

  TMyWStrings list;
  list.Add(u"Alpha");
  list.Add(u"");
  list.Add(u"beta");
  list.Add(u"");
  list.Add(u"");
  EXPECT_TRUE(TextInList(u"ALPHA", list));
  EXPECT_TRUE(TextInList(u"", list));
  EXPECT_FALSE(TextInList(u"gamma", list));
  TrimEmptyTail(list);
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list.Get(2), u"beta");
  TMyWStrings empties;
  empties.Add(u"");
  TrimEmptyTail(empties);
  EXPECT_EQ(empties.Count(), 0);
}

// Texts from an alphabet that provokes every rule: numerals of all sets, multipliers in
// forbidden orders, case, accents, ignorable controls and digits that are not numerals.
WString RandomText(std::mt19937& gen) {
  static const WString alphabet =
      u"0123456789０９〇一二九十百千万零壱拾萬①⑩⑳ⅠⅤⅩⅰⅹaAbBzé\u0301 -._/\\:"
      u"\x01\u00AD٥²第話がかカ";
  std::uniform_int_distribution<int> len(0, 7);
  std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
  WString s;
  const int n = len(gen);
  for (int i = 0; i < n; ++i) s.push_back(alphabet[pick(gen)]);
  return s;
}

// A sort is only safe with a strict weak ordering: antisymmetric, transitive, and with
// transitive equivalence. Checked on random triples, for both comparisons.
void CheckStrictWeakOrder(int (*compare)(WStringView, WStringView), unsigned seed) {
  std::mt19937 gen(seed);
  for (int round = 0; round < 20000; ++round) {
    const WString a = RandomText(gen), b = RandomText(gen), c = RandomText(gen);
    const int ab = compare(a, b), ba = compare(b, a);
    const int bc = compare(b, c), ac = compare(a, c);
    ASSERT_EQ(ab, -ba) << Utf8(a) << " | " << Utf8(b);
    ASSERT_EQ(compare(a, a), 0) << Utf8(a);
    const std::string where = Utf8(a) + " | " + Utf8(b) + " | " + Utf8(c);
    if (ab <= 0 && bc <= 0) {
      ASSERT_LE(ac, 0) << where;
      if (ab < 0 || bc < 0) {
        ASSERT_LT(ac, 0) << where;
      }
    }
    if (ab >= 0 && bc >= 0) {
      ASSERT_GE(ac, 0) << where;
    }
  }
}

TEST(CompareNatural, IsAStrictWeakOrder) { CheckStrictWeakOrder(&CompareNatural, 1); }

TEST(CompareFileNamesNatural, IsAStrictWeakOrder) {
  CheckStrictWeakOrder(&CompareFileNamesNatural, 2);
}

// Keys decide most comparisons from their first bytes alone; texts that share a long
// start (a series, a folder) make the later bytes and the parts after them decide.
TEST(NaturalKey, AgreesWithTheDirectComparison) {
  std::mt19937 gen(3);
  for (int round = 0; round < 6000; ++round) {
    WString a = RandomText(gen), b = RandomText(gen);
    if (round % 2 == 1) {
      const WString shared = RandomText(gen) + RandomText(gen) + RandomText(gen);
      a = shared + a;
      b = shared + b;
    }
    EXPECT_EQ(TMyNaturalKey::Compare(TMyNaturalKey::ForText(a), TMyNaturalKey::ForText(b)),
              CompareNatural(a, b))
        << Utf8(a) << " | " << Utf8(b);
    EXPECT_EQ(TMyNaturalKey::Compare(TMyNaturalKey::ForFileName(a),
                                     TMyNaturalKey::ForFileName(b)),
              CompareFileNamesNatural(a, b))
        << Utf8(a) << " | " << Utf8(b);
  }
}

// The sort of many texts at once keys each distinct folder once and leaves ties out of its
// block: its order must still be that of a stable sort by the direct comparison, for
// lists full of repeated folders, equal texts, texts equal but for case or accents, and
// numbers of every byte length.
TEST(NaturalSortOrder, IsTheStableSortByTheDirectComparison) {
  std::mt19937 gen(5);
  const WString folders[] = {u"", u"/m/", u"/M/", u"/m/CD1/", u"/m/cd01/", u"/m/ディスク２/",
                             u"a\\", u"/m/é/", u"/m/e\u0301/"};
  const WString numbers[] = {u"0", u"255", u"256", u"65535", u"65536", u"4294967296",
                             u"72057594037927936", u"9223372036854775807",
                             u"99999999999999999999", u"十万"};
  std::uniform_int_distribution<size_t> folder(0, std::size(folders) - 1);
  std::uniform_int_distribution<size_t> number(0, std::size(numbers) - 1);
  for (int round = 0; round < 30; ++round) {
    std::vector<WString> texts;
    for (int i = 0; i < 200; ++i) {
      WString t = folders[folder(gen)];
      t += i % 3 == 0 ? u"t" + numbers[number(gen)] + RandomText(gen) : RandomText(gen);
      texts.push_back(t);
      if (i % 7 == 0) texts.push_back(t);  // an equal text, which keeps its place
    }
    for (const bool file_names : {false, true}) {
      const std::vector<uint32_t> order = NaturalSortOrder(
          texts.size(), [&](size_t i, WString& out) { out += texts[i]; }, file_names);
      std::vector<uint32_t> expected(texts.size());
      for (size_t i = 0; i < expected.size(); ++i) expected[i] = static_cast<uint32_t>(i);
      std::stable_sort(expected.begin(), expected.end(), [&](uint32_t a, uint32_t b) {
        return (file_names ? CompareFileNamesNatural(texts[a], texts[b])
                           : CompareNatural(texts[a], texts[b])) < 0;
      });
      ASSERT_EQ(order, expected) << "round " << round << (file_names ? " paths" : " texts");
    }
  }
  EXPECT_TRUE(NaturalSortOrder(0, [](size_t, WString&) {}, true).empty());
}

// A text without a number goes on with its last character for ever, so its first bytes
// alone cannot decide against a longer text that continues it.
TEST(NaturalKey, TailsDecideAgainstLongerTexts) {
  const std::pair<WString, WString> pairs[] = {
      {u"z", u"z0B"}, {u"x", u"x0"}, {u"abc", u"abc0"}, {u"abc", u"abc1"},
      {u"第話", u"第話0話"}, {u"a/b", u"a/b0c"}, {u"track", u"track00"}};
  for (const auto& [a, b] : pairs) {
    EXPECT_EQ(TMyNaturalKey::Compare(TMyNaturalKey::ForText(a), TMyNaturalKey::ForText(b)),
              CompareNatural(a, b))
        << Utf8(a) << " | " << Utf8(b);
    EXPECT_EQ(TMyNaturalKey::Compare(TMyNaturalKey::ForText(b), TMyNaturalKey::ForText(a)),
              CompareNatural(b, a))
        << Utf8(b) << " | " << Utf8(a);
  }
}

// The known intransitive triples of a comparison that lets the plain collation decide
// between a text that starts with a number and one that does not.
TEST(CompareNatural, NumberFirstTextsSortConsistently) {
  std::vector<WString> v = {u"二十", u"日", u"八", u"9", u"10", u"\x01" u"5", u"٥x"};
  std::stable_sort(v.begin(), v.end(),
                   [](const WString& a, const WString& b) { return CompareNatural(a, b) < 0; });
  for (size_t i = 0; i < v.size(); ++i) {
    for (size_t j = i + 1; j < v.size(); ++j) {
      EXPECT_LE(CompareNatural(v[i], v[j]), 0) << Utf8(v[i]) << " | " << Utf8(v[j]);
    }
  }
  // Numbers of one script come in value order.
  EXPECT_EQ(CompareNatural(u"八", u"二十"), -1);
  EXPECT_EQ(CompareNatural(u"二十", u"日"), -1);
  EXPECT_EQ(CompareNatural(u"(1)", u"1"), -1);
}

// Against a text without a leading number, one that starts with a kanji numeral sorts
// among the kanji, after kana and Latin letters, as the locale has it. "2" < "あ" < "一"
// by the locale while 一 < 2 by value: numbers of different scripts go by script, so
// that the three still sort one way only.
TEST(CompareNatural, NumberFirstTextsSortByTheirScript) {
  EXPECT_EQ(CompareNatural(u"あ", u"一話"), -1);
  EXPECT_EQ(CompareNatural(u"abc", u"千夜"), -1);
  EXPECT_EQ(CompareNatural(u"三人", u"二人"), 1);
  EXPECT_EQ(CompareNatural(u"9話", u"あ"), -1);
  EXPECT_EQ(CompareNatural(u"①", u"a"), -1);
  EXPECT_EQ(CompareNatural(u"2", u"あ"), -1);
  EXPECT_EQ(CompareNatural(u"あ", u"一"), -1);
  EXPECT_EQ(CompareNatural(u"2", u"一"), -1);
}

}  // namespace
}  // namespace mivaro
