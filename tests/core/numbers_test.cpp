#include "core/numbers.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace mivaro {
namespace {

TEST(FormatSeconds, DropsLeadingZerosAndSeparators) {
  EXPECT_EQ(FormatSeconds(0), u"0");
  EXPECT_EQ(FormatSeconds(7), u"7");
  EXPECT_EQ(FormatSeconds(59), u"59");
  EXPECT_EQ(FormatSeconds(60), u"1:00");
  EXPECT_EQ(FormatSeconds(185), u"3:05");
  EXPECT_EQ(FormatSeconds(600), u"10:00");
  EXPECT_EQ(FormatSeconds(3600), u"1:00:00");
  EXPECT_EQ(FormatSeconds(3723), u"1:02:03");
  EXPECT_EQ(FormatSeconds(-65), u"-1:05");
  EXPECT_EQ(FormatSeconds(std::numeric_limits<int>::min()), u"-596523:14:08");
}

TEST(FormatSeconds, FractionShortFormUpToOneSecond) {
  EXPECT_EQ(FormatSecondsFraction(3, 0.25), u"0.250");
  EXPECT_EQ(FormatSecondsFraction(2, 1.0), u"1.00");
  EXPECT_EQ(FormatSecondsFraction(3, 0), u"0.000");
}

TEST(FormatSeconds, FractionLongForm) {
  EXPECT_EQ(FormatSecondsFraction(3, 65.5), u"1:05.500");
  EXPECT_EQ(FormatSecondsFraction(3, 3723.25), u"1:02:03.250");
  EXPECT_EQ(FormatSecondsFraction(1, -1.5), u"-1.5");
  EXPECT_EQ(FormatSecondsFraction(1, -0.01), u"-0.0");
  EXPECT_EQ(FormatSecondsFraction(3, 5.25), u"5.250");
  EXPECT_EQ(FormatSecondsFraction(1, 1.5), u"1.5");
  // Stored as 2.2999...; the last digit must not drop by one.
  EXPECT_EQ(FormatSecondsFraction(1, 2.3), u"2.3");
  EXPECT_EQ(FormatSecondsFraction(0, 61.9), u"1:01");
}

TEST(FormatSeconds, FractionSurvivesOddInput) {
  EXPECT_EQ(FormatSecondsFraction(-4, 3.5), u"3");
  EXPECT_EQ(FormatSecondsFraction(40, 0.5), u"0.500000000");
  EXPECT_EQ(FormatSecondsFraction(2, std::numeric_limits<double>::quiet_NaN()), u"0.00");
  EXPECT_FALSE(FormatSecondsFraction(2, std::numeric_limits<double>::infinity()).empty());
}

TEST(StripLeadingTimeZeros, Rules) {
  EXPECT_EQ(StripLeadingTimeZeros(u"0:00:05"), u"5");
  EXPECT_EQ(StripLeadingTimeZeros(u"0:00:00"), u"0");
  EXPECT_EQ(StripLeadingTimeZeros(u""), u"0");
  EXPECT_EQ(StripLeadingTimeZeros(u"0:00:00.5"), u"0.5");
  EXPECT_EQ(StripLeadingTimeZeros(u"10:00"), u"10:00");
}

TEST(ParseTimeText, PartsAndBadInput) {
  EXPECT_DOUBLE_EQ(ParseTimeText(u"90"), 90);
  EXPECT_DOUBLE_EQ(ParseTimeText(u"1.5"), 1.5);
  EXPECT_DOUBLE_EQ(ParseTimeText(u"1:30"), 90);
  EXPECT_DOUBLE_EQ(ParseTimeText(u"1:00:00.5"), 3600.5);
  EXPECT_DOUBLE_EQ(ParseTimeText(u"x:30"), 30);
  EXPECT_DOUBLE_EQ(ParseTimeText(u"1:2:3:4"), 3723);
  EXPECT_DOUBLE_EQ(ParseTimeText(u"1:2:3:4:5"), 0);
  EXPECT_DOUBLE_EQ(ParseTimeText(u""), 0);
  EXPECT_DOUBLE_EQ(ParseTimeText(u"abc"), 0);
  EXPECT_DOUBLE_EQ(ParseTimeText(u"1.5:30"), 30);  // the minutes must be an integer
  EXPECT_DOUBLE_EQ(ParseTimeText(u"inf"), 0);
  EXPECT_DOUBLE_EQ(ParseTimeText(u"nan"), 0);
  EXPECT_DOUBLE_EQ(ParseTimeText(u":::::::"), 0);
}

TEST(StrToInt64Loose, DocumentedExamples) {
  EXPECT_EQ(StrToInt64Loose(u"1,234"), 1234);
  EXPECT_EQ(StrToInt64Loose(u"１２３"), 123);
  EXPECT_EQ(StrToInt64Loose(u"12 kB"), 12);
  EXPECT_EQ(StrToInt64Loose(u"FF"), 255);
  EXPECT_EQ(StrToInt64Loose(u"abc"), 2748);
  EXPECT_EQ(StrToInt64Loose(u"yes"), 0);
  EXPECT_EQ(StrToInt64Loose(u"-12"), -12);
  EXPECT_EQ(StrToInt64Loose(u"+7"), 7);
  EXPECT_EQ(StrToInt64Loose(u"  42  "), 42);
  EXPECT_EQ(StrToInt64Loose(u"$1F"), 31);
  EXPECT_EQ(StrToInt64Loose(u"0x10"), 16);
  EXPECT_EQ(StrToInt64Loose(u"－５"), -5);
}

TEST(StrToInt64Loose, HalfWidthMapping) {
  EXPECT_EQ(ToHalfWidth(u"ＡＢＣ１２３！"), u"ABC123!");
  EXPECT_EQ(ToHalfWidth(u"アイウ"), u"ｱｲｳ");
  EXPECT_EQ(ToHalfWidth(u"a\u3000b"), u"a b");
  EXPECT_EQ(ToHalfWidth(u"plain"), u"plain");
  EXPECT_EQ(StrToInt64Loose(u"ＦＦ"), 255);
  EXPECT_EQ(StrToInt64Loose(u"ａｂｃ"), 2748);
}

TEST(StrToInt64Loose, NothingReadableGivesZero) {
  for (const char16_t* t : {u"", u"-", u"$", u",", u"X", u" ", u"\u3000", u"+-1"})
    EXPECT_EQ(StrToInt64Loose(t), 0) << Utf8(t);
  EXPECT_EQ(StrToInt64Loose(u"99999999999999999999"), 0);  // out of range
  EXPECT_EQ(StrToInt64Loose(u"1,000,000,000,000,000,000,000"), 0);
  const char16_t bad[] = {0xD800, u'1', 0};
  EXPECT_EQ(StrToInt64Loose(bad), 0);
}

TEST(StrToInt64Loose, HexPreference) {
  EXPECT_EQ(StrToInt64Loose(u"10", true), 10);  // a whole number is read as written
  EXPECT_EQ(StrToInt64Loose(u"10h", true), 16);
  EXPECT_EQ(StrToInt64Loose(u"10h", false), 10);
  EXPECT_EQ(StrToInt64Loose(u"-1,0 x", true), -16);
}

TEST(StrToInt64Loose, Range) {
  EXPECT_EQ(StrToInt64Loose(u"9223372036854775807"), std::numeric_limits<int64_t>::max());
  EXPECT_EQ(StrToInt64Loose(u"-9223372036854775808"), std::numeric_limits<int64_t>::min());
  EXPECT_EQ(StrToInt64Loose(u"9223372036854775808"), 0);
  EXPECT_EQ(StrToInt64Loose(u"$FFFFFFFFFFFFFFFF"), -1);
  EXPECT_EQ(StrToInt64Loose(u"$1FFFFFFFFFFFFFFFF"), 0);
}

TEST(TrailingNumber, DigitsAtTheEnd) {
  EXPECT_EQ(TrailingNumber(u"Item_12"), 12);
  EXPECT_EQ(TrailingNumber(u"Item_"), 0);
  EXPECT_EQ(TrailingNumber(u""), 0);
  EXPECT_EQ(TrailingNumber(u"a1b007"), 7);
  EXPECT_EQ(TrailingNumber(u"x2147483647"), 2147483647);
  EXPECT_EQ(TrailingNumber(u"x2147483648"), 0);
  EXPECT_EQ(TrailingNumber(u"x00000000000000000000001"), 1);
}

TEST(Rounding, HalvesAwayAndDirections) {
  EXPECT_EQ(RoundHalfAway(2.5), 3);
  EXPECT_EQ(RoundHalfAway(-2.5), -3);
  EXPECT_EQ(RoundHalfAway(2.4), 2);
  EXPECT_EQ(RoundHalfAway(-2.4), -2);
  EXPECT_EQ(RoundHalfAway(0), 0);
  EXPECT_EQ(CeilInt64(1.1), 2);
  EXPECT_EQ(CeilInt64(-1.1), -1);
  EXPECT_EQ(FloorInt64(-1.1), -2);
  EXPECT_EQ(FloorInt64(1.9), 1);
  EXPECT_EQ(CeilInt64(3.0), 3);
  EXPECT_EQ(RoundAwayFromZero(1.2), 2);
  EXPECT_EQ(RoundAwayFromZero(-1.2), -2);
  EXPECT_EQ(RoundTowardZero(1.8), 1);
  EXPECT_EQ(RoundTowardZero(-1.8), -1);
}

TEST(Rounding, SaturatesInsteadOfOverflowing) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(RoundHalfAway(nan), 0);
  EXPECT_EQ(RoundHalfAway(1e300), std::numeric_limits<int64_t>::max());
  EXPECT_EQ(RoundHalfAway(-1e300), std::numeric_limits<int64_t>::min());
  EXPECT_EQ(CeilInt64(1e300), std::numeric_limits<int64_t>::max());
  EXPECT_EQ(FloorInt64(-1e300), std::numeric_limits<int64_t>::min());
}

TEST(Limits, ClampAndRange) {
  EXPECT_EQ(ClampInt64(5, 0, 10), 5);
  EXPECT_EQ(ClampInt64(-5, 0, 10), 0);
  EXPECT_EQ(ClampInt64(15, 0, 10), 10);
  EXPECT_EQ(ClampInt64(15, 3, 3), 3);
  EXPECT_DOUBLE_EQ(ClampFloat(0.5, 0.1, 2.0), 0.5);
  EXPECT_DOUBLE_EQ(ClampFloat(3.0, 0.1, 2.0), 2.0);
  EXPECT_DOUBLE_EQ(ClampFloat(0.0, 0.1, 2.0), 0.1);
  EXPECT_TRUE(InRangeInt(3, 3, 4));
  EXPECT_FALSE(InRangeInt(5, 3, 4));
}

TEST(Limits, WrapLandsOnTheOtherEnd) {
  EXPECT_EQ(WrapInt64(10, 0, 9), 0);
  EXPECT_EQ(WrapInt64(-1, 0, 9), 9);
  EXPECT_EQ(WrapInt64(20, 0, 9), 0);
  EXPECT_EQ(WrapInt64(-11, 0, 9), 9);
  EXPECT_EQ(WrapInt64(5, 0, 9), 5);
  EXPECT_EQ(WrapInt64(10, 9, 0), 0);  // bounds in either order
  EXPECT_EQ(WrapInt64(123, 4, 4), 4);
  EXPECT_EQ(WrapInt64(7, 3, 5), 4);
  const int64_t mx = std::numeric_limits<int64_t>::max();
  const int64_t mn = std::numeric_limits<int64_t>::min();
  EXPECT_EQ(WrapInt64(mx, mn, mx), mx);
  EXPECT_EQ(WrapInt64(mn, 0, 9), 9 - ((0 - (mn + 1)) % 10));
  EXPECT_EQ(WrapInt64(mx, -1, 1), -1 + (mx - 2) % 3);
}

TEST(Limits, ListsAndNearest) {
  const std::vector<int64_t> v{3, -7, 12, 0};
  EXPECT_EQ(MaxInt64Of(v), 12);
  EXPECT_EQ(MinInt64Of(v), -7);
  EXPECT_EQ(MaxInt64Of({}), 0);
  const std::vector<double> rates{0.1, 0.5, 1.0, 1.5, 2.0};
  EXPECT_DOUBLE_EQ(NearestOf(rates, 1.2), 1.0);
  EXPECT_DOUBLE_EQ(NearestOf(rates, 1.25), 1.0);  // a tie keeps the earlier element
  EXPECT_DOUBLE_EQ(NearestOf(rates, 9), 2.0);
  EXPECT_DOUBLE_EQ(NearestOf({}, 9), 0);
}

TEST(Rects, Arithmetic) {
  const TMyRect outer{0, 0, 101, 51};
  const TMyRect inner{7, 7, 17, 27};
  EXPECT_EQ(RectWidth(inner), 10);
  EXPECT_EQ(RectHeight(inner), 20);
  EXPECT_EQ(CenterRectIn(outer, inner), (TMyRect{45, 15, 55, 35}));
  EXPECT_EQ(CenterRectIn(inner, outer), (TMyRect{-38, -8, 63, 43}));  // halving toward zero
  EXPECT_EQ(MoveRectTo(inner, {100, 200}), (TMyRect{100, 200, 110, 220}));
  const std::vector<TMyRect> overlapping{{0, 0, 10, 10}, {5, -5, 20, 8}};
  EXPECT_EQ(IntersectRects(overlapping), (TMyRect{5, 0, 10, 8}));
  const std::vector<TMyRect> apart{{0, 0, 10, 10}, {20, 20, 30, 30}};
  EXPECT_EQ(IntersectRects(apart), (TMyRect{20, 20, 20, 20}));
  EXPECT_EQ(IntersectRects({}), TMyRect{});
}

TEST(Direction, ThresholdAndAxes) {
  EXPECT_EQ(DirectionAngle({0, 0}, {3, 0}), -1);
  EXPECT_EQ(DirectionAngle({0, 0}, {12, 12}), -1);  // both within three thresholds
  EXPECT_EQ(DirectionAngle({0, 0}, {13, 0}), 0);
  EXPECT_EQ(DirectionAngle({0, 0}, {0, -50}), 90);
  EXPECT_EQ(DirectionAngle({0, 0}, {-50, 0}), 180);
  EXPECT_EQ(DirectionAngle({0, 0}, {0, 50}), 270);
  EXPECT_EQ(DirectionAngle({0, 0}, {50, 5}), 0);  // the small component counts as 0
  EXPECT_EQ(DirectionAngle({0, 0}, {30, 0}, 10, 10), -1);
  EXPECT_EQ(DirectionAngle({0, 0}, {31, 0}, 10, 10), 0);
  EXPECT_EQ(DirectionText({0, 0}, {0, -50}), u"上");
  EXPECT_EQ(DirectionText({0, 0}, {1, 1}), u"");
}

TEST(Direction, Sectors) {
  EXPECT_EQ(DirectionAngle({0, 0}, {-50, -50}), 135);
  EXPECT_EQ(DirectionText({0, 0}, {-50, -50}), u"上");
  EXPECT_EQ(DirectionAngle({0, 0}, {-50, 50}), 225);
  EXPECT_EQ(DirectionText({0, 0}, {-50, 50}), u"左");
  EXPECT_EQ(DirectionAngle({0, 0}, {50, -50}), 45);
  EXPECT_EQ(DirectionText({0, 0}, {50, -50}), u"右");
  EXPECT_EQ(DirectionAngle({0, 0}, {50, 50}), 315);
  EXPECT_EQ(DirectionText({0, 0}, {50, 50}), u"下");
  // Nearly flat to the lower right rounds to 360, which must read as "right".
  EXPECT_EQ(DirectionAngle({0, 0}, {100000, 13}), 0);
  EXPECT_EQ(DirectionText({0, 0}, {100000, 13}), u"右");
  EXPECT_EQ(DirectionTextOfAngle(46), u"上");
  EXPECT_EQ(DirectionTextOfAngle(136), u"左");
  EXPECT_EQ(DirectionTextOfAngle(226), u"下");
  EXPECT_EQ(DirectionTextOfAngle(316), u"右");
  EXPECT_EQ(DirectionTextOfAngle(360), u"");
  // Extreme coordinates do not overflow.
  const int mx = std::numeric_limits<int>::max();
  const int mn = std::numeric_limits<int>::min();
  EXPECT_EQ(DirectionAngle({mn, mx}, {mx, mn}), 45);
}

TEST(SizeText, Boundaries) {
  EXPECT_EQ(SizeText(0), u"0B");
  EXPECT_EQ(SizeText(1023), u"1023B");
  EXPECT_EQ(SizeText(1024), u"1KB");
  EXPECT_EQ(SizeText(1025), u"2KB");
  EXPECT_EQ(SizeText(1048575), u"1024KB");
  EXPECT_EQ(SizeText(1048576), u"1.0MB");
  EXPECT_EQ(SizeText(47815065), u"45.6MB");
  EXPECT_EQ(SizeText(1073741823), u"1024.0MB");  // kilobytes rounded up first
  EXPECT_EQ(SizeText(1073741824), u"1.00GB");
  EXPECT_EQ(SizeText(1320702444), u"1.23GB");
  EXPECT_EQ(SizeText(std::numeric_limits<int64_t>::max()), u"8589934592.00GB");
}

}  // namespace
}  // namespace mivaro
