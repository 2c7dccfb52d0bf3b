// Text encodings: the encoding codes of text files, conversions between UTF-16 and the
// 8-bit encodings the program reads and writes, encoding detection, and the digit-aware
// name comparison used by the path sort and the folder walk.
//
// The system's "ANSI" code page is 932 (Japanese, windows-31j). All conversions go
// through ICU converters; none of them throws. Undecodable input becomes U+FFFD (or the
// converter's own substitute), unencodable text becomes the converter's substitute.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/ustring.h"

namespace mivaro {

// Text-file encoding codes, as stored by the lists and passed by callers.
using TextEncoding = std::uint8_t;
inline constexpr TextEncoding kEncodingDetect = 0;      // read: BOM or detection decides
inline constexpr TextEncoding kEncodingAnsi = 1;        // code page 932
inline constexpr TextEncoding kEncodingUtf16LeBom = 2;  // FF FE
inline constexpr TextEncoding kEncodingUtf16Le = 3;
inline constexpr TextEncoding kEncodingUtf16BeBom = 4;  // FE FF
inline constexpr TextEncoding kEncodingUtf16Be = 5;
inline constexpr TextEncoding kEncodingUtf8Bom = 6;  // EF BB BF
inline constexpr TextEncoding kEncodingUtf8 = 7;
inline constexpr TextEncoding kEncodingUtf7 = 8;
inline constexpr TextEncoding kEncodingJis = 9;      // ISO-2022-JP
inline constexpr TextEncoding kEncodingEuc = 10;     // EUC-JP
inline constexpr TextEncoding kEncodingBinary = 11;  // read as a hexadecimal dump
inline constexpr TextEncoding kEncodingLast = 11;

// A code above kEncodingLast counts as kEncodingDetect.
inline constexpr TextEncoding NormalizeEncoding(int code) {
  return (code < 0 || code > kEncodingLast) ? kEncodingDetect : static_cast<TextEncoding>(code);
}

// Code page numbers as the program names them.
inline constexpr int kAnsiCodePage = 932;
inline constexpr int kCodePageUtf16Le = 1200;
inline constexpr int kCodePageUtf16Be = 1201;
inline constexpr int kCodePageUtf7 = 65000;
inline constexpr int kCodePageUtf8 = 65001;
inline constexpr int kCodePageJis = 50220;
inline constexpr int kCodePageEuc = 20932;
inline constexpr int kCodePageWestern = 1252;
inline constexpr int kCodePageBinary = -1;  // "not text"

// Conversions. ToAnsi and ToEuc are lossy (an unencodable character becomes the
// converter's substitute); FromX never fails.
std::string ToUtf8(WStringView text);
WString FromUtf8(std::string_view bytes);
std::string ToUtf7(WStringView text);
WString FromUtf7(std::string_view bytes);
std::string ToJis(WStringView text);
WString FromJis(std::string_view bytes);
std::string ToEuc(WStringView text);
WString FromEuc(std::string_view bytes);
// Windows-1252, the 8-bit encoding of Western text that is neither code page 932 nor
// UTF-8 (ISO-8859-1 text reads the same, but for its unused C1 controls).
WString FromWestern(std::string_view bytes);
std::string ToAnsi(WStringView text);
WString FromAnsi(std::string_view bytes);

// True when `text` holds a character that code page 932 cannot hold exactly (no
// best-fit substitutes). An unpaired surrogate is lossy.
bool IsLossyAnsi(WStringView text);

// Exact code page 932 bytes of one UTF-16 unit: writes 1 or 2 bytes to out and returns
// the count, or returns 0 when the unit has no exact (round-tripping) mapping.
// Surrogate units have none. Fast (table lookup after the first call).
int AnsiBytesOfUnit(char16_t unit, char out[2]);

// True when `byte` starts a double-byte character of code page 932.
inline constexpr bool IsAnsiLeadByte(unsigned char byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xEF);
}

// Maps a code page to an encoding code: 1200 -> 3, 1201 -> 5, EUC family -> 10,
// ISO-2022-JP family -> 9, 65000 -> 8, 65001 -> 7, -1 -> 11, anything else -> 1.
TextEncoding CodePageToEncoding(int codePage);

// Detection over the first bytes of a file without BOM: ICU's charset detector, with the
// program's own byte scan deciding when the detector is unsure or says Western.
// Returns a code page (932, 20932, 50220, 65001, 65000, 1200, 1201) or -1 for binary.
int DetectCodePage(std::string_view bytes);
// The own byte scan alone: 932, 1200, 1201 or -1.
int ScanCodePage(std::string_view bytes);
// Plausibility of UTF-16 text: empty passes; otherwise more than 1 % of the characters
// are printable ASCII, hiragana or katakana.
bool IsPlausibleUtf16(WStringView text);

// UTF-16 text from raw bytes (an odd last byte is dropped) and back.
WString Utf16FromBytes(std::string_view bytes, bool bigEndian);
std::string Utf16ToBytes(WStringView text, bool bigEndian);
// Swaps the two bytes of every UTF-16 unit.
WString SwapByteOrder(WStringView text);

// Simple per-unit upper case (u_toupper on each UTF-16 unit; surrogates unchanged).
WString UpperCaseText(WStringView text);

// The plain comparison of the lists: the Japanese locale's collation, tertiary strength;
// with ignoreCase both sides are case-folded first. Ties between different texts are
// broken by code unit order, so it is a total order. Negative, zero or positive.
int CompareTextCollated(WStringView a, WStringView b, bool ignoreCase);

// Digit-aware comparison of names: "track2" < "track10", "a" < "a1". Negative, zero or
// positive; antisymmetric (compare(a, b) == -compare(b, a) in sign).
int CompareNumberedText(WStringView a, WStringView b);

// A text prepared for many CompareNumberedText calls, as sorts make them: its collation
// keys are computed once. CompareNumberedKeys(a, b) gives exactly
// CompareNumberedText(a.Text(), b.Text()), several times faster.
class TMyNumberedKey {
 public:
  TMyNumberedKey() = default;
  explicit TMyNumberedKey(WString text);
  const WString& Text() const { return text_; }
  // The first level of the split, for sorts that decide most comparisons from compact
  // arrays: the head (text before the first ASCII digit), its primary collation key
  // (bytewise order = head order), and the number after it.
  WStringView Head() const;
  std::string_view HeadKey() const;
  bool HasNumber() const { return levelCount_ != 0 && LevelAt(0).numberLength > 0; }
  bool NumberFits() const { return levelCount_ != 0 && LevelAt(0).numberOk; }
  std::int64_t Number() const { return levelCount_ == 0 ? 0 : LevelAt(0).number; }
  bool HeadEmpty() const { return levelCount_ == 0 || LevelAt(0).headLength == 0; }

 private:
  friend int CompareNumberedKeys(const TMyNumberedKey& a, const TMyNumberedKey& b);
  static int CompareLevel(const TMyNumberedKey& a, const TMyNumberedKey& b, std::size_t level);
  static int CompareFolded(const TMyNumberedKey& a, const TMyNumberedKey& b);
  // One level of the head / number / tail split; level k + 1 splits the tail of level k.
  struct Level {
    std::uint32_t start = 0;  // where this level's text begins in text_
    std::uint32_t headLength = 0;
    std::uint32_t numberLength = 0;
    std::uint32_t keyStart = 0;  // the head's primary-strength collation key in keys_
    std::uint32_t keyLength = 0;
    bool numberOk = false;  // the number fits in 64 bits
    std::int64_t number = 0;
  };
  // Most names have one or two numbers: their levels live in the key itself, so that
  // keying a folder's names costs few allocations.
  static constexpr std::size_t kInlineLevels = 3;
  const Level& LevelAt(std::size_t k) const {
    return k < kInlineLevels ? inline_[k] : extra_[k - kInlineLevels];
  }
  std::string_view HeadKeyOf(const Level& level) const {
    return std::string_view(keys_).substr(level.keyStart, level.keyLength);
  }
  WStringView FoldedText() const { return foldedSame_ ? WStringView(text_) : folded_; }

  WString text_;
  WString folded_;          // the case-folded text, when folding changes it
  bool foldedSame_ = true;  // folding leaves text_ as it is (folded_ stays empty)
  bool foldedByUnit_ = true;  // each unit was folded alone into one unit
  std::string keys_;        // the heads' keys, one after another
  std::size_t levelCount_ = 0;
  Level inline_[kInlineLevels];
  std::vector<Level> extra_;  // levels past the inline ones
};
int CompareNumberedKeys(const TMyNumberedKey& a, const TMyNumberedKey& b);

// Collation key of the plain comparison: comparing two keys bytewise (memcmp, then the
// shorter first) gives the sign of CompareTextCollated before its tie-break.
std::string CollationKey(WStringView text, bool ignoreCase);
// The case folding used by CompareTextCollated.
WString FoldCaseText(WStringView text);

}  // namespace mivaro
