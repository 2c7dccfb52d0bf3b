// The parts of natural-order keys, shared by the key of one text (natural.cpp) and the
// sort of many texts at once (natural_order.cpp). Not for use elsewhere.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/natural.h"

namespace mivaro::natural_internal {

// A text's parts wherever they are stored: TMyNaturalKey::Parts or a block of many keys.
struct PartsView {
  std::string_view bytes;
  const uint32_t* starts = nullptr;  // `count` offsets into bytes, as Parts::starts
  size_t count = 0;
  bool has_tail = false;
  std::string_view ties;
};

inline PartsView ViewOf(const TMyNaturalKey::Parts& p) {
  return {p.bytes, p.starts.data(), p.starts.size(), p.has_tail, p.ties};
}

// Cuts an upper-cased text into its parts, into `parts` (its storage reused). With
// `cached`, prefix keys come from this thread's cache of recent prefixes.
void MakePartsInto(WStringView upper, TMyNaturalKey::Parts& parts, bool cached);
// -1, 0 or 1: the order of two texts' parts without their ties (`ties` is not read).
int ComparePrimaryParts(const PartsView& a, const PartsView& b);
// -1, 0 or 1: the order of two texts' parts, ties last.
int CompareParts(const PartsView& a, const PartsView& b);
// `s` with letters upper-cased, as keys are made of it.
void UpperInto(WStringView s, WString& out);
// Folder (without trailing separator) and name of an upper-cased path.
void SplitFolderAndName(WStringView path, WStringView& folder, WStringView& name);
// The first 16 bytes after the opening part mark as two big-endian words; returns how
// many of them lie within complete parts (and so may decide a comparison on their own).
size_t HeadFrom(const PartsView& p, uint64_t head[2]);

}  // namespace mivaro::natural_internal
