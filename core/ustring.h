// UTF-16 <-> UTF-8 conversion and small wide-string helpers used everywhere.
//
// Mivaro keeps its own text as std::u16string (UTF-16). 8-bit text appears only at
// file, tag and window-text boundaries. These conversions never throw: unpaired
// surrogates and invalid UTF-8 become U+FFFD.
#pragma once

#include <string>
#include <string_view>

namespace mivaro {

using WString = std::u16string;
using WStringView = std::u16string_view;

// UTF-8 to UTF-16. Invalid sequences become U+FFFD.
WString U16(std::string_view utf8);
// UTF-16 to UTF-8. Unpaired surrogates become U+FFFD.
std::string Utf8(WStringView text);

// Lower-level: UTF-16 from a char32_t code point (appends one or two units).
void AppendCodePoint(WString& out, char32_t cp);
// Lower-level: UTF-8 of one code point (1 to 4 bytes); the caller passes a valid scalar.
void AppendUtf8(std::string& out, char32_t cp);

}  // namespace mivaro
