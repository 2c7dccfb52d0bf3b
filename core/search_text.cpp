// Normal form through ICU: the transliterators are built once per thread because building
// them is costly and one instance must not be used by two threads at once.
#include "core/search_text.h"

#include <memory>

#include <unicode/locid.h>
#include <unicode/translit.h>
#include <unicode/unistr.h>

namespace mivaro {

namespace {

bool IsAscii(WStringView text) {
  for (char16_t c : text)
    if (c >= 0x80) return false;
  return true;
}

// ASCII to its full-width upper-case form, as the ICU chain below gives for it.
WString AsciiNormalForm(WStringView text) {
  WString out(text.size(), u'\0');
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
    if (c == u' ')
      c = u'\u3000';
    else if (c >= 0x21 && c <= 0x7E)
      c = static_cast<char16_t>(c + 0xFEE0);
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
  if (IsAscii(text)) return AsciiNormalForm(text);
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
