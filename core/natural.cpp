#include "core/natural.h"

#include "core/natural_parts.h"

#include <unicode/uchar.h>
#include <unicode/ucol.h>
#include <unicode/unorm2.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <climits>
#include <functional>

#include "core/paths.h"
#include "core/text_key_cache.h"
#include "core/wstrings.h"

namespace mivaro {
namespace {

// ---- Numerals ---------------------------------------------------------------------------

// What one numeral character contributes: digits append text to the pending digits,
// multipliers fold them into the value.
struct Numeral {
  enum Kind : uint8_t { kNone, kDigit, kMultiplier } kind = kNone;
  uint8_t digits = 0;  // kDigit: the number appended (0..20)
  int32_t factor = 0;  // kMultiplier: 10, 100, 1000 or 10000
};

Numeral Digit(int n) { return {Numeral::kDigit, static_cast<uint8_t>(n), 0}; }
Numeral Multiplier(int m) { return {Numeral::kMultiplier, 0, m}; }

Numeral Classify(char16_t c) {
  if (c >= u'0' && c <= u'9') return Digit(c - u'0');
  if (c < 0x2160) return {};
  if (c >= 0xFF10 && c <= 0xFF19) return Digit(c - 0xFF10);   // full-width digits
  if (c >= 0x2460 && c <= 0x2473) return Digit(c - 0x2460 + 1);  // ① .. ⑳
  if (c >= 0x2160 && c <= 0x2169) return Digit(c - 0x2160 + 1);  // Ⅰ .. Ⅹ
  switch (c) {
    case u'〇': case u'零': return Digit(0);
    case u'一': case u'壱': case u'壹': return Digit(1);
    case u'二': case u'弐': case u'貮': case u'貳': return Digit(2);
    case u'三': case u'参': case u'參': return Digit(3);
    case u'四': case u'肆': return Digit(4);
    case u'五': case u'伍': return Digit(5);
    case u'六': case u'陸': return Digit(6);
    case u'七': case u'柒': case u'漆': case u'質': return Digit(7);
    case u'八': case u'捌': return Digit(8);
    case u'九': case u'玖': return Digit(9);
    case u'十': case u'拾': return Multiplier(10);
    case u'百': case u'陌': case u'佰': return Multiplier(100);
    case u'千': case u'阡': case u'仟': return Multiplier(1000);
    case u'万': case u'萬': return Multiplier(10000);
    default: return {};
  }
}

int64_t SatAdd(int64_t a, int64_t b) {
  int64_t r;
  return __builtin_add_overflow(a, b, &r) ? INT64_MAX : r;
}

int64_t SatMul(int64_t a, int64_t b) {
  int64_t r;
  return __builtin_mul_overflow(a, b, &r) ? INT64_MAX : r;
}

// The pending digit text of a run, kept as its decimal value. A text too long for a
// signed 64-bit number reads as 0, as the ordinary decimal conversion fails on it.
struct PendingDigits {
  int64_t value = 0;
  bool any = false;
  bool overflow = false;

  void Append(int n) {
    any = true;
    if (overflow) return;
    const int64_t scale = n >= 10 ? 100 : 10;  // ⑩ .. ⑳ append two digits
    int64_t r;
    if (__builtin_mul_overflow(value, scale, &r) || __builtin_add_overflow(r, n, &r)) {
      overflow = true;
      return;
    }
    value = r;
  }
  int64_t Number() const { return overflow ? 0 : value; }
  // The coefficient of a multiplier: missing digits and a zero placeholder count as one.
  int64_t Coefficient() const { return (!any || (!overflow && value == 0)) ? 1 : Number(); }
  void Reset() { *this = PendingDigits(); }
};

// The first run of numerals in text: [start, stop) and its value; start == npos when the
// text holds none.
struct NumberRun {
  size_t start = WString::npos;
  size_t stop = 0;
  int64_t value = 0;
};

NumberRun FindFirstNumber(WStringView text) {
  NumberRun run;
  int64_t high = 0;   // the part before 万
  int64_t group = 0;  // the group below 10000
  PendingDigits digits;
  bool seen10 = false, seen100 = false, seen1000 = false, seen10000 = false;
  size_t i = 0;
  for (; i < text.size(); ++i) {
    const Numeral n = Classify(text[i]);
    if (n.kind == Numeral::kNone) {
      if (run.start != WString::npos) break;
      continue;
    }
    if (n.kind == Numeral::kDigit) {
      if (run.start == WString::npos) run.start = i;
      digits.Append(n.digits);
      continue;
    }
    // A multiplier that cannot follow the ones before it ends the number.
    bool forbidden = false;
    switch (n.factor) {
      case 10: forbidden = seen10; break;
      case 100: forbidden = seen10 || seen100; break;
      case 1000: forbidden = seen10 || seen100 || seen1000; break;
      default: forbidden = seen10000; break;
    }
    if (forbidden) break;
    if (run.start == WString::npos) run.start = i;
    if (n.factor < 10000) {
      group = SatAdd(group, SatMul(digits.Coefficient(), n.factor));
      if (n.factor == 10) seen10 = true;
      if (n.factor == 100) seen100 = true;
      if (n.factor == 1000) seen1000 = true;
    } else {
      int64_t coefficient = SatAdd(group, digits.Number());
      if (coefficient == 0) coefficient = 1;
      high = SatMul(coefficient, 10000);
      group = 0;
      seen10 = seen100 = seen1000 = false;
      seen10000 = true;
    }
    digits.Reset();
  }
  if (run.start != WString::npos) {
    run.stop = i;
    run.value = SatAdd(SatAdd(high, group), digits.Number());
  }
  return run;
}

// ---- Locale comparison ------------------------------------------------------------------

// A text that starts with a number sorts, against texts that do not, where the locale
// puts the numeral's script: digits (ASCII, full-width, 〇, ① to ⑳) where "0" is, Roman
// numerals where "Ⅰ" is, kanji numerals where "一" is. Within one script numbers compare
// by value. (Placing each text where its own first character sorts would not be a
// consistent order: "2" < "あ" and "あ" < "一" by the locale, while 一 < 2 by value.)
enum NumeralScript { kDigitScript, kRomanScript, kKanjiScript, kNumeralScripts };

NumeralScript ScriptOf(char16_t first) {
  if (first >= 0x2160 && first <= 0x216F) return kRomanScript;
  if (first >= 0x4E00 && first < 0xF900) return kKanjiScript;  // not the full-width digits
  return kDigitScript;
}

constexpr const char16_t* kScriptAnchors[kNumeralScripts] = {u"0", u"\u2160", u"\u4E00"};

// One collator per thread (a collator must not be used by two threads at once).
struct Collator {
  UCollator* coll = nullptr;
  std::string anchor_keys[kNumeralScripts];  // where texts starting with a number sort

  Collator() {
    UErrorCode status = U_ZERO_ERROR;
    coll = ucol_open("ja_JP", &status);
    if (U_FAILURE(status) || coll == nullptr) {
      status = U_ZERO_ERROR;
      coll = ucol_open("", &status);
      if (U_FAILURE(status)) coll = nullptr;
    }
    if (coll != nullptr) {
      status = U_ZERO_ERROR;
      ucol_setStrength(coll, UCOL_TERTIARY);
      ucol_setAttribute(coll, UCOL_NORMALIZATION_MODE, UCOL_ON, &status);
      ucol_setAttribute(coll, UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE, &status);
    }
  }
  ~Collator() {
    if (coll != nullptr) ucol_close(coll);
  }
  Collator(const Collator&) = delete;
  Collator& operator=(const Collator&) = delete;
};

Collator& ThreadCollator() {
  thread_local Collator collator;
  return collator;
}

// Case folding, and with strip_marks also the removal of non-spacing marks after
// canonical decomposition (が becomes か, é becomes e).
WString FoldText(WStringView s, bool strip_marks) {
  WString out;
  out.reserve(s.size());
  bool simple = true;
  for (char16_t c : s) {
    if (c >= 0xC0) {
      simple = false;
      break;
    }
  }
  if (simple) {
    for (char16_t c : s) {
      out.push_back(c < 0x80 ? AsciiLower(c)
                             : static_cast<char16_t>(u_foldCase(c, U_FOLD_CASE_DEFAULT)));
    }
    return out;
  }
  WString decomposed;
  WStringView src = s;
  if (strip_marks) {
    UErrorCode status = U_ZERO_ERROR;
    const UNormalizer2* nfd = unorm2_getNFDInstance(&status);
    if (U_SUCCESS(status)) {
      decomposed.resize(s.size() * 3 + 4);
      int32_t n = unorm2_normalize(nfd, s.data(), static_cast<int32_t>(s.size()),
                                   decomposed.data(), static_cast<int32_t>(decomposed.size()),
                                   &status);
      if (status == U_BUFFER_OVERFLOW_ERROR) {
        status = U_ZERO_ERROR;
        decomposed.resize(static_cast<size_t>(n));
        n = unorm2_normalize(nfd, s.data(), static_cast<int32_t>(s.size()), decomposed.data(),
                             n, &status);
      }
      if (U_SUCCESS(status)) {
        decomposed.resize(static_cast<size_t>(n));
        src = decomposed;
      }
    }
  }
  const int32_t len = static_cast<int32_t>(src.size());
  for (int32_t i = 0; i < len;) {
    UChar32 cp;
    U16_NEXT(src.data(), i, len, cp);
    if (strip_marks && u_charType(cp) == U_NON_SPACING_MARK) continue;
    AppendCodePoint(out, static_cast<char32_t>(u_foldCase(cp, U_FOLD_CASE_DEFAULT)));
  }
  return out;
}

int Sign(int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

int CodeUnitCompare(WStringView a, WStringView b) { return Sign(a.compare(b)); }

int Collate(WStringView a, WStringView b) {
  UCollator* coll = ThreadCollator().coll;
  if (coll == nullptr) return CodeUnitCompare(a, b);
  const UCollationResult r = ucol_strcoll(coll, a.data(), static_cast<int32_t>(a.size()),
                                          b.data(), static_cast<int32_t>(b.size()));
  return r == UCOL_LESS ? -1 : (r == UCOL_GREATER ? 1 : 0);
}

std::string SortKey(WStringView s) {
  UCollator* coll = ThreadCollator().coll;
  std::string key;
  if (coll == nullptr) {
    // Without collation data: code unit order, in bytes that are never 0.
    for (char16_t c : s) {
      key.push_back(static_cast<char>((c >> 14) + 1));
      key.push_back(static_cast<char>(((c >> 7) & 0x7F) + 1));
      key.push_back(static_cast<char>((c & 0x7F) + 1));
    }
    return key;
  }
  uint8_t buf[256];
  const int32_t len = static_cast<int32_t>(s.size());
  int32_t n = ucol_getSortKey(coll, s.data(), len, buf, sizeof buf);
  if (n <= static_cast<int32_t>(sizeof buf)) {
    key.assign(reinterpret_cast<const char*>(buf), n > 0 ? static_cast<size_t>(n - 1) : 0);
    return key;
  }
  std::string big(static_cast<size_t>(n), '\0');
  n = ucol_getSortKey(coll, s.data(), len, reinterpret_cast<uint8_t*>(big.data()), n);
  big.resize(n > 0 ? static_cast<size_t>(n - 1) : 0);  // without the terminating 0
  return big;
}

const std::string& AnchorKey(NumeralScript script) {
  Collator& c = ThreadCollator();
  std::string& key = c.anchor_keys[script];
  if (key.empty()) key = SortKey(kScriptAnchors[script]);
  return key;
}

// ---- Parts ------------------------------------------------------------------------------

}  // namespace

namespace natural_internal {

void UpperInto(WStringView s, WString& out) {
  out.assign(s);
  for (char16_t& c : out) {
    if (c < 0x80) {
      if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
    } else if (!U16_IS_SURROGATE(c)) {
      c = static_cast<char16_t>(u_toupper(c));
    }
  }
}

}  // namespace natural_internal

namespace {

WString Upper(WStringView s) {
  WString out;
  natural_internal::UpperInto(s, out);
  return out;
}

using Parts = TMyNaturalKey::Parts;

// Byte markers of the encoded parts: a text that has ended sorts before one that goes on.
constexpr char kEndMark = 0x01;
constexpr char kTailMark = 0x02;
constexpr char kPartMark = 0x03;

void AppendBigEndian(std::string& out, uint64_t v, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// The collation keys of recently seen prefixes (case folded, marks stripped).
class PrefixKeyCache {
 public:
  const std::string& Key(WStringView prefix) {
    return cache_.Key(prefix, [](WStringView p) { return SortKey(FoldText(p, true)); });
  }

 private:
  TMyTextKeyCache cache_;
};

PrefixKeyCache& ThreadPrefixKeys() {
  thread_local PrefixKeyCache cache;
  return cache;
}

// One part as bytes: the prefix's collation key ignoring case and accents, then the value.
// An empty prefix (a text that starts with its number) sorts where the anchor of the
// number's script does (`first` is its first numeral), before the prefixes that collate
// equal to it. Collation keys hold no 0 byte, so a 0 byte ends each
// of them and the parts stay apart. Keys come from `cache` when one is given (the direct
// comparisons make them afresh, so that they stay a check on the keyed ones).
//
// Prefixes that collate equal but are not the same text (accents, dakuten, ignorable
// characters) are told apart only when everything else is equal: `ties` holds, part by
// part, the longer prefix first, then the prefix's code units.
void AppendPart(Parts& parts, WStringView prefix, int64_t value, PrefixKeyCache* cache,
                char16_t first = u'0') {
  std::string& out = parts.bytes;
  out.push_back(kPartMark);
  if (prefix.empty()) {
    out += AnchorKey(ScriptOf(first));
    out.push_back('\0');
    out.push_back('\0');
  } else {
    if (cache != nullptr) {
      out += cache->Key(prefix);
    } else {
      out += SortKey(FoldText(prefix, true));
    }
    out.push_back('\0');
    out.push_back('\1');
  }
  // The value in as few bytes as it needs, after their count: values are never negative,
  // and a shorter count is a smaller value, so the byte order stays the numbers' order.
  const uint64_t v = value > 0 ? static_cast<uint64_t>(value) : 0;
  int n = 0;
  while (n < 8 && (v >> (8 * n)) != 0) ++n;
  out.push_back(static_cast<char>(n));
  AppendBigEndian(out, v, n);
  AppendBigEndian(parts.ties, 0xFFFFFFFFu - static_cast<uint32_t>(prefix.size()), 4);
  for (char16_t c : prefix) AppendBigEndian(parts.ties, c, 2);
}

}  // namespace

namespace natural_internal {

void MakePartsInto(WStringView text, Parts& parts, bool cached) {
  PrefixKeyCache* cache = cached ? &ThreadPrefixKeys() : nullptr;
  parts.bytes.clear();
  parts.starts.clear();
  parts.ties.clear();
  parts.has_tail = false;
  while (!text.empty()) {
    parts.starts.push_back(static_cast<uint32_t>(parts.bytes.size()));
    const NumberRun run = FindFirstNumber(text);
    if (run.start == WString::npos) {
      AppendPart(parts, text, 0, cache);
      parts.starts.push_back(static_cast<uint32_t>(parts.bytes.size()));
      parts.bytes.push_back(kTailMark);
      AppendPart(parts, text.substr(text.size() - 1), 0, cache);
      parts.has_tail = true;
      return;
    }
    AppendPart(parts, text.substr(0, run.start), run.value, cache, text[run.start]);
    text.remove_prefix(run.stop);
  }
  parts.starts.push_back(static_cast<uint32_t>(parts.bytes.size()));
  parts.bytes.push_back(kEndMark);
}

}  // namespace natural_internal

namespace {

using natural_internal::PartsView;

// Cuts an upper-cased text into (prefix, number) parts as ExtractFirstNumber does again and
// again on the rest.
Parts MakeParts(WStringView text, bool cached = false) {
  Parts parts;
  natural_internal::MakePartsInto(text, parts, cached);
  return parts;
}

size_t PartCount(const PartsView& p) { return p.count - 1; }

std::string_view PartBytes(const PartsView& p, size_t i) {
  return p.bytes.substr(p.starts[i], p.starts[i + 1] - p.starts[i]);
}

std::string_view TailBytes(const PartsView& p) { return p.bytes.substr(p.starts[p.count - 1] + 1); }

size_t CompleteBytes(const PartsView& p) { return p.starts[p.count - 1]; }

int SignOf(int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

// `a` ran out of parts, all equal to the first parts of `b`: its tail goes on against the
// rest of `b`.
int CompareTailWithRest(const PartsView& a, const PartsView& b) {
  const std::string_view tail = TailBytes(a);
  for (size_t i = PartCount(a); i < PartCount(b); ++i) {
    const int c = tail.compare(PartBytes(b, i));
    if (c != 0) return SignOf(c);
  }
  if (!b.has_tail) return 1;
  return SignOf(tail.compare(TailBytes(b)));
}

// Lexicographic over the parts; a text that has ended sorts first, one ending in a tail
// continues with that tail for ever.
int ComparePrimary(const PartsView& a, const PartsView& b) {
  const int c = a.bytes.compare(b.bytes);
  if (c == 0) return 0;
  const size_t na = PartCount(a);
  const size_t nb = PartCount(b);
  // The tail of a shorter text matters only when all its parts equal those of the other.
  auto same_start = [](const PartsView& shorter, const PartsView& longer) {
    const size_t n = CompleteBytes(shorter);
    return longer.bytes.substr(0, n) == shorter.bytes.substr(0, n);
  };
  if (na < nb && a.has_tail && same_start(a, b)) {
    return CompareTailWithRest(a, b);
  }
  if (nb < na && b.has_tail && same_start(b, a)) {
    return -CompareTailWithRest(b, a);
  }
  return SignOf(c);
}

int CompareParts(const Parts& a, const Parts& b) {
  return natural_internal::CompareParts(natural_internal::ViewOf(a), natural_internal::ViewOf(b));
}

// Folder without its trailing "\" or "/" (a drive colon kept, other colons belong to the
// name, as in the path functions), and the name.
void SplitFolderAndName(WStringView path, WStringView& folder, WStringView& name) {
  for (size_t i = path.size(); i > 0; --i) {
    const char16_t c = path[i - 1];
    const bool drive = IsDriveColon(path, i - 1);
    if (c == u'\\' || c == u'/' || drive) {
      folder = path.substr(0, drive ? i : i - 1);
      name = path.substr(i);
      return;
    }
  }
  folder = WStringView();
  name = path;
}

}  // namespace

namespace natural_internal {

int ComparePrimaryParts(const PartsView& a, const PartsView& b) { return ComparePrimary(a, b); }

int CompareParts(const PartsView& a, const PartsView& b) {
  const int c = ComparePrimary(a, b);
  if (c != 0) return c;
  return SignOf(a.ties.compare(b.ties));
}

void SplitFolderAndName(WStringView path, WStringView& folder, WStringView& name) {
  mivaro::SplitFolderAndName(path, folder, name);
}

size_t HeadFrom(const PartsView& p, uint64_t head[2]) {
  // A non-empty text's bytes open with the part mark, which tells nothing apart.
  const size_t complete = CompleteBytes(p);
  for (size_t w = 0; w < 2; ++w) {
    head[w] = 0;
    for (size_t i = 0; i < 8; ++i) {
      const size_t at = 1 + 8 * w + i;
      if (at >= p.bytes.size()) break;
      head[w] |= static_cast<uint64_t>(static_cast<unsigned char>(p.bytes[at])) << (8 * (7 - i));
    }
  }
  return complete >= 17 ? 2 : complete >= 9 ? 1 : 0;
}

}  // namespace natural_internal

// ---- Public -----------------------------------------------------------------------------

void ExtractFirstNumber(WStringView text, WString& prefix, int64_t& value, WString& rest) {
  value = 0;
  if (text.empty()) {
    prefix.clear();
    rest.clear();
    return;
  }
  const NumberRun run = FindFirstNumber(text);
  if (run.start == WString::npos) {
    prefix.assign(text);
    rest.assign(text.substr(text.size() - 1));
    return;
  }
  prefix.assign(text.substr(0, run.start));
  value = run.value;
  rest.assign(text.substr(run.stop));
}

void TMyNaturalKey::SetHead(bool from_folder) {
  // Keys of file names start with the folder (an empty one is only an end mark, and then
  // the head is not valid); keys of texts with the text.
  const Parts& p = from_folder ? folder_ : name_;
  head_words_ = static_cast<uint8_t>(natural_internal::HeadFrom(natural_internal::ViewOf(p), head_));
}

TMyNaturalKey TMyNaturalKey::ForText(WStringView text) {
  TMyNaturalKey key;
  key.folder_ = MakeParts(WStringView(), true);
  key.name_ = MakeParts(Upper(text), true);
  key.SetHead(false);
  return key;
}

TMyNaturalKey TMyNaturalKey::ForFileName(WStringView path) {
  TMyNaturalKey key;
  const WString upper = Upper(path);
  WStringView folder, name;
  SplitFolderAndName(upper, folder, name);
  key.folder_ = MakeParts(folder, true);
  key.name_ = MakeParts(name, true);
  key.SetHead(true);
  return key;
}

int TMyNaturalKey::Compare(const TMyNaturalKey& a, const TMyNaturalKey& b) {
  const uint8_t words = std::min(a.head_words_, b.head_words_);
  for (uint8_t w = 0; w < words; ++w) {
    if (a.head_[w] != b.head_[w]) return a.head_[w] < b.head_[w] ? -1 : 1;
  }
  const int c = CompareParts(a.folder_, b.folder_);
  if (c != 0) return c;
  return CompareParts(a.name_, b.name_);
}

int CompareNatural(WStringView a, WStringView b) {
  if (a.empty() || b.empty()) return a.empty() == b.empty() ? 0 : (a.empty() ? -1 : 1);
  const WString ua = Upper(a);
  const WString ub = Upper(b);
  if (ua == ub) return 0;
  return CompareParts(MakeParts(ua), MakeParts(ub));
}

int CompareFileNamesNatural(WStringView a, WStringView b) {
  const WString ua = Upper(a);
  const WString ub = Upper(b);
  if (ua == ub) return 0;
  WStringView fa, na, fb, nb;
  SplitFolderAndName(ua, fa, na);
  SplitFolderAndName(ub, fb, nb);
  const int c = CompareParts(MakeParts(fa), MakeParts(fb));
  if (c != 0) return c;
  return CompareParts(MakeParts(na), MakeParts(nb));
}

int CompareTextLocale(WStringView a, WStringView b) {
  return Collate(FoldText(a, true), FoldText(b, true));
}

int CompareTextIgnoreCaseLocale(WStringView a, WStringView b) {
  return Collate(FoldText(a, false), FoldText(b, false));
}

bool TextInArray(WStringView text, const std::vector<WString>& array) {
  const WString folded = FoldText(text, false);
  for (const WString& s : array) {
    if (Collate(folded, FoldText(s, false)) == 0) return true;
  }
  return false;
}

bool TextInList(WStringView text, const TMyWStrings& list) {
  const WString folded = FoldText(text, false);
  const int n = list.Count();
  for (int i = 0; i < n; ++i) {
    if (Collate(folded, FoldText(list.At(i), false)) == 0) return true;
  }
  return false;
}

void TrimEmptyTail(TMyWStrings& list) {
  while (list.Count() > 0 && list.At(list.Count() - 1).empty()) {
    const int before = list.Count();
    list.Delete(before - 1);
    if (list.Count() >= before) break;  // a list that refuses deletion must not hang us
  }
}

}  // namespace mivaro
