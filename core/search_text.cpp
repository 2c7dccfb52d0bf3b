// Normal form through ICU: the transliterators are built once per thread because building
// them is costly and one instance must not be used by two threads at once.
#include "core/search_text.h"

#include <algorithm>
#include <memory>
#include <string_view>
#include <optional>
#include <utility>

#include <unicode/locid.h>
#include <unicode/translit.h>
#include <unicode/unistr.h>

namespace mivaro {

namespace {

// The normal form of one character when it is plain enough to map without ICU: ASCII,
// Latin-1 letters, hiragana, katakana, CJK ideographs and punctuation, full-width forms.
// 0 otherwise.
char16_t QuickNormalForm(char16_t c) {
  if (c < 0x80) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
    if (c == u' ') return u'\u3000';
    if (c >= 0x21 && c <= 0x7E) return static_cast<char16_t>(c + 0xFEE0);
    return c;
  }
  // Latin-1 letters: those without a full-width form only change case (ß, ÿ and µ change
  // length or script under ICU and take its path).
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 0x20);
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

namespace {

// The cache's form of a normal form: full-width ASCII (U+FF01..U+FF5E) and the ideographic
// space back to ASCII, then UTF-8. Plain ASCII never occurs in a normal form, so no two
// normal forms fold to the same text.
void AppendFolded(WStringView normal, std::string& out) {
  for (size_t i = 0; i < normal.size(); ++i) {
    char32_t c = normal[i];
    if (c >= 0xFF01 && c <= 0xFF5E) c -= 0xFEE0;
    else if (c == 0x3000) c = u' ';
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < normal.size() && normal[i + 1] >= 0xDC00 &&
        normal[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (normal[i + 1] - 0xDC00);
      ++i;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
}

std::string Folded(WStringView normal) {
  std::string out;
  AppendFolded(normal, out);
  return out;
}

}  // namespace

void SearchKeyCache::Invalidate() {
  buffer_.clear();
  buffer_.shrink_to_fit();
  offsets_.clear();
  offsets_.shrink_to_fit();
}

void SearchKeyCache::Begin(size_t count, size_t units) {
  Invalidate();
  buffer_.reserve(units + units / 4);
  offsets_.reserve(count + 1);
  offsets_.push_back(0);
}

void SearchKeyCache::Append(WStringView entry) {
  AppendFolded(NormaliseSearchText(entry), buffer_);
  buffer_ += '\0';
  offsets_.push_back(static_cast<std::uint32_t>(buffer_.size()));
}

void SearchKeyCache::End() {
  if (buffer_.capacity() > buffer_.size() + buffer_.size() / 2) buffer_.shrink_to_fit();
}

std::optional<size_t> SearchKeyCache::FindBuilt(const WString& key, size_t from, bool down) const {
  const size_t count = offsets_.size() - 1;
  if (count == 0 || from >= count) return std::nullopt;
  const std::string k = Folded(key);
  const std::string_view all(buffer_);
  size_t pos;
  if (down) {
    pos = all.find(k, offsets_[from]);
  } else {
    const size_t end = offsets_[from + 1] - 1;  // the NUL after entry `from`
    pos = end < k.size() ? std::string_view::npos : all.rfind(k, end - k.size());
  }
  if (pos == std::string_view::npos) return std::nullopt;
  // A key holds no NUL, so a hit lies inside one entry.
  const auto it = std::upper_bound(offsets_.begin(), offsets_.end(), static_cast<std::uint32_t>(pos));
  return static_cast<size_t>(it - offsets_.begin()) - 1;
}

bool SearchKeyCache::Matches(const WString& key, size_t index, WStringView entry) const {
  const std::string k = Folded(key);
  if (index + 1 < offsets_.size()) {
    const std::string_view form(buffer_.data() + offsets_[index], offsets_[index + 1] - 1 - offsets_[index]);
    return form.find(k) != std::string_view::npos;
  }
  return Folded(NormaliseSearchText(entry)).find(k) != std::string::npos;
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
