#include "settings/ini_format.h"

#include <unicode/uchar.h>
#include <unicode/utf16.h>

#include <charconv>
#include <clocale>
#include <cmath>
#include <string>

namespace mivaro::ini {

WStringView Trim(WStringView text) {
  size_t first = 0;
  size_t last = text.size();
  while (first < last && IsBlank(text[first])) ++first;
  while (last > first && IsBlank(text[last - 1])) --last;
  return text.substr(first, last - first);
}

WStringView TrimLeft(WStringView text) {
  size_t first = 0;
  while (first < text.size() && IsBlank(text[first])) ++first;
  return text.substr(first);
}

bool IsBlankLine(WStringView text) {
  for (char16_t c : text) {
    if (!IsBlank(c)) return false;
  }
  return true;
}

WString FoldCase(WStringView text) {
  size_t i = 0;
  const size_t n = text.size();
  // ASCII, the usual case: one pass into a string of the final size.
  while (i < n && text[i] < 0x80) ++i;
  WString out = AsciiLowerText(text.substr(0, i));
  if (i == n) return out;
  out.reserve(n);
  while (i < n) {
    char16_t c = text[i];
    if (c < 0x80) {
      out.push_back(AsciiLower(c));
      ++i;
      continue;
    }
    UChar32 cp;
    U16_NEXT(text.data(), i, n, cp);
    AppendCodePoint(out, static_cast<char32_t>(u_foldCase(cp, U_FOLD_CASE_DEFAULT)));
  }
  return out;
}

bool ParseHeader(WStringView line, WStringView* name) {
  WStringView t = Trim(line);
  if (t.empty() || t[0] != u'[') return false;
  WStringView rest = TrimLeft(t.substr(1));
  size_t close = rest.find(u']');
  if (close == WStringView::npos || close < 1) return false;
  WStringView n = Trim(rest.substr(0, close));
  if (n.empty()) return false;
  *name = n;
  return true;
}

WStringView KeyOf(WStringView line) {
  size_t eq = line.find(u'=');
  if (eq == WStringView::npos || eq == 0) return {};
  return Trim(line.substr(0, eq));
}

WStringView ValueOf(WStringView line) {
  size_t eq = line.find(u'=');
  if (eq == WStringView::npos) return {};
  return line.substr(eq + 1);
}

bool IsUsableSectionName(WStringView trimmed_name) {
  return !trimmed_name.empty() && Trim(trimmed_name).size() == trimmed_name.size() &&
         trimmed_name.find(u']') == WStringView::npos && !HasUnsafeChar(trimmed_name);
}

std::vector<WString> SplitLines(WStringView text, uint8_t* line_break) {
  std::vector<WString> lines;
  const uint8_t used = ForEachTextLine(text, [&](WStringView line) { lines.emplace_back(line); });
  if (line_break != nullptr) *line_break = used;
  return lines;
}

WString JoinLines(const std::vector<WString>& lines, uint8_t line_break) {
  WStringView brk = line_break == kBreakCr ? u"\r" : line_break == kBreakLf ? u"\n" : u"\r\n";
  size_t total = 0;
  for (const WString& line : lines) total += line.size() + brk.size();
  WString out;
  out.reserve(total);
  for (const WString& line : lines) {
    out += line;
    out += brk;
  }
  return out;
}

char16_t UserDecimalSeparator() {
  const std::lconv* conv = std::localeconv();
  if (conv == nullptr || conv->decimal_point == nullptr || conv->decimal_point[0] == '\0') {
    return u'.';
  }
  WString sep = U16(conv->decimal_point);
  return (sep.size() == 1 && sep[0] != u'\uFFFD') ? sep[0] : u'.';
}

WString FloatToText(double value, char16_t separator) {
  if (std::isnan(value)) return u"NAN";
  if (std::isinf(value)) return value < 0 ? u"-INF" : u"INF";
  if (value == 0) value = 0;  // no "-0"
  char buf[64];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 15);
  if (ec != std::errc()) return u"0";
  // to_chars gives "1.5", "1e+20", "1e-05"; the program writes "1.5", "1E20", "1E-5".
  std::string text(buf, end);
  WString out;
  size_t e = text.find('e');
  std::string mantissa = e == std::string::npos ? text : text.substr(0, e);
  for (char c : mantissa) out.push_back(c == '.' ? separator : static_cast<char16_t>(c));
  if (e != std::string::npos) {
    out.push_back(u'E');
    size_t i = e + 1;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
      if (text[i] == '-') out.push_back(u'-');
      ++i;
    }
    while (i + 1 < text.size() && text[i] == '0') ++i;
    for (; i < text.size(); ++i) out.push_back(static_cast<char16_t>(text[i]));
  }
  return out;
}

bool TextToFloat(WStringView text, char16_t separator, double* value) {
  WStringView t = Trim(text);
  if (t.empty()) return false;
  // Special values as FloatToText writes them.
  WString upper;
  for (char16_t c : t) upper.push_back((c >= u'a' && c <= u'z') ? c - 32 : c);
  if (upper == u"NAN") {
    *value = std::nan("");
    return true;
  }
  if (upper == u"INF" || upper == u"+INF" || upper == u"-INF") {
    *value = upper[0] == u'-' ? -HUGE_VAL : HUGE_VAL;
    return true;
  }
  // sign? digits* (sep digits*)? (E sign? digits+)?, with at least one mantissa digit.
  std::string ascii;
  size_t i = 0;
  if (t[i] == u'+' || t[i] == u'-') {
    if (t[i] == u'-') ascii.push_back('-');
    ++i;
  }
  int digits = 0;
  auto take_digits = [&]() {
    while (i < t.size() && t[i] >= u'0' && t[i] <= u'9') {
      ascii.push_back(static_cast<char>(t[i]));
      ++i;
      ++digits;
    }
  };
  take_digits();
  if (i < t.size() && (t[i] == separator || t[i] == u'.')) {
    ascii.push_back('.');
    ++i;
    take_digits();
  }
  if (digits == 0) return false;
  if (i < t.size() && (t[i] == u'E' || t[i] == u'e')) {
    ascii.push_back('e');
    ++i;
    if (i < t.size() && (t[i] == u'+' || t[i] == u'-')) {
      ascii.push_back(static_cast<char>(t[i]));
      ++i;
    }
    int exp_digits = 0;
    while (i < t.size() && t[i] >= u'0' && t[i] <= u'9') {
      ascii.push_back(static_cast<char>(t[i]));
      ++i;
      ++exp_digits;
    }
    if (exp_digits == 0) return false;
  }
  if (i != t.size()) return false;
  double v = 0;
  auto [ptr, ec] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), v);
  if (ec != std::errc() || ptr != ascii.data() + ascii.size()) return false;
  *value = v;
  return true;
}

}  // namespace mivaro::ini
