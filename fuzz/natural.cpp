// Fuzz target: the natural-order comparison must be a strict weak ordering (the list sorts
// rely on it) and the precomputed keys, and the sort of many texts at once, must order
// exactly as the direct comparison.
// The input is split at 0xFF 0xFF into up to three texts of raw UTF-16 units (unpaired
// surrogates included).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/natural.h"

using namespace mivaro;

namespace {

std::vector<WString> Texts(const uint8_t* data, size_t size) {
  std::vector<WString> out(1);
  for (size_t i = 0; i + 1 < size; i += 2) {
    if (data[i] == 0xFF && data[i + 1] == 0xFF) {
      if (out.size() == 3) break;
      out.emplace_back();
      continue;
    }
    out.back().push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
  }
  while (out.size() < 3) out.push_back(out.back() + u"1");
  return out;
}

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

void CheckOrder(int (*cmp)(WStringView, WStringView), const WString& a, const WString& b,
                const WString& c) {
  const int ab = cmp(a, b), ba = cmp(b, a), bc = cmp(b, c), ac = cmp(a, c);
  Check(ab >= -1 && ab <= 1);
  Check(ab == -ba);
  Check(cmp(a, a) == 0);
  if (ab <= 0 && bc <= 0) Check(ac <= 0 && (ac < 0 || (ab == 0 && bc == 0)));
  if (ab >= 0 && bc >= 0) Check(ac >= 0 && (ac > 0 || (ab == 0 && bc == 0)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 4096) return 0;
  const std::vector<WString> t = Texts(data, size);
  CheckOrder(&CompareNatural, t[0], t[1], t[2]);
  CheckOrder(&CompareFileNamesNatural, t[0], t[1], t[2]);
  Check(TMyNaturalKey::Compare(TMyNaturalKey::ForText(t[0]), TMyNaturalKey::ForText(t[1])) ==
        CompareNatural(t[0], t[1]));
  Check(TMyNaturalKey::Compare(TMyNaturalKey::ForFileName(t[1]),
                               TMyNaturalKey::ForFileName(t[2])) ==
        CompareFileNamesNatural(t[1], t[2]));
  // The three texts and their copies: the order of a stable sort by the direct comparison.
  std::vector<WString> all = t;
  all.insert(all.end(), t.begin(), t.end());
  for (const bool paths : {false, true}) {
    auto cmp = paths ? &CompareFileNamesNatural : &CompareNatural;
    const std::vector<uint32_t> order =
        NaturalSortOrder(all.size(), [&](size_t i, WString& out) { out += all[i]; }, paths);
    Check(order.size() == all.size());
    for (size_t k = 0; k + 1 < order.size(); ++k) {
      const int c = cmp(all[order[k]], all[order[k + 1]]);
      Check(c < 0 || (c == 0 && order[k] < order[k + 1]));
    }
  }
  WString prefix, rest;
  int64_t value = 0;
  ExtractFirstNumber(t[0], prefix, value, rest);
  Check(value >= 0);
  CompareTextLocale(t[0], t[1]);
  return 0;
}
