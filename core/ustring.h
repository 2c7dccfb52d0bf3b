// UTF-16 <-> UTF-8 conversion and small wide-string helpers used everywhere.
//
// Mivaro keeps its own text as std::u16string (UTF-16). 8-bit text appears only at
// file, tag and window-text boundaries. These conversions never throw: unpaired
// surrogates and invalid UTF-8 become U+FFFD.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace mivaro {

using WString = std::u16string;
using WStringView = std::u16string_view;

// UTF-8 to UTF-16. Invalid sequences become U+FFFD.
WString U16(std::string_view utf8);
// The same appended to `out` (which keeps its storage: no allocation once it is large
// enough).
void AppendU16(std::string_view utf8, WString& out);
// UTF-16 to UTF-8. Unpaired surrogates become U+FFFD.
std::string Utf8(WStringView text);

// 'A'..'Z' to 'a'..'z'; every other unit unchanged. File extensions, playlist keys and
// XML tags compare this way, independent of the locale.
constexpr char16_t AsciiLower(char16_t c) {
  return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + (u'a' - u'A')) : c;
}
WString AsciiLowerText(WStringView text);

// Lower-level: decodes the UTF-8 sequence that starts at s[i] (i < s.size()). Returns its
// code point and sets `length` to its bytes; returns kInvalidUtf8 when the bytes there
// are no valid sequence (truncated, overlong, a surrogate or beyond U+10FFFF).
inline constexpr char32_t kInvalidUtf8 = 0xFFFFFFFF;
inline char32_t DecodeUtf8At(std::string_view s, std::size_t i, int& length) {
  const auto c = static_cast<unsigned char>(s[i]);
  length = 1;
  if (c < 0x80) return c;
  int len = 0;
  char32_t cp = 0;
  char32_t min = 0;
  if ((c & 0xE0) == 0xC0) {
    len = 2, cp = c & 0x1F, min = 0x80;
  } else if ((c & 0xF0) == 0xE0) {
    len = 3, cp = c & 0x0F, min = 0x800;
  } else if ((c & 0xF8) == 0xF0) {
    len = 4, cp = c & 0x07, min = 0x10000;
  } else {
    return kInvalidUtf8;
  }
  if (i + static_cast<std::size_t>(len) > s.size()) return kInvalidUtf8;
  for (int k = 1; k < len; ++k) {
    const auto cc = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
    if ((cc & 0xC0) != 0x80) return kInvalidUtf8;
    cp = (cp << 6) | (cc & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return kInvalidUtf8;
  length = len;
  return cp;
}

// Lower-level: widens the ASCII bytes at the start of s[0, n) into out (room for n units);
// returns how many there were. Sixteen at a time where the processor allows.
std::size_t WidenAsciiRun(const char* s, std::size_t n, char16_t* out);
// Lower-level: the mirror of WidenAsciiRun: narrows the ASCII units other than NUL at the
// start of s[0, n) into out (room for n bytes); returns how many there were.
std::size_t NarrowAsciiRun(const char16_t* s, std::size_t n, char* out);
// Lower-level: the index of the first unit (byte) of text at or after `from` that is `a` or
// `b`, or npos. Sixteen bytes at a time where the processor allows: for scans of every
// line and every entry of large lists.
std::size_t FindEitherUnit(WStringView text, char16_t a, char16_t b, std::size_t from = 0);
std::size_t FindEitherByte(std::string_view text, char a, char b, std::size_t from = 0);
// Lower-level: UTF-16 from a char32_t code point (appends one or two units).
void AppendCodePoint(WString& out, char32_t cp);
// Lower-level: UTF-8 of one code point (1 to 4 bytes); the caller passes a valid scalar.
void AppendUtf8(std::string& out, char32_t cp);

}  // namespace mivaro
