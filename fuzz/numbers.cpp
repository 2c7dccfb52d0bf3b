// Fuzz target of the readers of typed numbers and times, and of the number formats.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "core/numbers.h"

using namespace mivaro;

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 4096) return 0;
  WString text(size / 2, u'\0');
  if (!text.empty()) std::memcpy(text.data(), data, text.size() * 2);

  StrToInt64Loose(text, false);
  StrToInt64Loose(text, true);
  TrailingNumber(text);
  ToHalfWidth(text);
  StripLeadingTimeZeros(text);
  const double t = ParseTimeText(text);
  Check(!std::isnan(t));

  if (size >= 24) {
    int64_t a, b, c;
    double x;
    std::memcpy(&a, data, 8);
    std::memcpy(&b, data + 8, 8);
    std::memcpy(&c, data + 16, 8);
    std::memcpy(&x, data, 8);
    const int64_t w = WrapInt64(a, b, c);
    Check(w >= (b < c ? b : c) && w <= (b < c ? c : b));
    const int64_t k = ClampInt64(a, b, c);
    (void)k;
    RoundHalfAway(x);
    CeilInt64(x);
    FloorInt64(x);
    SizeText(a);
    FormatSeconds(static_cast<int>(a));
    FormatSecondsFraction(static_cast<int>(b % 12), x);
    const int angle = DirectionAngle({static_cast<int>(a), static_cast<int>(a >> 32)},
                                     {static_cast<int>(b), static_cast<int>(b >> 32)},
                                     static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF));
    Check(angle >= -1 && angle < 360);
    Check(angle == -1 || !DirectionTextOfAngle(angle).empty());
  }
  return 0;
}
