// Comparison of texts: collation by the Japanese collator (ICU), case folding, prepared sort
// keys, and the digit-aware name order that compares runs of digits as numbers.
#include "core/text_encoding.h"

#include "core/text_key_cache.h"

#include <unicode/uchar.h>
#include <unicode/ucol.h>
#include <unicode/ustring.h>

#include <memory>
#include <string>
#include <vector>

namespace mivaro {
namespace {

// ---- Collation ------------------------------------------------------------------------------

struct CollatorCloser {
  void operator()(UCollator* c) const { ucol_close(c); }
};
using CollatorPtr = std::unique_ptr<UCollator, CollatorCloser>;

// Collators are read-only after set-up; ICU allows comparisons from many threads.
struct Collators {
  CollatorPtr tertiary;  // plain comparison (after case folding when ignoring case)
  CollatorPtr primary;   // ignore case and non-spacing marks
  Collators() {
    UErrorCode err = U_ZERO_ERROR;
    tertiary.reset(ucol_open("ja_JP", &err));
    if (U_FAILURE(err)) tertiary.reset();
    if (tertiary) {
      err = U_ZERO_ERROR;
      ucol_setStrength(tertiary.get(), UCOL_TERTIARY);
    }
    err = U_ZERO_ERROR;
    primary.reset(ucol_open("ja_JP", &err));
    if (U_FAILURE(err)) primary.reset();
    if (primary) ucol_setStrength(primary.get(), UCOL_PRIMARY);
  }
};

const Collators& GetCollators() {
  static const Collators collators;
  return collators;
}

int Sign(int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

int CompareUnits(WStringView a, WStringView b) { return Sign(a.compare(b)); }

int Collate(const UCollator* coll, WStringView a, WStringView b) {
  if (coll == nullptr) return CompareUnits(a, b);
  switch (ucol_strcoll(coll, a.data(), static_cast<int32_t>(a.size()), b.data(),
                       static_cast<int32_t>(b.size()))) {
    case UCOL_LESS:
      return -1;
    case UCOL_GREATER:
      return 1;
    default:
      return 0;
  }
}

// Case folding into a small buffer (heap only for long texts).
class Folded {
 public:
  explicit Folded(WStringView s) {
    bool plain = true;
    for (char16_t c : s) {
      if (c >= 0x80 || (c >= u'A' && c <= u'Z')) {
        plain = false;
        break;
      }
    }
    if (plain) {
      view_ = s;
      unit_by_unit_ = true;
      return;
    }
    if (FoldsAlone(s)) {
      unit_by_unit_ = true;
      return;
    }
    const auto n = static_cast<int32_t>(s.size());
    UErrorCode err = U_ZERO_ERROR;
    UChar* dest = stack_;
    int32_t cap = static_cast<int32_t>(sizeof stack_ / sizeof stack_[0]);
    int32_t len = u_strFoldCase(dest, cap, s.data(), n, U_FOLD_CASE_DEFAULT, &err);
    if (err == U_BUFFER_OVERFLOW_ERROR || len > cap) {
      heap_.resize(static_cast<std::size_t>(len) + 1);
      err = U_ZERO_ERROR;
      len = u_strFoldCase(heap_.data(), len + 1, s.data(), n, U_FOLD_CASE_DEFAULT, &err);
      dest = heap_.data();
    }
    if (U_FAILURE(err)) {
      view_ = s;
      return;
    }
    view_ = WStringView(dest, static_cast<std::size_t>(len));
  }
  Folded(const Folded&) = delete;
  Folded& operator=(const Folded&) = delete;
  WStringView view() const { return view_; }
  // Each unit was folded on its own into one unit: the folding of any part of the text is
  // then that part of this folding.
  bool UnitByUnit() const { return unit_by_unit_; }

 private:
  // Japanese names are mostly kana, kanji and full-width forms, where folding changes
  // only the full-width capitals: those texts are folded here, one unit to one unit, as
  // the library folds them, without its general machinery. False for other texts.
  bool FoldsAlone(WStringView s) {
    if (s.size() > sizeof stack_ / sizeof stack_[0]) return false;
    for (char16_t c : s) {
      const bool caseless = c < 0x80 || (c >= 0x3000 && c <= 0x9FFF) ||
                            (c >= 0xFF00 && c <= 0xFFEF) || (c >= 0x2460 && c <= 0x2473);
      if (!caseless) return false;
    }
    for (size_t i = 0; i < s.size(); ++i) {
      const char16_t c = s[i];
      const bool upper = (c >= u'A' && c <= u'Z') || (c >= 0xFF21 && c <= 0xFF3A);
      stack_[i] = upper ? static_cast<char16_t>(c + 0x20) : c;
    }
    view_ = WStringView(stack_, s.size());
    return true;
  }

 private:
  UChar stack_[256];
  WString heap_;
  WStringView view_;
  bool unit_by_unit_ = false;
};

bool IsAsciiDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// Head (text before the first ASCII digit), number (the digit run) and tail.
struct NumberedParts {
  WStringView head, number, tail;
};

NumberedParts SplitNumbered(WStringView s) {
  std::size_t i = 0;
  while (i < s.size() && !IsAsciiDigit(s[i])) ++i;
  std::size_t j = i;
  while (j < s.size() && IsAsciiDigit(s[j])) ++j;
  return {s.substr(0, i), s.substr(i, j - i), s.substr(j)};
}

// Reads a run of ASCII digits as a signed 64-bit value; false when it does not fit.
bool ParseInt64(WStringView digits, std::int64_t& value) {
  std::uint64_t v = 0;
  for (char16_t c : digits) {
    const unsigned d = static_cast<unsigned>(c - u'0');
    if (v > (static_cast<std::uint64_t>(INT64_MAX) - d) / 10) return false;
    v = v * 10 + d;
  }
  value = static_cast<std::int64_t>(v);
  return true;
}

bool UpperEqual(WStringView a, WStringView b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i] && u_toupper(a[i]) != u_toupper(b[i])) return false;
  }
  return true;
}

// The numbered comparison without the final tie-break.
int CompareNumberedCore(WStringView a, WStringView b) {
  if (a.empty() && b.empty()) return 0;
  if (b.empty()) return 1;
  if (a.empty()) return -1;
  if (a == b) return 0;
  const int c = CompareTextCollated(a, b, true);
  if (c == 0) {
    if (!UpperEqual(a, b)) {
      // Same text but for case-folding details: the longer one first; equal lengths
      // keep an antisymmetric order by code units.
      if (a.size() != b.size()) return a.size() > b.size() ? -1 : 1;
      return CompareUnits(a, b);
    }
    return 0;
  }
  const NumberedParts pa = SplitNumbered(a);
  const NumberedParts pb = SplitNumbered(b);
  if (pa.head.empty() != pb.head.empty()) return c;
  if (pa.head != pb.head) {
    const int h = Collate(GetCollators().primary.get(), pa.head, pb.head);
    if (h != 0) return h;
    if (!UpperEqual(pa.head, pb.head) && pa.head.size() != pb.head.size()) {
      return pa.head.size() > pb.head.size() ? -1 : 1;
    }
  }
  if (pa.number.empty() && pb.number.empty()) return 0;
  if (pb.number.empty()) return 1;
  if (pa.number.empty()) return -1;
  std::int64_t na = 0, nb = 0;
  if (!ParseInt64(pa.number, na) || !ParseInt64(pb.number, nb)) return c;
  if (na != nb) return na < nb ? -1 : 1;
  return CompareNumberedCore(pa.tail, pb.tail);
}

}  // namespace

// ---- Comparison -----------------------------------------------------------------------------------

int CompareTextCollated(WStringView a, WStringView b, bool ignoreCase) {
  const UCollator* coll = GetCollators().tertiary.get();
  if (!ignoreCase) {
    const int r = Collate(coll, a, b);
    return r != 0 ? r : CompareUnits(a, b);
  }
  Folded fa(a);
  Folded fb(b);
  const int r = Collate(coll, fa.view(), fb.view());
  return r != 0 ? r : CompareUnits(fa.view(), fb.view());
}

// ---- Prepared keys -----------------------------------------------------------------------------

namespace {

std::string SortKey(const UCollator* coll, WStringView text) {
  if (coll == nullptr) {
    // No collator: code unit order, big-endian bytes with no zero byte inside.
    std::string key;
    for (char16_t c : text) {
      key += static_cast<char>(0x80 | (c >> 10));
      key += static_cast<char>(0x80 | ((c >> 5) & 31));
      key += static_cast<char>(0x80 | (c & 31));
    }
    return key;
  }
  std::string key(text.size() * 4 + 16, '\0');
  auto n = ucol_getSortKey(coll, text.data(), static_cast<int32_t>(text.size()),
                           reinterpret_cast<uint8_t*>(key.data()), static_cast<int32_t>(key.size()));
  if (n > static_cast<int32_t>(key.size())) {
    key.resize(static_cast<std::size_t>(n));
    n = ucol_getSortKey(coll, text.data(), static_cast<int32_t>(text.size()),
                        reinterpret_cast<uint8_t*>(key.data()), static_cast<int32_t>(key.size()));
  }
  key.resize(n > 0 ? static_cast<std::size_t>(n - 1) : 0);  // without the terminating 0
  return key;
}

int CompareKeys(std::string_view a, std::string_view b) { return Sign(a.compare(b)); }

// Heads repeat from name to name in a folder ("IMG_", "Track "): their keys are kept.
// A tree of 50,000 names holds some 8,000 distinct heads.
TMyTextKeyCache& HeadKeys() {
  thread_local TMyTextKeyCache cache(16384);
  return cache;
}

}  // namespace

WString FoldCaseText(WStringView text) {
  Folded folded(text);
  return WString(folded.view());
}

std::string CollationKey(WStringView text, bool ignoreCase) {
  const UCollator* coll = GetCollators().tertiary.get();
  if (!ignoreCase) return SortKey(coll, text);
  Folded folded(text);
  return SortKey(coll, folded.view());
}

TMyNumberedKey::TMyNumberedKey(WString text) : text_(std::move(text)) {
  {
    const Folded folded(text_);
    const WStringView f = folded.view();
    if (f.data() != text_.data() && f != WStringView(text_)) {
      folded_.assign(f);
      foldedSame_ = false;
    }
    foldedByUnit_ = folded.UnitByUnit();
  }
  const UCollator* primary = GetCollators().primary.get();
  std::size_t start = 0;
  while (start < text_.size()) {
    const NumberedParts parts = SplitNumbered(WStringView(text_).substr(start));
    Level level;
    level.start = static_cast<std::uint32_t>(start);
    level.headLength = static_cast<std::uint32_t>(parts.head.size());
    level.numberLength = static_cast<std::uint32_t>(parts.number.size());
    level.numberOk = ParseInt64(parts.number, level.number);
    const std::string& key = HeadKeys().Key(parts.head, [primary](WStringView head) {
      return SortKey(primary, head);
    });
    level.keyStart = static_cast<std::uint32_t>(keys_.size());
    level.keyLength = static_cast<std::uint32_t>(key.size());
    keys_ += key;
    if (levelCount_ < kInlineLevels) {
      inline_[levelCount_] = level;
    } else {
      extra_.push_back(level);
    }
    ++levelCount_;
    if (parts.number.empty()) break;  // no digits: the head was the rest, nothing follows
    start += parts.head.size() + parts.number.size();
  }
}

WStringView TMyNumberedKey::Head() const {
  return levelCount_ == 0 ? WStringView() : WStringView(text_).substr(0, LevelAt(0).headLength);
}

std::string_view TMyNumberedKey::HeadKey() const {
  return levelCount_ == 0 ? std::string_view() : HeadKeyOf(LevelAt(0));
}

// The collated comparison of the folded texts, ties by their code units: the sign
// CompareTextCollated(text_, other.text_, true) gives. It is asked for by few comparisons of
// a sort, so one collation of the pair costs less than a tertiary key for every text.
int TMyNumberedKey::CompareFolded(const TMyNumberedKey& a, const TMyNumberedKey& b) {
  const int r = Collate(GetCollators().tertiary.get(), a.FoldedText(), b.FoldedText());
  return r != 0 ? r : CompareUnits(a.FoldedText(), b.FoldedText());
}

// CompareNumberedCore of level `k` of both texts, with the keys computed in advance.
int TMyNumberedKey::CompareLevel(const TMyNumberedKey& a, const TMyNumberedKey& b,
                                 std::size_t k) {
  const WStringView sa =
      k < a.levelCount_ ? WStringView(a.text_).substr(a.LevelAt(k).start) : WStringView();
  const WStringView sb =
      k < b.levelCount_ ? WStringView(b.text_).substr(b.LevelAt(k).start) : WStringView();
  if (sa.empty() && sb.empty()) return 0;
  if (sb.empty()) return 1;
  if (sa.empty()) return -1;
  if (sa == sb) return 0;
  // c is 0 exactly when the folded texts are equal (the collated comparison breaks its
  // ties by the folded code units); its sign is needed only now and then.
  bool foldedEqual = false;
  if (k == 0) {
    foldedEqual = a.FoldedText() == b.FoldedText();
  } else if (a.foldedByUnit_ && b.foldedByUnit_) {
    // The levels' folded texts are the same parts of the folded texts.
    foldedEqual = a.FoldedText().substr(a.LevelAt(k).start) ==
                  b.FoldedText().substr(b.LevelAt(k).start);
  } else {
    const Folded fa(sa);
    const Folded fb(sb);
    foldedEqual = fa.view() == fb.view();
  }
  auto c = [&]() {
    return k != 0 ? CompareTextCollated(sa, sb, true) : CompareFolded(a, b);
  };
  if (foldedEqual) {
    if (!UpperEqual(sa, sb)) {
      if (sa.size() != sb.size()) return sa.size() > sb.size() ? -1 : 1;
      return CompareUnits(sa, sb);
    }
    return 0;
  }
  const Level& la = a.LevelAt(k);
  const Level& lb = b.LevelAt(k);
  const WStringView headA = sa.substr(0, la.headLength);
  const WStringView headB = sb.substr(0, lb.headLength);
  if (headA.empty() != headB.empty()) return c();
  if (headA != headB) {
    const int h = CompareKeys(a.HeadKeyOf(la), b.HeadKeyOf(lb));
    if (h != 0) return h;
    if (!UpperEqual(headA, headB) && headA.size() != headB.size()) {
      return headA.size() > headB.size() ? -1 : 1;
    }
  }
  if (la.numberLength == 0 && lb.numberLength == 0) return 0;
  if (lb.numberLength == 0) return 1;
  if (la.numberLength == 0) return -1;
  if (!la.numberOk || !lb.numberOk) return c();
  if (la.number != lb.number) return la.number < lb.number ? -1 : 1;
  return CompareLevel(a, b, k + 1);
}

int CompareNumberedKeys(const TMyNumberedKey& a, const TMyNumberedKey& b) {
  const int r = TMyNumberedKey::CompareLevel(a, b, 0);
  if (r != 0 || a.text_ == b.text_) return r;
  const int c = TMyNumberedKey::CompareFolded(a, b);
  return c != 0 ? c : CompareUnits(a.text_, b.text_);
}

int CompareNumberedText(WStringView a, WStringView b) {
  const int r = CompareNumberedCore(a, b);
  if (r != 0 || a == b) return r;
  // Different texts that the digit-aware rules call equal ("cd01" and "cd1", names that
  // differ only in accents or kana type) are ordered by the plain comparison, so that
  // two folders never interleave and the order does not depend on the input order.
  const int c = CompareTextCollated(a, b, true);
  return c != 0 ? c : CompareUnits(a, b);
}

}  // namespace mivaro
