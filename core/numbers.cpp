#include "core/numbers.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>

#include <unicode/translit.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

namespace mivaro {

namespace {

constexpr int64_t kInt64Max = std::numeric_limits<int64_t>::max();
constexpr int64_t kInt64Min = std::numeric_limits<int64_t>::min();

WString Ascii(const char* s) {
  WString out;
  for (; *s; ++s) out.push_back(static_cast<unsigned char>(*s));
  return out;
}

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == 0x3000; }

WStringView TrimBlanks(WStringView t) {
  while (!t.empty() && IsBlank(t.front())) t.remove_prefix(1);
  while (!t.empty() && IsBlank(t.back())) t.remove_suffix(1);
  return t;
}

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  return -1;
}

// A float reduced to the 64-bit range: NaN gives 0, values beyond the range saturate.
int64_t SaturatingTrunc(double x) {
  if (std::isnan(x)) return 0;
  if (x >= 9223372036854775807.0) return kInt64Max;
  if (x <= -9223372036854775808.0) return kInt64Min;
  return static_cast<int64_t>(x);
}

WString TimeText(int64_t s) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%lld:%.2lld:%.2lld", static_cast<long long>(s / 3600),
                static_cast<long long>((s / 60) % 60), static_cast<long long>(s % 60));
  return Ascii(buf);
}

}  // namespace

// ---- Time texts -------------------------------------------------------------------------

WString StripLeadingTimeZeros(WStringView text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == u'0' || text[i] == kTimeSeparator)) ++i;
  WString out(text.substr(i));
  if (out.empty()) return u"0";
  if (out.front() == kDecimalSeparator) out.insert(out.begin(), u'0');
  return out;
}

WString FormatSeconds(int seconds) {
  if (seconds == 0) return u"0";
  if (seconds < 0) {
    // Shown as the magnitude with a sign (the time formats have no place for negative parts).
    return u"-" + StripLeadingTimeZeros(TimeText(-static_cast<int64_t>(seconds)));
  }
  return StripLeadingTimeZeros(TimeText(seconds));
}

WString FormatSecondsFraction(int digits, double seconds) {
  if (digits < 0) digits = 0;
  if (digits > 9) digits = 9;
  if (std::isnan(seconds)) seconds = 0;
  const bool negative = seconds < 0;
  double a = std::fabs(seconds);
  int64_t scale = 1;
  for (int i = 0; i < digits; ++i) scale *= 10;
  // Far beyond any media time; keeps the tick count inside 64 bits.
  const double limit = 9.0e18 / static_cast<double>(scale);
  if (a > limit) a = limit;
  // Fraction digits are cut, not rounded. A tiny allowance keeps times such as 2.3 s (held
  // as 2.2999...) from showing one unit less in the last digit.
  const int64_t ticks = static_cast<int64_t>(a * static_cast<double>(scale) + 1e-6);
  const int64_t s = ticks / scale;
  const int64_t f = ticks % scale;
  char frac[32] = "";
  if (digits > 0) std::snprintf(frac, sizeof frac, ".%.*lld", digits, static_cast<long long>(f));
  WString out;
  if (a > 1) {
    out = StripLeadingTimeZeros(TimeText(s) + Ascii(frac));
  } else {
    char buf[48];
    std::snprintf(buf, sizeof buf, "%lld%s", static_cast<long long>(s), frac);
    out = Ascii(buf);
  }
  if (negative) out.insert(out.begin(), u'-');
  return out;
}

double ParseTimeText(WStringView text) {
  WStringView parts[4];
  size_t count = 0;
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || text[i] == kTimeSeparator) {
      if (count == 5) break;
      if (count < 4) parts[count] = text.substr(start, i - start);
      ++count;
      start = i + 1;
    }
  }
  if (count > 4) return 0;
  if (count == 4) count = 3;  // the text after a third colon is ignored
  auto int_part = [](WStringView t) {
    int64_t v = 0;
    return TryStrToInt64(TrimBlanks(t), v) ? static_cast<double>(v) : 0.0;
  };
  auto float_part = [](WStringView t) {
    double v = 0;
    return TryStrToFloat(TrimBlanks(t), v) ? v : 0.0;
  };
  switch (count) {
    case 1:
      return float_part(parts[0]);
    case 2:
      return int_part(parts[0]) * 60 + float_part(parts[1]);
    default:
      return int_part(parts[0]) * 3600 + int_part(parts[1]) * 60 + float_part(parts[2]);
  }
}

// ---- Integers from text -----------------------------------------------------------------

WString ToHalfWidth(WStringView text) {
  bool wide = false;
  for (char16_t c : text) {
    if (c >= 0x3000) {
      wide = true;
      break;
    }
  }
  if (!wide) return WString(text);
  // Transliterators are costly to build and not meant to be shared between threads.
  thread_local std::unique_ptr<icu::Transliterator> translit = [] {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Transliterator> t(icu::Transliterator::createInstance(
        "Fullwidth-Halfwidth", UTRANS_FORWARD, status));
    if (U_FAILURE(status)) t.reset();
    return t;
  }();
  if (!translit) return WString(text);
  icu::UnicodeString u(text.data(), static_cast<int32_t>(text.size()));
  translit->transliterate(u);
  return WString(u.getBuffer(), static_cast<size_t>(u.length()));
}

bool TryStrToInt64(WStringView text, int64_t& out) {
  WStringView t = TrimBlanks(text);
  bool negative = false;
  if (!t.empty() && (t.front() == u'-' || t.front() == u'+')) {
    negative = t.front() == u'-';
    t.remove_prefix(1);
  }
  bool hex = false;
  if (!t.empty() && t.front() == u'$') {
    hex = true;
    t.remove_prefix(1);
  } else if (t.size() >= 2 && t[0] == u'0' && (t[1] == u'x' || t[1] == u'X')) {
    hex = true;
    t.remove_prefix(2);
  } else if (!t.empty() && (t.front() == u'x' || t.front() == u'X')) {
    hex = true;
    t.remove_prefix(1);
  }
  if (t.empty()) return false;
  uint64_t v = 0;
  if (hex) {
    // Up to 16 hexadecimal digits: the bit pattern of the 64-bit number ("$FFFFFFFFFFFFFFFF"
    // is -1).
    size_t i = 0;
    while (i + 1 < t.size() && t[i] == u'0') ++i;  // leading zeros do not count
    if (t.size() - i > 16) return false;  // more than 64 bits
    for (char16_t c : t) {
      const int d = HexDigit(c);
      if (d < 0) return false;
      v = (v << 4) | static_cast<uint64_t>(d);
    }
    out = static_cast<int64_t>(negative ? 0ULL - v : v);
    return true;
  }
  for (char16_t c : t) {
    if (c < u'0' || c > u'9') return false;
    const uint64_t d = c - u'0';
    if (v > (std::numeric_limits<uint64_t>::max() - d) / 10) return false;
    v = v * 10 + d;
  }
  if (negative) {
    if (v > static_cast<uint64_t>(kInt64Max) + 1) return false;
    out = static_cast<int64_t>(0ULL - v);
  } else {
    if (v > static_cast<uint64_t>(kInt64Max)) return false;
    out = static_cast<int64_t>(v);
  }
  return true;
}

bool TryStrToFloat(WStringView text, double& out) {
  WStringView t = TrimBlanks(text);
  if (t.empty() || t.size() > 400) return false;
  std::string a;
  a.reserve(t.size());
  for (char16_t c : t) {
    if (c >= 0x80) return false;
    a.push_back(static_cast<char>(c == kDecimalSeparator ? '.' : c));
  }
  const char* first = a.data();
  const char* last = a.data() + a.size();
  bool negative = false;
  if (*first == '+' || *first == '-') {
    negative = *first == '-';
    ++first;
  }
  // Only digits, one point and an exponent: no "inf", "nan" or hexadecimal floats.
  if (first == last || !((*first >= '0' && *first <= '9') || *first == '.')) return false;
  double v = 0;
  auto [ptr, ec] = std::from_chars(first, last, v, std::chars_format::general);
  if (ec != std::errc() || ptr != last || !std::isfinite(v)) return false;
  out = negative ? -v : v;
  return true;
}

int64_t StrToInt64Loose(WStringView text, bool prefer_hex) {
  WString t = ToHalfWidth(TrimBlanks(text));
  for (char16_t& c : t) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  }
  int64_t v = 0;
  if (TryStrToInt64(t, v)) return v;

  WString number;
  WString sign;
  for (char16_t c : t) {
    if (number.empty() && sign.empty() && (c == u'-' || c == u'+')) {
      sign.assign(1, c);
    } else if (number.empty() && (c == u'$' || c == u'X')) {
      number = u"$";
    } else if (c == u',') {
      continue;
    } else if (c == u' ' && number.empty()) {
      continue;
    } else if (c >= u'0' && c <= u'9') {
      number.push_back(c);
    } else if (c >= u'A' && c <= u'F') {
      if (number.empty() || number.front() != u'$') number.insert(number.begin(), u'$');
      number.push_back(c);
    } else {
      break;
    }
  }
  if (number.empty()) return 0;
  if (prefer_hex && number.front() != u'$') number.insert(number.begin(), u'$');
  return TryStrToInt64(sign + number, v) ? v : 0;
}

int32_t TrailingNumber(WStringView text) {
  size_t i = text.size();
  while (i > 0 && text[i - 1] >= u'0' && text[i - 1] <= u'9') --i;
  if (i == text.size()) return 0;
  int64_t v = 0;
  for (size_t k = i; k < text.size(); ++k) {
    v = v * 10 + (text[k] - u'0');
    if (v > std::numeric_limits<int32_t>::max()) return 0;
  }
  return static_cast<int32_t>(v);
}

// ---- Rounding, limiting, wrapping -------------------------------------------------------

int64_t RoundHalfAway(double x) { return SaturatingTrunc(x >= 0 ? x + 0.5 : x - 0.5); }

int64_t CeilInt64(double x) {
  const int64_t t = SaturatingTrunc(x);
  return (x > static_cast<double>(t) && t != kInt64Max) ? t + 1 : t;
}

int64_t FloorInt64(double x) {
  const int64_t t = SaturatingTrunc(x);
  return (x < static_cast<double>(t) && t != kInt64Min) ? t - 1 : t;
}

int64_t RoundAwayFromZero(double x) { return x >= 0 ? CeilInt64(x) : FloorInt64(x); }
int64_t RoundTowardZero(double x) { return x >= 0 ? FloorInt64(x) : CeilInt64(x); }

int64_t ClampInt64(int64_t value, int64_t lo, int64_t hi) {
  if (lo == hi) return lo;
  if (value < lo) return lo;
  if (value > hi) return hi;
  return value;
}

double ClampFloat(double value, double lo, double hi) {
  if (lo == hi) return lo;
  if (value < lo) return lo;
  if (value > hi) return hi;
  return value;
}

int64_t WrapInt64(int64_t value, int64_t bound_a, int64_t bound_b) {
  const int64_t lo = bound_a < bound_b ? bound_a : bound_b;
  const int64_t hi = bound_a < bound_b ? bound_b : bound_a;
  if (value >= lo && value <= hi) return value;
  // Unsigned arithmetic: the range may span the whole 64-bit domain without overflow.
  const uint64_t n = static_cast<uint64_t>(hi) - static_cast<uint64_t>(lo) + 1;
  if (value > hi) {
    const uint64_t d = static_cast<uint64_t>(value) - static_cast<uint64_t>(hi) - 1;
    return static_cast<int64_t>(static_cast<uint64_t>(lo) + d % n);
  }
  const uint64_t d = static_cast<uint64_t>(lo) - static_cast<uint64_t>(value) - 1;
  return static_cast<int64_t>(static_cast<uint64_t>(hi) - d % n);
}

bool InRangeInt(int64_t value, int64_t lo, int64_t hi) { return lo <= value && value <= hi; }

int64_t MaxInt64Of(std::span<const int64_t> values) {
  if (values.empty()) return 0;
  int64_t m = values[0];
  for (int64_t v : values) m = v > m ? v : m;
  return m;
}

int64_t MinInt64Of(std::span<const int64_t> values) {
  if (values.empty()) return 0;
  int64_t m = values[0];
  for (int64_t v : values) m = v < m ? v : m;
  return m;
}

double NearestOf(std::span<const double> values, double x) {
  if (values.empty()) return 0;
  double best = values[0];
  double best_distance = std::fabs(best - x);
  for (size_t i = 1; i < values.size(); ++i) {
    const double d = std::fabs(values[i] - x);
    if (d < best_distance) {
      best = values[i];
      best_distance = d;
    }
  }
  return best;
}

// ---- Rectangles -------------------------------------------------------------------------

int RectWidth(const TMyRect& r) { return r.right - r.left; }
int RectHeight(const TMyRect& r) { return r.bottom - r.top; }

TMyRect CenterRectIn(const TMyRect& outer, const TMyRect& inner) {
  const int w = RectWidth(inner);
  const int h = RectHeight(inner);
  TMyRect r;
  r.left = outer.left + (RectWidth(outer) - w) / 2;
  r.top = outer.top + (RectHeight(outer) - h) / 2;
  r.right = r.left + w;
  r.bottom = r.top + h;
  return r;
}

TMyRect MoveRectTo(const TMyRect& r, TMyPoint to) {
  return {to.x, to.y, to.x + RectWidth(r), to.y + RectHeight(r)};
}

TMyRect IntersectRects(std::span<const TMyRect> rects) {
  if (rects.empty()) return {};
  TMyRect r = rects[0];
  for (const TMyRect& q : rects) {
    r.left = q.left > r.left ? q.left : r.left;
    r.top = q.top > r.top ? q.top : r.top;
    r.right = q.right < r.right ? q.right : r.right;
    r.bottom = q.bottom < r.bottom ? q.bottom : r.bottom;
  }
  if (r.right < r.left) r.right = r.left;
  if (r.bottom < r.top) r.bottom = r.top;
  return r;
}

// ---- Drag directions --------------------------------------------------------------------

int DirectionAngle(TMyPoint start, TMyPoint end, int drag_x, int drag_y) {
  int64_t dx = static_cast<int64_t>(end.x) - start.x;
  int64_t dy = static_cast<int64_t>(start.y) - end.y;  // up is positive
  if (std::llabs(dx) <= 3LL * drag_x) dx = 0;
  if (std::llabs(dy) <= 3LL * drag_y) dy = 0;
  if (dx == 0 && dy == 0) return -1;
  if (dx == 0) return dy > 0 ? 90 : 270;
  if (dy == 0) return dx > 0 ? 0 : 180;
  const int64_t a = RoundHalfAway(std::atan(static_cast<double>(dy) / static_cast<double>(dx)) *
                                  57.295779513082320877);
  int64_t angle = a;
  if (dx < 0) {
    angle = a + 180;
  } else if (dy < 0) {
    angle = a + 360;
  }
  // A nearly flat movement down and right rounds to 360, which is "right" again.
  return static_cast<int>(angle % 360);
}

WString DirectionTextOfAngle(int angle) {
  if (angle < 0 || angle > 359) return {};
  if (angle <= 45 || angle >= 316) return u"右";
  if (angle <= 135) return u"上";
  if (angle <= 225) return u"左";
  return u"下";
}

WString DirectionText(TMyPoint start, TMyPoint end, int drag_x, int drag_y) {
  return DirectionTextOfAngle(DirectionAngle(start, end, drag_x, drag_y));
}

// ---- Sizes ------------------------------------------------------------------------------

WString SizeText(int64_t bytes) {
  char buf[64];
  if (bytes < 1024) {
    std::snprintf(buf, sizeof buf, "%lldB", static_cast<long long>(bytes));
    return Ascii(buf);
  }
  // Kilobytes rounded up; larger units show the kilobytes cut to one or two decimals.
  const int64_t k = RoundAwayFromZero(static_cast<double>(bytes) / 1024.0);
  if (bytes < 1048576) {
    std::snprintf(buf, sizeof buf, "%lldKB", static_cast<long long>(k));
  } else if (bytes < 1073741824) {
    const int64_t tenths = RoundTowardZero(static_cast<double>(k) / 1024.0 * 10.0);
    std::snprintf(buf, sizeof buf, "%lld%c%lldMB", static_cast<long long>(tenths / 10),
                  static_cast<char>(kDecimalSeparator), static_cast<long long>(tenths % 10));
  } else {
    const int64_t hundredths = RoundTowardZero(static_cast<double>(k) / 1048576.0 * 100.0);
    std::snprintf(buf, sizeof buf, "%lld%c%.2lldGB", static_cast<long long>(hundredths / 100),
                  static_cast<char>(kDecimalSeparator), static_cast<long long>(hundredths % 100));
  }
  return Ascii(buf);
}

}  // namespace mivaro
