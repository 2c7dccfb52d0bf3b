// Line-level rules of the INI format, shared by the store and its tests: headers,
// keys, blanks, case folding, line splitting and the float texts.
#pragma once

#include <cstdint>
#include <vector>

#include "core/text_lines.h"
#include "core/ustring.h"

namespace mivaro::ini {

// Blanks are the space and every control character (U+0000..U+0020).
inline constexpr bool IsBlank(char16_t c) { return c <= u' '; }
WStringView Trim(WStringView text);
WStringView TrimLeft(WStringView text);
bool IsBlankLine(WStringView text);

// Case folding for matching section names and keys ignoring case (simple Unicode
// folding per code point; ASCII takes a fast path).
WString FoldCase(WStringView text);

// The section name of a header line ("[ Play ] ; note" -> "Play"), or false when the
// line is no header ("[]", "[ ]", "Play", "[Play").
bool ParseHeader(WStringView line, WStringView* name);
inline bool IsHeader(WStringView line) {
  WStringView name;
  return ParseHeader(line, &name);
}

// The key of a key=value line: the text before the first "=", trimmed. Empty when the
// line has no "=", starts with "=", or the key is blank.
WStringView KeyOf(WStringView line);
// The value: everything after the first "=", exactly as written ("" when no "=").
WStringView ValueOf(WStringView line);

// A section name (already trimmed) that reads back unchanged from "[name]".
bool IsUsableSectionName(WStringView trimmed_name);
inline bool HasLineBreak(WStringView text) {
  return text.find_first_of(u"\r\n") != WStringView::npos;
}
// Characters that a written key or value must not hold: line breaks (they would start
// lines of their own) and U+0000 (it would make the file read back as binary).
inline bool HasUnsafeChar(WStringView text) {
  return text.find_first_of(WStringView(u"\r\n\0", 3)) != WStringView::npos;
}

// Line breaks as the lists number them.
inline constexpr uint8_t kBreakCrLf = kLineBreakCrLf;
inline constexpr uint8_t kBreakCr = kLineBreakCr;
inline constexpr uint8_t kBreakLf = kLineBreakLf;

// Cuts text into lines at CR, LF and CR LF (LF CR is two breaks); text after the last
// break is a last line when not empty. `line_break` receives CR when only CRs were
// seen, LF when only LFs, else CR LF.
std::vector<WString> SplitLines(WStringView text, uint8_t* line_break);
// Every line followed by the line break; "" for no lines.
WString JoinLines(const std::vector<WString>& lines, uint8_t line_break);

// The user's decimal separator (from the C library's numeric locale).
char16_t UserDecimalSeparator();
// General float text with 15 significant digits and the given separator: "1.5", "0.1",
// "1E20", "1E-5", "-3"; "NAN", "INF", "-INF".
WString FloatToText(double value, char16_t separator);
// Reads a float written by FloatToText (blanks around it allowed); "." is accepted
// besides the separator. False when the text is not a number.
bool TextToFloat(WStringView text, char16_t separator, double* value);

}  // namespace mivaro::ini
