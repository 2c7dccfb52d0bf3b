// Cutting text into lines, shared by the string list, the INI store and the playlist
// readers so that all of them agree on what a line is.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <type_traits>

#include "core/ustring.h"

namespace mivaro {

// Line break kinds, as lists and INI files number them: 0 = CR LF, 1 = CR, 2 = LF.
inline constexpr std::uint8_t kLineBreakCrLf = 0;
inline constexpr std::uint8_t kLineBreakCr = 1;
inline constexpr std::uint8_t kLineBreakLf = 2;

// Calls `line(view)` for each line of `text`, cut at CR, LF and CR LF (LF CR is two
// breaks); text after the last break is a last line when not empty. The views point into
// `text`. Returns the break the text used: CR when only CRs were seen, LF when only LFs,
// else CR LF (also for text without any break).
// Works on 8-bit text as well (ForEachTextLineOf<char>): UTF-8 and the other encodings
// whose CR and LF bytes are never part of a character are cut the same way before and
// after decoding.
template <class CharT, class LineFn>
std::uint8_t ForEachTextLineOf(std::basic_string_view<CharT> text, LineFn&& line) {
  bool sawCr = false;
  bool sawLf = false;
  std::size_t start = 0;
  const std::size_t n = text.size();
  for (std::size_t i = 0; i < n; ++i) {
    // The next CR or LF, many units at a time: they are the only breaks.
    if constexpr (sizeof(CharT) == 1) {
      i = FindEitherByte(text, '\r', '\n', i);
    } else {
      i = FindEitherUnit(text, u'\r', u'\n', i);
    }
    if (i == std::basic_string_view<CharT>::npos) break;
    const CharT c = text[i];
    line(text.substr(start, i - start));
    if (c == CharT('\r')) {
      sawCr = true;
      if (i + 1 < n && text[i + 1] == CharT('\n')) {
        sawLf = true;
        ++i;
      }
    } else {
      sawLf = true;
    }
    start = i + 1;
  }
  if (start < n) line(text.substr(start));
  return (sawCr && !sawLf) ? kLineBreakCr : (sawLf && !sawCr) ? kLineBreakLf : kLineBreakCrLf;
}

template <class LineFn>
std::uint8_t ForEachTextLine(WStringView text, LineFn&& line) {
  return ForEachTextLineOf<char16_t>(text, line);
}

}  // namespace mivaro
