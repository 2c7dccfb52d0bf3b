// Numbers and times as the user sees and types them, rounding with the program's own
// conventions, range limiting and wrapping, rectangle arithmetic, drag directions.
//
// Every function here is pure and never throws. Times are seconds; fractions are doubles.
#pragma once

#include <cstdint>
#include <span>

#include "core/ustring.h"

namespace mivaro {

// The separators the user's locale shows (Japanese: ":" and ".").
inline constexpr char16_t kTimeSeparator = u':';
inline constexpr char16_t kDecimalSeparator = u'.';

// ---- Time texts -------------------------------------------------------------------------

// "h:mm:ss" with leading zeros and separators removed: 7 -> "7", 185 -> "3:05",
// 3723 -> "1:02:03"; 0 -> "0". Negative input is shown as its magnitude with "-" in front.
WString FormatSeconds(int seconds);

// The same with `digits` fraction digits (0..9): 0.25 -> "0.250", 65.5 -> "1:05.500",
// 3723.25 -> "1:02:03.250" for 3 digits; "-" before negative times. Times up to 1 second
// use the short form "s.fff".
WString FormatSecondsFraction(int digits, double seconds);

// `text` without its leading run of "0" and ":" characters; empty becomes "0", and a result
// that begins with "." gets "0" in front.
WString StripLeadingTimeZeros(WStringView text);

// Seconds from "s", "m:s" or "h:m:s" (a fourth part is ignored; more colons give 0).
// Parts that are not numbers count as 0.
double ParseTimeText(WStringView text);

// ---- Integers from text -----------------------------------------------------------------

// Full-width letters, digits and signs mapped to half width ("１２３" -> "123").
WString ToHalfWidth(WStringView text);

// A loose reading of an integer: "1,234" -> 1234, "１２３" -> 123, "12 kB" -> 12,
// "FF" -> 255, "abc" -> 2748, "$1F" -> 31, "yes" -> 0. A text that is a plain integer as a
// whole is read as written; with `prefer_hex` a number found inside other text ("10h") is
// read as hexadecimal. Anything unreadable or out of the 64-bit range gives 0.
int64_t StrToInt64Loose(WStringView text, bool prefer_hex = false);

// The decimal digits at the end of the text as a number ("Item_12" -> 12); 0 when there
// are none or they do not fit in 32 bits.
int32_t TrailingNumber(WStringView text);

// Standard integer syntax over the whole text: optional sign, decimal digits, or "$" / "0x"
// followed by hexadecimal digits. False (and `out` untouched) when it is not such a number
// or out of range.
bool TryStrToInt64(WStringView text, int64_t& out);
// A decimal float with "." as separator (optional sign and exponent); false when the whole
// text is not one.
bool TryStrToFloat(WStringView text, double& out);

// ---- Rounding, limiting, wrapping -------------------------------------------------------

// Nearest integer, halves away from zero (2.5 -> 3, -2.5 -> -3). Values beyond the 64-bit
// range saturate; NaN gives 0 (the same holds for every float-to-integer function here).
int64_t RoundHalfAway(double x);
int64_t CeilInt64(double x);
int64_t FloorInt64(double x);
// Ceiling for x >= 0, floor below ("up").
int64_t RoundAwayFromZero(double x);
// Floor for x >= 0, ceiling below ("down").
int64_t RoundTowardZero(double x);

// `value` limited to [lo, hi]; when lo equals hi the result is that bound.
int64_t ClampInt64(int64_t value, int64_t lo, int64_t hi);
double ClampFloat(double value, double lo, double hi);

// `value` wrapped cyclically into the range between the two bounds (either order):
// one past the top lands on the bottom and one below the bottom on the top.
int64_t WrapInt64(int64_t value, int64_t bound_a, int64_t bound_b);

bool InRangeInt(int64_t value, int64_t lo, int64_t hi);

// Largest / smallest element; 0 for an empty list.
int64_t MaxInt64Of(std::span<const int64_t> values);
int64_t MinInt64Of(std::span<const int64_t> values);

// The element nearest to x; ties keep the earlier element. 0 for an empty list.
double NearestOf(std::span<const double> values, double x);

// ---- Rectangles and points --------------------------------------------------------------

struct TMyPoint {
  int x = 0;
  int y = 0;
  friend bool operator==(const TMyPoint&, const TMyPoint&) = default;
};

struct TMyRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  friend bool operator==(const TMyRect&, const TMyRect&) = default;
};

int RectWidth(const TMyRect& r);
int RectHeight(const TMyRect& r);
// `inner`'s size placed at the centre of `outer` (halving rounds toward zero).
TMyRect CenterRectIn(const TMyRect& outer, const TMyRect& inner);
// The same size with its top-left corner at `to`.
TMyRect MoveRectTo(const TMyRect& r, TMyPoint to);
// The common part; an empty intersection collapses to zero width or height. An empty list
// gives the empty rectangle.
TMyRect IntersectRects(std::span<const TMyRect> rects);

// ---- Drag directions --------------------------------------------------------------------

// The default drag threshold of the desktop, in pixels; the UI passes its own.
inline constexpr int kDefaultDragThreshold = 4;

// Angle of the movement in whole degrees (0 right, 90 up, 180 left, 270 down), or -1 when
// neither component exceeds three times the drag threshold of its axis.
int DirectionAngle(TMyPoint start, TMyPoint end, int drag_x = kDefaultDragThreshold,
                   int drag_y = kDefaultDragThreshold);
// "右", "上", "左" or "下" for an angle (0..359), empty for -1 or anything out of range.
WString DirectionTextOfAngle(int angle);
// DirectionTextOfAngle(DirectionAngle(start, end, ...)).
WString DirectionText(TMyPoint start, TMyPoint end, int drag_x = kDefaultDragThreshold,
                      int drag_y = kDefaultDragThreshold);

// ---- Sizes ------------------------------------------------------------------------------

// "0B", "1023B", "2KB" (kilobytes rounded up), "45.6MB", "1.23GB" (the fraction cut, not
// rounded), with "." as decimal separator.
WString SizeText(int64_t bytes);

}  // namespace mivaro
