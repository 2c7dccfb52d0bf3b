// A small cache of collation keys by text, for sorts that key many texts sharing parts
// ("Track ", " - ", ".mp3"): making a key costs the collator far more than a look-up.
// Direct-mapped: a slot holds the last text that hashed to it, so the memory stays bounded
// whatever the list. One per thread (it is not locked).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/ustring.h"

namespace mivaro {

class TMyTextKeyCache {
 public:
  // `slots` is rounded up to a power of two; a few times the distinct texts of a typical
  // list keeps collisions rare.
  explicit TMyTextKeyCache(size_t slots = 4096) {
    size_t n = 1;
    while (n < slots) n <<= 1;
    slots_.resize(n);
  }

  // The key of `text`, made by make(text) when this cache does not hold it. Longer texts
  // rarely repeat and are not kept. The reference lasts until the next call.
  template <class MakeFn>
  const std::string& Key(WStringView text, MakeFn&& make) {
    if (text.size() > kMaxCachedLength) {
      scratch_ = make(text);
      return scratch_;
    }
    Slot& slot = slots_[std::hash<WStringView>{}(text) & (slots_.size() - 1)];
    if (!slot.used || slot.text != text) {
      slot.text.assign(text);
      slot.key = make(text);
      slot.used = true;
    }
    return slot.key;
  }

 private:
  static constexpr size_t kMaxCachedLength = 64;
  struct Slot {
    WString text;
    std::string key;
    bool used = false;
  };
  std::vector<Slot> slots_;
  std::string scratch_;
};

}  // namespace mivaro
