#include "playlist/playlist_order.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <vector>

#include "core/hooks.h"
#include "core/natural.h"
#include "core/paths.h"
#include "core/wstrings.h"

namespace mivaro {

int TMySortState::Choose(int key) {
  state_ = std::abs(state_) == key ? -state_ : key;
  return state_;
}

WString TMySortState::Caption(WStringView caption, int key) const {
  WString out(caption.substr(0, std::min(caption.find(u' '), caption.size())));
  if (state_ == key) out += u" ▲";
  if (state_ == -key) out += u" ▼";
  return out;
}

namespace {

WString SortKeyText(WStringView path, int key) {
  switch (key) {
    case kSortFolder: return ExtractFileDir(path);
    case kSortName: return ExtractFileName(path);
    case kSortExtension: return ExtractFileExt(path);
    default: return WString(path);
  }
}

}  // namespace

void SortPlaylist(TMyWStrings& list, int state) {
  const int key = std::abs(state);
  if (key < kSortPath || key > kSortExtension) return;
  // One key per entry, made once: a comparison then costs no locale work.
  std::vector<TMyNaturalKey> keys;
  keys.reserve(static_cast<size_t>(list.Count()));
  for (int i = 0; i < list.Count(); ++i) {
    keys.push_back(TMyNaturalKey::ForFileName(SortKeyText(list.At(i), key)));
    ProcessMessages();
  }
  const int dir = state > 0 ? 1 : -1;
  list.SortWith([&keys, dir](TMyWStrings&, int a, int b) {
    return dir * TMyNaturalKey::Compare(keys[static_cast<size_t>(a)], keys[static_cast<size_t>(b)]);
  });
}

void ShufflePlaylist(TMyWStrings& list) {
  // Sorting by independent random keys gives every order the same chance (ties, which
  // would favour the old order, are as likely as two equal 64-bit draws).
  static std::mt19937_64 generator{std::random_device{}()};
  std::vector<std::uint64_t> keys(static_cast<size_t>(list.Count()));
  for (std::uint64_t& k : keys) k = generator();
  list.SortWith([&keys](TMyWStrings&, int a, int b) {
    const std::uint64_t x = keys[static_cast<size_t>(a)], y = keys[static_cast<size_t>(b)];
    return x < y ? -1 : x > y ? 1 : 0;
  });
}

}  // namespace mivaro
