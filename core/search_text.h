// Search texts of the playlist window: a normal form in which case, hiragana/katakana and
// half/full width do not matter, a per-entry cache of that form, and the search history.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <optional>
#include <vector>

#include "core/ustring.h"

namespace mivaro {

// Upper case, katakana, full width. Text of ASCII, Latin-1 letters, kana, CJK and full-width
// forms only takes
// a table-free fast path with the same result as ICU's mapping.
WString NormaliseSearchText(WStringView text);

// Normal forms of a list's entries, made on first use and dropped when the list changes.
// The entries themselves stay with their owner; `entry(i)` reads one of them.
//
// The forms are kept in one buffer, UTF-8 with the full-width ASCII forms folded back to
// ASCII (so a mostly-Latin path costs about a byte a character), each followed by a NUL;
// a search is one substring scan over the buffer, then a lookup of the entry it hit.
class SearchKeyCache {
 public:
  void Invalidate();
  void InvalidateEntry(size_t) { Invalidate(); }

  // The first index in [from, count) (down) or, walking backwards, in [0, from] (up)
  // whose normal form contains `key` (a normal form itself); nullopt when none does.
  // `count` is the list's length now.
  template <typename EntryAt>
  std::optional<size_t> Find(const WString& key, size_t count, size_t from, bool down,
                             EntryAt entry) {
    if (offsets_.size() != count + 1) {
      size_t units = 0;
      for (size_t i = 0; i < count; ++i) units += entry(i).size() + 1;
      Begin(count, units);
      for (size_t i = 0; i < count; ++i) Append(entry(i));
      End();
    }
    return FindBuilt(key, from, down);
  }
  bool Matches(const WString& key, size_t index, WStringView entry) const;
  // Bytes held by the forms.
  size_t MemoryBytes() const { return buffer_.capacity() + offsets_.capacity() * sizeof(std::uint32_t); }

 private:
  // `units`: the entries' UTF-16 length with one terminator each (the buffer is reserved
  // from it, so it grows at most once).
  void Begin(size_t count, size_t units);
  void Append(WStringView entry);
  void End();
  std::optional<size_t> FindBuilt(const WString& key, size_t from, bool down) const;

  std::string buffer_;
  std::vector<std::uint32_t> offsets_;  // entry i is [offsets_[i], offsets_[i + 1] - 1)
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
