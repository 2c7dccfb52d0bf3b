// Normal form through ICU: the transliterators are built once per thread because building
// them is costly and one instance must not be used by two threads at once.
#include "core/search_text.h"

#include <memory>
#include <optional>
#include <utility>

#include <unicode/locid.h>
#include <unicode/translit.h>
#include <unicode/unistr.h>

namespace mivaro {

namespace {

// The normal form of one character when it is plain enough to map without ICU: ASCII,
// hiragana, katakana, CJK ideographs and punctuation, full-width forms. 0 otherwise.
char16_t QuickNormalForm(char16_t c) {
  if (c < 0x80) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
    if (c == u' ') return u'\u3000';
    if (c >= 0x21 && c <= 0x7E) return static_cast<char16_t>(c + 0xFEE0);
    return c;
  }
  if ((c >= 0x3041 && c <= 0x3096) || c == 0x309D || c == 0x309E)
    return static_cast<char16_t>(c + 0x60);  // hiragana to katakana
  if (c >= 0x3000 && c <= 0x3040) return c;
  if (c >= 0x30A0 && c <= 0x30FF) return c;
  if (c >= 0x4E00 && c <= 0x9FFF) return c;
  if (c >= 0xFF41 && c <= 0xFF5A) return static_cast<char16_t>(c - 0x20);
  if (c >= 0xFF01 && c <= 0xFF5E) return c;
  return 0;
}

// The whole text through QuickNormalForm, or nullopt when one character needs ICU.
std::optional<WString> QuickNormalText(WStringView text) {
  WString out(text.size(), u'\0');
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = QuickNormalForm(text[i]);
    if (c == 0 && text[i] != 0) return std::nullopt;
    out[i] = c;
  }
  return out;
}

icu::Transliterator* WidthAndKana() {
  thread_local std::unique_ptr<icu::Transliterator> translit = [] {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Transliterator> t(icu::Transliterator::createInstance(
        "Hiragana-Katakana; Halfwidth-Fullwidth", UTRANS_FORWARD, status));
    if (U_FAILURE(status)) t.reset();
    return t;
  }();
  return translit.get();
}

}  // namespace

WString NormaliseSearchText(WStringView text) {
  if (std::optional<WString> quick = QuickNormalText(text)) return std::move(*quick);
  icu::UnicodeString u(text.data(), static_cast<int32_t>(text.size()));
  if (icu::Transliterator* t = WidthAndKana()) t->transliterate(u);
  u.toUpper(icu::Locale::getDefault());
  return WString(u.getBuffer(), static_cast<size_t>(u.length()));
}

bool SearchHistory::Add(WStringView text) {
  const WString key = NormaliseSearchText(text);
  if (!entries_.empty() && NormaliseSearchText(entries_.front()) == key) return false;
  for (size_t i = entries_.size(); i-- > 0;) {
    if (NormaliseSearchText(entries_[i]) == key) {
      entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(i));
      break;
    }
  }
  entries_.insert(entries_.begin(), WString(text));
  if (entries_.size() > kMaxEntries) entries_.pop_back();
  return true;
}

}  // namespace mivaro
