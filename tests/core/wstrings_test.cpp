// TMyWStrings: stored form, text forms, policies, sorts, storage sharing, files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/hooks.h"
#include "core/text_file.h"
#include "core/wstrings.h"
#include "text_test_util.h"

namespace mivaro {
namespace {

std::vector<WString> Items(TMyWStrings& list) {
  std::vector<WString> out;
  for (int i = 0; i < list.Count(); ++i) out.push_back(list.Get(i));
  return out;
}

void Fill(TMyWStrings& list, std::initializer_list<const char16_t*> items) {
  for (const char16_t* s : items) list.Add(s);
}

// Records the messages that the list shows.
class MessageCapture {
 public:
  MessageCapture() {
    SetMessageHook([this](WStringView text, MessageKind) {
      messages.emplace_back(text);
      return kIdOk;
    });
  }
  ~MessageCapture() { SetMessageHook(nullptr); }
  std::vector<WString> messages;
};

TEST(WStringsStoredFormTest, EscapesWhatCodePage932CannotHold) {
  TMyWStrings list;
  EXPECT_EQ(list.EncodeItem(u""), "");
  EXPECT_EQ(list.EncodeItem(u"abc"), "abc");
  EXPECT_EQ(list.EncodeItem(u"a$b"), "a$0024b");
  EXPECT_EQ(list.DecodeItem("a$0024b"), u"a$b");
  EXPECT_EQ(list.EncodeItem(u"日本"), "\x93\xfa\x96\x7b");
  EXPECT_EQ(list.EncodeItem(u"caf\u00e9"), "caf$00e9");
  EXPECT_EQ(list.EncodeItem(u"\u00e9あ"), "$00e9\x82\xa0");
  // Surrogates escape unit by unit; U+0001 is escaped once anything is.
  EXPECT_EQ(list.EncodeItem(u"\U0001F600"), "$d83d$de00");
  EXPECT_EQ(list.EncodeItem(u"\x01$"), "$0001$0024");
  // A "$" without four hexadecimal digits stays as it is.
  EXPECT_EQ(list.DecodeItem("$12"), u"$12");
  EXPECT_EQ(list.DecodeItem("$12G4x"), u"$12G4x");
  EXPECT_EQ(list.DecodeItem("$00E9"), u"\u00e9");
  for (const WString& s : {WString(u"a$b"), WString(u"\u00e9\u4e00$\U0001F600x"),
                           WString(u"$$$$"), WString(u"\x01\x02"), WString(u"ｶﾀｶﾅ\\~")}) {
    EXPECT_EQ(list.DecodeItem(list.EncodeItem(s)), s);
  }
  list.Add(u"a$b");
  list.Add(u"é");
  const TMyAnsiStrings& stored = list.GetStoredList();
  ASSERT_EQ(stored.Count(), 2);
  EXPECT_EQ(stored.Get(0), "a$0024b");
  EXPECT_EQ(stored.Get(1), "$00e9");
  EXPECT_EQ(list.GetAnsiList().Get(1), "?");
  TMyWStrings copy;
  copy.AddAnsiStrings(list.GetStoredList());
  EXPECT_EQ(Items(copy), Items(list));
}

TEST(WStringsTest, OutOfRangeIsHarmless) {
  TMyWStrings list;
  list.Add(u"x");
  EXPECT_EQ(list.Get(-1), u"");
  EXPECT_EQ(list.Get(1), u"");
  EXPECT_EQ(list.GetObject(5), nullptr);
  list.Put(3, u"y");
  list.PutObject(-2, &list);
  list.Delete(7);
  list.Exchange(0, 4);
  list.Move(-1, 0);
  EXPECT_EQ(Items(list), std::vector<WString>{u"x"});
}

TEST(WStringsTest, TextFormsAndLineBreaks) {
  TMyWStrings list;
  list.SetText(u"a\r\nb\r\n");
  EXPECT_EQ(Items(list), (std::vector<WString>{u"a", u"b"}));
  EXPECT_EQ(list.LineBreak, kLineBreakCrLf);
  EXPECT_EQ(list.GetText(), u"a\r\nb\r\n");
  list.SetText(u"a\nb");
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list.LineBreak, kLineBreakLf);
  list.SetText(u"a\rb");
  EXPECT_EQ(list.LineBreak, kLineBreakCr);
  EXPECT_EQ(list.GetText(), u"a\rb\r");
  list.SetText(u"a\n\rb");
  EXPECT_EQ(Items(list), (std::vector<WString>{u"a", u"", u"b"}));
  list.SetText(u"");
  EXPECT_EQ(list.GetText(), u"");

  std::vector<std::pair<int, std::int64_t>> added;
  list.OnLineAdded = [&](TMyWStrings*, int index, std::int64_t consumed) {
    added.emplace_back(index, consumed);
  };
  list.SetText(u"one\r\n\r\nthree");
  EXPECT_EQ(added, (std::vector<std::pair<int, std::int64_t>>{{0, 4}, {2, 6}}));
}

TEST(WStringsTest, DelimitedAndQuotedText) {
  TMyWStrings list;
  list.SetDelimitedText(u"a,,b,");
  EXPECT_EQ(Items(list), (std::vector<WString>{u"a", u"", u"b"}));
  EXPECT_EQ(list.GetDelimitedText(), u"a,,b");
  list.SetDelimitedText(u"");
  EXPECT_EQ(list.Count(), 0);
  list.Delimiter = u"::";
  list.SetDelimitedText(u"x::y");
  EXPECT_EQ(Items(list), (std::vector<WString>{u"x", u"y"}));

  TMyWStrings q;
  Fill(q, {u"x y", u"p\"q", u"", u"z"});
  EXPECT_EQ(q.GetQuotedText(), u"\"x y\",\"p\"\"q\",,z");
  TMyWStrings single;
  single.Add(u"");
  EXPECT_EQ(single.GetQuotedText(), u"\"\"");
  TMyWStrings comma;
  comma.Add(u"a,b");
  EXPECT_EQ(comma.GetQuotedText(), u"\"a,b\"");
}

TEST(WStringsTest, NamesPrefixesAndSubstrings) {
  TMyWStrings list;
  list.AddNameValue(u" Volume ", u"50");
  Fill(list, {u"=x", u"plain", u"Rate=1.0", u"Artist=日本"});
  EXPECT_EQ(list.Get(0), u" Volume =50");
  EXPECT_EQ(list.GetName(0), u"Volume");
  EXPECT_EQ(list.GetName(1), u"");
  EXPECT_EQ(list.GetName(2), u"");
  EXPECT_EQ(list.IndexOfName(u"rate"), 3);
  EXPECT_EQ(list.IndexOfNameFrom(u"volume", 1), -1);
  EXPECT_EQ(list.IndexOfPrefix(u"PLA"), 2);
  EXPECT_EQ(list.IndexOfPrefixFrom(u"pla", 3), -1);
  EXPECT_EQ(list.IndexOfPrefixFrom(u"pla", 99), -1);
  EXPECT_EQ(list.IndexOfSubstring(u"日"), 4);
  EXPECT_EQ(list.IndexOfSubstring(u"ATE="), 3);
  list.CaseSensitive = true;
  EXPECT_EQ(list.IndexOfSubstring(u"ATE="), -1);
  EXPECT_EQ(list.IndexOfPrefixFrom(u"Rate", -5), 3);
}

TEST(WStringsTest, SortedListPolicies) {
  MessageCapture capture;
  TMyWStrings list;
  list.Sorted = true;
  list.Duplicates = TMyDuplicates::Error;
  Fill(list, {u"b", u"a", u"c"});
  EXPECT_EQ(Items(list), (std::vector<WString>{u"a", u"b", u"c"}));
  EXPECT_EQ(list.Add(u"B"), 2);  // refused: returns the last index
  EXPECT_EQ(list.Count(), 3);
  ASSERT_EQ(capture.messages.size(), 1u);
  EXPECT_EQ(capture.messages[0], kMsgDuplicatesNotAllowed);
  list.Add(u"d");
  EXPECT_EQ(list.Get(3), u"d");
  list.Duplicates = TMyDuplicates::Ignore;
  list.Add(u"a");
  EXPECT_EQ(list.Count(), 4);
  EXPECT_EQ(capture.messages.size(), 1u);
  list.Duplicates = TMyDuplicates::Accept;
  list.Insert(0, u"bb");  // a sorted list keeps its order even when accepting duplicates
  list.Add(u"a");
  EXPECT_EQ(Items(list), (std::vector<WString>{u"a", u"a", u"b", u"bb", u"c", u"d"}));
  int index = -1;
  EXPECT_TRUE(list.Find(u"C", index));
  EXPECT_EQ(index, 4);
  EXPECT_FALSE(list.Find(u"ca", index));
  EXPECT_EQ(index, 5);
  EXPECT_FALSE(list.Find(u"z", index));
  EXPECT_EQ(index, 6);
}

TEST(WStringsTest, ChangeEventsReverseMoveAndObjects) {
  TMyWStrings list;
  int changes = 0;
  list.OnChange = [&](TMyWStrings* sender) {
    EXPECT_EQ(sender, &list);
    ++changes;
  };
  Fill(list, {u"1", u"2", u"3", u"4"});
  EXPECT_EQ(changes, 4);
  list.Reverse();
  EXPECT_EQ(Items(list), (std::vector<WString>{u"4", u"3", u"2", u"1"}));
  EXPECT_EQ(changes, 6);
  list.Put(0, u"x");
  list.Clear();
  EXPECT_EQ(changes, 6);  // neither Put nor Clear fires

  Fill(list, {u"a", u"b", u"c"});
  list.Move(0, 2);
  EXPECT_EQ(Items(list), (std::vector<WString>{u"b", u"c", u"a"}));
  list.Move(2, 0);
  EXPECT_EQ(Items(list), (std::vector<WString>{u"a", u"b", u"c"}));

  int freed = 0;
  list.ObjectDeleter = [&](void* p) { freed += *static_cast<int*>(p); };
  int one = 1, ten = 10, hundred = 100;
  list.PutObject(0, &one);
  list.PutObject(1, &ten);
  list.PutObject(2, &hundred);
  list.Delete(1);
  EXPECT_EQ(freed, 0);  // objects are freed only when the list owns them
  list.OwnsObjects = true;
  list.Delete(1);
  EXPECT_EQ(freed, 100);
  list.Clear();
  EXPECT_EQ(freed, 101);
}

TEST(WStringsTest, AddingListsKeepsOrder) {
  TMyWStrings a, b;
  Fill(a, {u"1", u"2"});
  Fill(b, {u"x", u"y", u"z"});
  a.InsertWStrings(1, b);
  EXPECT_EQ(Items(a), (std::vector<WString>{u"1", u"x", u"y", u"z", u"2"}));
  a.InsertWStrings(99, a);
  EXPECT_EQ(a.Count(), 10);
  a.AssignWStrings(b);
  EXPECT_EQ(Items(a), Items(b));
  a.AddEmpty(2);
  EXPECT_EQ(a.Count(), 5);
  TMyAnsiStrings ansi;
  ansi.Add("$00e9", &b);
  a.InsertAnsiStrings(0, ansi);
  EXPECT_EQ(a.Get(0), u"é");
  EXPECT_EQ(a.GetObject(0), &b);
  a.AssignAnsiStrings(ansi);
  EXPECT_EQ(a.Count(), 1);
}

TEST(WStringsSortTest, MergeSortIsStableAndCountsSteps) {
  TMyWStrings list;
  EXPECT_EQ(list.SortProgressText(), u"");
  int tags[6] = {0, 1, 2, 3, 4, 5};
  const char16_t* names[] = {u"b", u"A", u"a", u"c", u"B", u"a"};
  for (int i = 0; i < 6; ++i) list.AddObject(names[i], &tags[i]);
  list.Sort();
  EXPECT_EQ(Items(list), (std::vector<WString>{u"A", u"a", u"a", u"b", u"B", u"c"}));
  // Equal items kept their order, and objects travelled with their strings.
  EXPECT_EQ(list.GetObject(0), &tags[1]);
  EXPECT_EQ(list.GetObject(1), &tags[2]);
  EXPECT_EQ(list.GetObject(2), &tags[5]);
  EXPECT_EQ(list.GetObject(3), &tags[0]);
  EXPECT_EQ(list.SortSteps(), 11);  // one call per node of the recursion over 6 items
  EXPECT_EQ(list.SortProgressText(), u"リストのソート中 [11]");

  list.SortRange(1, 0);  // an empty range sorts nothing and resets the counter
  EXPECT_EQ(list.SortSteps(), 1);
  list.SortWith([](TMyWStrings& l, int a, int b) { return -l.CompareItems(a, b); });
  EXPECT_EQ(list.Get(0), u"c");
}

TEST(WStringsSortTest, QuickAndInsertionSorts) {
  TMyWStrings list;
  Fill(list, {u"d", u"b", u"a", u"c", u"b", u"e", u"a"});
  const auto byText = [](TMyWStrings& l, int a, int b) { return l.CompareItems(a, b); };
  list.QuickSortWithDedupe(byText, true);
  EXPECT_EQ(Items(list), (std::vector<WString>{u"a", u"b", u"c", u"d", u"e"}));
  list.Clear();
  Fill(list, {u"3", u"1", u"2", u"1", u"3"});
  list.InsertionSort(true);
  EXPECT_EQ(Items(list), (std::vector<WString>{u"1", u"2", u"3"}));
  list.Clear();
  Fill(list, {u"b", u"a", u"b", u"a"});
  list.InsertionSort(false);
  EXPECT_EQ(Items(list), (std::vector<WString>{u"a", u"a", u"b", u"b"}));
  // A compare function that is no order must not run outside the list.
  for (int i = 0; i < 200; ++i) list.Add(U16(std::to_string(i)));
  list.QuickSortWith([](TMyWStrings&, int, int) { return -1; });
  list.QuickSortWith([](TMyWStrings&, int, int) { return 1; });
  EXPECT_EQ(list.Count(), 204);
}

TEST(WStringsSortTest, PathsSortByFolderThenNumberedName) {
  TMyWStrings list;
  Fill(list, {u"/m/b/track10.mp3", u"/m/a/x.mp3", u"/m/b/track2.mp3", u"/m/a10/y.mp3",
              u"/m/a2/z.mp3", u"/m/b/track2.mp3", u"/m/cd1/1.mp3", u"/m/cd01/2.mp3",
              u"/m/cd1/3.mp3", u"C:\\w\\b.mp3", u"C:\\w\\a.mp3"});
  list.SortPaths();
  const std::vector<WString> items = Items(list);
  ASSERT_EQ(items.size(), 10u);  // the duplicate went
  auto pos = [&](const char16_t* s) { return std::find(items.begin(), items.end(), s) - items.begin(); };
  EXPECT_LT(pos(u"/m/a/x.mp3"), pos(u"/m/a2/z.mp3"));
  EXPECT_LT(pos(u"/m/a2/z.mp3"), pos(u"/m/a10/y.mp3"));
  EXPECT_LT(pos(u"/m/b/track2.mp3"), pos(u"/m/b/track10.mp3"));
  EXPECT_LT(pos(u"C:\\w\\a.mp3"), pos(u"C:\\w\\b.mp3"));
  // The two folders "cd1" and "cd01" do not interleave.
  EXPECT_EQ(std::abs(pos(u"/m/cd1/1.mp3") - pos(u"/m/cd1/3.mp3")), 1);
  EXPECT_EQ(TMyWStrings::ComparePaths(u"/x/a", u"/x/a"), 0);
  EXPECT_LT(TMyWStrings::ComparePaths(u"a.mp3", u"/x/a.mp3"), 0);
}

TEST(WStringsStorageTest, AttachedStoreIsSharedAndObserved) {
  struct Recorder : TMyStringStoreObserver {
    std::vector<std::string> log;
    void StoreAboutToInsert(int f, int n) override { log.push_back("+" + std::to_string(f) + "/" + std::to_string(n)); }
    void StoreRemoved(int f, int n) override { log.push_back("-" + std::to_string(f) + "/" + std::to_string(n)); }
    void StoreChanged(int f, int l) override { log.push_back("~" + std::to_string(f) + "-" + std::to_string(l)); }
    void StoreUpdateBegun() override { log.push_back("["); }
    void StoreUpdateEnded() override { log.push_back("]"); }
  } recorder;
  TMyStringStore control;
  control.AddObserver(&recorder);
  {
    TMyWStrings list(&control);
    EXPECT_FALSE(list.OwnsStorage());
    list.SetText(u"b\r\na");
    list.Sort();
    list.Delete(0);
  }
  // The items survive the list that filled them.
  ASSERT_EQ(control.Count(), 1);
  EXPECT_EQ(control.Text(0), u"b");
  EXPECT_EQ(recorder.log, (std::vector<std::string>{"[", "+0/1", "+1/1", "]", "~0-1", "-0/1"}));

  TMyWStrings other;
  other.Add(u"own");
  other.AttachStrings(&control);
  EXPECT_EQ(Items(other), std::vector<WString>{u"b"});
  other.AttachStrings(nullptr);  // attached -> a new own store
  EXPECT_TRUE(other.OwnsStorage());
  EXPECT_EQ(other.Count(), 0);
  EXPECT_EQ(control.Count(), 1);
  control.RemoveObserver(&recorder);
}

TEST(WStringsFileTest, LoadAndSaveWithEncodings) {
  testing::TempDir dir;
  const WString file = dir.WFile("list.txt");
  TMyWStrings list;
  Fill(list, {u"日本語", u"caf\u00e9", u"x"});
  ASSERT_TRUE(list.SaveToFile(file));  // code 0: lossy in ANSI, so UTF-8 with BOM
  TMyWStrings back;
  back.LoadFromFile(file);
  EXPECT_EQ(back.Encoding, kEncodingUtf8Bom);
  EXPECT_EQ(Items(back), Items(list));
  ASSERT_TRUE(list.SaveToFileEncBreak(file, kEncodingUtf16Be, kLineBreakLf));
  back.Encoding = kEncodingDetect;
  back.LoadFromFile(file);
  EXPECT_EQ(back.Encoding, kEncodingUtf16Be);
  EXPECT_EQ(back.LineBreak, kLineBreakLf);
  EXPECT_EQ(Items(back), Items(list));
  TextEncoding code = kEncodingUtf16Be;
  back.LoadFromFileEncEx(file, code, 6);
  EXPECT_EQ(Items(back), std::vector<WString>{u"日本語"});
  back.AddFromFile(file);
  back.AddFromFile(dir.WFile("missing.txt"));
  EXPECT_EQ(back.Count(), 4);
  EXPECT_FALSE(list.SaveToFile(dir.WFile("missing/dir/list.txt")));
}

}  // namespace
}  // namespace mivaro

namespace mivaro {
namespace {

TEST(WStringsSortTest, PathSortAgreesWithThePathComparison) {
  // The path sort decides most comparisons from precomputed ranks; the order must be
  // the one the plain path comparison gives.
  std::uint32_t seed = 11;
  auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return seed >> 8;
  };
  const std::vector<WString> folders = {u"/m/CD1", u"/m/cd1", u"/m/cd01", u"/m/cd2", u"/m/cd10",
                                        u"/m/ア", u"/m/あ", u"", u"/m/a b", u"C:"};
  const std::vector<WString> heads = {u"track", u"Track", u"トラック", u"", u"ｱ", u"é", u"e"};
  std::vector<WString> paths;
  for (int i = 0; i < 600; ++i) {
    WString p = folders[next() % folders.size()] + u"/" + heads[next() % heads.size()];
    if (next() % 4 != 0) p += U16(std::to_string(next() % 30));
    if (next() % 3 == 0) p += u".mp3";
    paths.push_back(p);
  }
  TMyWStrings list;
  for (const WString& p : paths) list.Add(p);
  list.SortPathsRange(0, list.Count() - 1);
  std::vector<WString> expected = paths;
  std::stable_sort(expected.begin(), expected.end(), [](const WString& a, const WString& b) {
    return TMyWStrings::ComparePaths(a, b) < 0;
  });
  EXPECT_EQ(Items(list), expected);
}

}  // namespace
}  // namespace mivaro
