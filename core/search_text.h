// Search texts of the playlist window: a normal form in which case, hiragana/katakana and
// half/full width do not matter, a per-entry cache of that form, and the search history.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "core/ustring.h"

namespace mivaro {

// Upper case, katakana, full width. Text of ASCII, kana, CJK and full-width forms only takes
// a table-free fast path with the same result as ICU's mapping.
WString NormaliseSearchText(WStringView text);

// Normal forms of a list's entries, made on first use and dropped when the list changes.
// The entries themselves stay with their owner; `entry(i)` reads one of them.
class SearchKeyCache {
 public:
  void Invalidate() { keys_.clear(); }
  void InvalidateEntry(size_t index) {
    if (index < keys_.size()) keys_[index].reset();
  }

  // The first index in [from, to) (down) or (to, from] walking backwards (up) whose normal
  // form contains `key`; nullopt when none does. `count` is the list's length now.
  template <typename EntryAt>
  std::optional<size_t> Find(const WString& key, size_t count, size_t from, bool down,
                             EntryAt entry) {
    if (keys_.size() != count) keys_.assign(count, std::nullopt);
    if (count == 0) return std::nullopt;
    auto matches = [&](size_t i) {
      if (!keys_[i]) keys_[i] = NormaliseSearchText(entry(i));
      return keys_[i]->find(key) != WString::npos;
    };
    if (down) {
      for (size_t i = from; i < count; ++i)
        if (matches(i)) return i;
    } else {
      for (size_t i = from + 1; i-- > 0;)
        if (i < count && matches(i)) return i;
    }
    return std::nullopt;
  }
  bool Matches(const WString& key, size_t index, WStringView entry) {
    if (index < keys_.size() && keys_[index]) return keys_[index]->find(key) != WString::npos;
    return NormaliseSearchText(entry).find(key) != WString::npos;
  }

 private:
  std::vector<std::optional<WString>> keys_;
};

// Newest first, at most kMaxEntries, no two entries equal after normalisation.
class SearchHistory {
 public:
  static constexpr size_t kMaxEntries = 10;
  // Returns false when `text` was already the newest entry (nothing changed).
  bool Add(WStringView text);
  const std::vector<WString>& entries() const { return entries_; }
  void Clear() { entries_.clear(); }

 private:
  std::vector<WString> entries_;
};

}  // namespace mivaro
