// Natural-order comparison of names: runs of numerals inside a name compare by value, so
// "track9" < "track10", "第二話" < "第十話" and "Ⅲ" < "Ⅹ". Numerals may be ASCII or
// full-width digits, kanji digits with the multipliers 十 百 千 万, the formal kanji
// (壱 弐 参 拾 萬 ...), circled numbers ① to ⑳ and the Roman numerals Ⅰ to Ⅹ.
//
// Every comparison here is a strict weak ordering (a consistent total order up to
// equivalence), so the list sorts may use it freely. Also three small list utilities.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/ustring.h"

namespace mivaro {

class TMyWStrings;

// Splits text at its first run of numerals: the text before it, the run's value and the
// text after it. A run ends at the first non-numeral or at a multiplier that cannot follow
// the ones before it (十百 is 10 followed by "百"). Runs read as written numbers: 二十 = 20,
// 三百五 = 305, 一千〇十 = 1010, 二万三千 = 23000, 十万 = 100000, 20十 = 200. A run of
// digits too long for 64 bits counts as 0; larger products saturate at INT64_MAX.
// Without any numeral the prefix is the whole text, the value 0 and the rest its last
// character (the empty text gives three empty results).
void ExtractFirstNumber(WStringView text, WString& prefix, int64_t& value, WString& rest);

// -1 when a sorts first, 1 when b sorts first, 0 when they are equivalent: the text before
// each number by the locale (ignoring case and accents), then the numbers by value, then
// the rest in the same way; texts still equal then are told apart by the accents and marks
// of those texts (the longer one first, then by code units). Texts that differ only in
// case, or only in how a number is written (a01 / a1 / a一), are equivalent. An empty
// text sorts first. A text that starts with a number sorts, against one that does not,
// where the locale puts its numeral's script ("0" for digits and circled numbers, "Ⅰ"
// for Roman numerals, "一" for kanji numerals); two such texts of one script compare by
// value, of different scripts in that order.
int CompareNatural(WStringView a, WStringView b);

// CompareNatural of the folders (without trailing separator), then of the names. A path
// without a folder part sorts before every path with one.
int CompareFileNamesNatural(WStringView a, WStringView b);

// -1, 0 or 1 by the Japanese locale's collation, ignoring case and non-spacing marks
// (accents, dakuten), symbols not ignored.
int CompareTextLocale(WStringView a, WStringView b);

// True when some element equals text ignoring case (locale comparison).
bool TextInArray(WStringView text, const std::vector<WString>& array);
// True when some line of the list equals text ignoring case.
bool TextInList(WStringView text, const TMyWStrings& list);
// Deletes lines from the end of the list while the last line is empty.
void TrimEmptyTail(TMyWStrings& list);

// -1, 0 or 1 ignoring case only (the locale comparison with the ignore-case flag).
int CompareTextIgnoreCaseLocale(WStringView a, WStringView b);

// ---- Precomputed keys -------------------------------------------------------------------
// Sorting many texts: build one key per text once, then compare keys. The order of keys is
// exactly that of CompareNatural / CompareFileNamesNatural on the texts.

class TMyNaturalKey {
 public:
  TMyNaturalKey() = default;
  // Key of CompareNatural(text, ...).
  static TMyNaturalKey ForText(WStringView text);
  // Key of CompareFileNamesNatural(path, ...).
  static TMyNaturalKey ForFileName(WStringView path);

  // -1, 0 or 1. Keys made by ForText compare with keys made by ForText, and ForFileName
  // keys with ForFileName keys.
  static int Compare(const TMyNaturalKey& a, const TMyNaturalKey& b);

  // One text cut into parts (the text before a number, the number), each encoded as
  // bytes whose plain byte order is the order of the parts, all in one string. A text that
  // ends without a number ends in a tail, its last character, that repeats for ever (so
  // "abc" sorts after "abc0" and before "abc1"); `starts` marks where each part begins.
  struct Parts {
    std::string bytes;
    std::vector<uint32_t> starts;  // one per part, then where the end (or the tail) begins
    bool has_tail = false;
    std::string ties;  // what tells apart parts that collate equal, compared last
  };

 private:
  void SetHead(bool from_folder);

  Parts folder_;  // ForFileName: the folder part
  Parts name_;    // the name (ForText: the whole text)
  // The bytes that come first in a comparison, after the mark that every key opens with,
  // as two big-endian words; head_words_ says how many of them lie within complete parts
  // and so may decide on their own. Most comparisons of a sort end here.
  uint64_t head_[2] = {0, 0};
  uint8_t head_words_ = 0;
};

// ---- Sorting many texts -----------------------------------------------------------------

// The order in which `count` texts sort, as indexes: exactly what a stable sort by
// TMyNaturalKey::ForText (with file_names, ForFileName) gives, equivalent texts keeping
// their order. text(i, out) puts text i into out. The keys live in one block, and each
// distinct folder of a path list is keyed and ranked once; meant for large lists.
std::vector<uint32_t> NaturalSortOrder(size_t count,
                                       const std::function<void(size_t, WString&)>& text,
                                       bool file_names);

}  // namespace mivaro
