#include "settings/param.h"

#include <sys/stat.h>
#include <unicode/uchar.h>
#include <unicode/utf16.h>

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>

#include "core/paths.h"
#include "platform/os/native_path.h"

namespace mivaro {
namespace {

constexpr char16_t kQuote = u'"';

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r'; }

WString Trim(WStringView s) {
  size_t b = 0;
  size_t e = s.size();
  // Trims blanks and control characters, like the classic Trim of the original tooling.
  while (b < e && s[b] <= u' ') ++b;
  while (e > b && s[e - 1] <= u' ') --e;
  return WString(s.substr(b, e - b));
}

WString ReplaceAll(WStringView s, WStringView from, WStringView to) {
  WString out;
  size_t pos = 0;
  while (true) {
    const size_t hit = s.find(from, pos);
    if (hit == WStringView::npos) break;
    out.append(s.substr(pos, hit - pos));
    out.append(to);
    pos = hit + from.size();
  }
  out.append(s.substr(pos));
  return out;
}

bool PathExists(WStringView token) {
  std::string path;
  if (!os::ToNativePath(token, path)) return false;
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

const TMyParamOption& EmptyOption() {
  static const TMyParamOption empty;
  return empty;
}

}  // namespace

WString ParamUpper(WStringView text) {
  WString out;
  out.reserve(text.size());
  size_t i = 0;
  const size_t n = text.size();
  while (i < n) {
    const size_t start = i;
    UChar32 c;
    U16_NEXT(text.data(), i, n, c);
    if (U_IS_SURROGATE(c)) {
      out.append(text.substr(start, i - start));  // a lone surrogate stays as it is
    } else {
      AppendCodePoint(out, static_cast<char32_t>(u_toupper(c)));
    }
  }
  return out;
}

bool IsOptionToken(WStringView token) {
  if (token.size() < 2 || token[0] != u'/') return false;
  const size_t colon = token.find(u':');
  const size_t slash = token.find(u'/', 1);
  if (slash != WStringView::npos && (colon == WStringView::npos || slash < colon)) return false;
  return !PathExists(token);
}

std::vector<WString> SplitParamTokens(WStringView text) {
  std::vector<WString> tokens;
  WString current;
  bool in_quotes = false;
  bool escaped = false;
  const size_t n = text.size();
  for (size_t i = 0; i < n; ++i) {
    const char16_t c = text[i];
    if (IsBlank(c)) {
      if (in_quotes) {
        current.push_back(c);
      } else if (!current.empty()) {
        tokens.push_back(std::move(current));
        current.clear();
      }
    } else if (c == kQuote && !in_quotes) {
      in_quotes = true;
      if (!current.empty()) {
        tokens.push_back(std::move(current));
        current.clear();
      }
    } else if (c == kQuote && escaped) {
      escaped = false;
      current.push_back(kQuote);
    } else if (c == kQuote) {
      if (i + 1 < n && text[i + 1] == kQuote) {
        escaped = true;
      } else {
        in_quotes = false;
        tokens.push_back(std::move(current));
        current.clear();
      }
    } else {
      current.push_back(c);
    }
  }
  if (!current.empty()) tokens.push_back(std::move(current));

  // "/NAME:" followed by a token: the value was written apart ("/FROM: 12", "/DIR:"
  // directly followed by a quoted folder). Paths ending in ":" are left alone.
  for (size_t i = 0; i + 1 < tokens.size(); ++i) {
    const WString& t = tokens[i];
    if (!t.empty() && t.front() == u'/' && t.back() == u':' && IsOptionToken(t)) {
      tokens[i] += tokens[i + 1];
      tokens.erase(tokens.begin() + static_cast<std::ptrdiff_t>(i) + 1);
    }
  }
  return tokens;
}

WString QuoteParamToken(WStringView arg) {
  bool needs = arg.empty();
  for (char16_t c : arg) {
    if (IsBlank(c) || c == kQuote) {
      needs = true;
      break;
    }
  }
  if (!needs) return WString(arg);
  WString out;
  out.reserve(arg.size() + 2);
  out.push_back(kQuote);
  for (char16_t c : arg) {
    out.push_back(c);
    if (c == kQuote) out.push_back(kQuote);
  }
  out.push_back(kQuote);
  return out;
}

WString ProcessCommandLine() {
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  if (!in) return {};
  const std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  WString line;
  size_t start = 0;
  bool first = true;
  while (start < raw.size()) {
    size_t end = raw.find('\0', start);
    if (end == std::string::npos) end = raw.size();
    if (!first) line.push_back(u' ');
    line += QuoteParamToken(os::FromNativeName(std::string_view(raw).substr(start, end - start)));
    first = false;
    start = end + 1;
  }
  return line;
}

// ---------------------------------------------------------------------------------------

bool TMyParamOption::IsName(WStringView name) const { return ParamUpper(name) == NameUpper; }

int TMyParamOption::AsInteger() const {
  std::string s = Utf8(Value);
  size_t b = 0;
  while (b < s.size() && (s[b] == ' ' || s[b] == '\t')) ++b;
  s.erase(0, b);
  bool negative = false;
  if (!s.empty() && (s[0] == '-' || s[0] == '+')) {
    negative = s[0] == '-';
    s.erase(0, 1);
  }
  int base = 10;
  if (!s.empty() && s[0] == '$') {
    base = 16;
    s.erase(0, 1);
  } else if (s.size() > 1 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    base = 16;
    s.erase(0, 2);
  }
  if (s.empty()) return 0;
  std::int64_t v = 0;
  const auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), v, base);
  if (ec != std::errc() || ptr != s.data() + s.size()) return 0;
  if (negative) v = -v;
  if (v < INT_MIN || v > INT_MAX) return 0;
  return static_cast<int>(v);
}

double TMyParamOption::AsFloat() const {
  const std::string s = Utf8(Trim(Value));
  if (s.empty()) return 0.0;
  const char* b = s.data();
  if (*b == '+') ++b;
  double v = 0.0;
  const auto [ptr, ec] = std::from_chars(b, s.data() + s.size(), v);
  if (ec != std::errc() || ptr != s.data() + s.size()) return 0.0;
  return v;
}

// ---------------------------------------------------------------------------------------

TMyParam::TMyParam() : command_line_(ProcessCommandLine()) { Parse(); }

TMyParam::TMyParam(WStringView text) : command_line_(text) { Parse(); }

void TMyParam::Parse() {
  tokens_ = SplitParamTokens(command_line_);
  options_.reserve(tokens_.size());
  for (size_t i = 0; i < tokens_.size(); ++i) {
    auto rec = std::make_unique<TMyParamOption>();
    const WString& t = tokens_[i];
    rec->TokenIndex = static_cast<int>(i);
    rec->Text = t;
    rec->IsOption = IsOptionToken(t);
    if (rec->IsOption) {
      rec->OptionOrdinal = option_count_++;
      const size_t colon = t.find(u':');
      rec->HasValue = colon != WString::npos;
      rec->Name = rec->HasValue ? t.substr(1, colon - 1) : t.substr(1);
      rec->Value = rec->HasValue ? t.substr(colon + 1) : WString();
      rec->NameUpper = ParamUpper(rec->Name);
      rec->ValueUpper = ParamUpper(rec->Value);
      WString u = Trim(rec->Value);
      if (!u.empty() && u.front() == kQuote) u.erase(0, 1);
      if (!u.empty() && u.back() == kQuote) u.pop_back();
      u = Trim(u);
      rec->UnquotedValue = ReplaceAll(u, u"\"\"", u"\"");
      rec->UnquotedValueUpper = ParamUpper(rec->UnquotedValue);
    } else {
      rec->PlainOrdinal = plain_count_++;
      plain_arguments_.push_back(t);
    }
    options_.push_back(std::move(rec));
  }
  if (!tokens_.empty()) {
    program_path_ = tokens_.front();
    arguments_.assign(tokens_.begin() + 1, tokens_.end());
  }
}

WString TMyParam::Option(WStringView name) const {
  const WString upper = ParamUpper(name);
  for (const auto& rec : options_) {
    if (rec->IsOption && rec->NameUpper == upper) return rec->Value;
  }
  return {};
}

bool TMyParam::HasOption(WStringView name) const {
  const WString upper = ParamUpper(name);
  for (const auto& rec : options_) {
    if (rec->IsOption && rec->NameUpper == upper) return true;
  }
  return false;
}

std::vector<WString> TMyParam::PathArguments() const {
  std::vector<WString> out;
  out.reserve(arguments_.size());
  for (size_t i = 0; i < arguments_.size(); ++i) {
    const TMyParamOption& rec = Item(static_cast<int>(i) + 1);
    const WString& t = arguments_[i];
    out.push_back(rec.IsOption || t.empty() || IsUrlName(t) ? t : ExpandFileName(t));
  }
  return out;
}

const TMyParamOption& TMyParam::Item(int index) const {
  if (index < 0 || index >= Count()) return EmptyOption();
  return *options_[static_cast<size_t>(index)];
}

WString TMyParam::ParamText() const {
  const WStringView s = command_line_;
  const size_t n = s.size();
  enum class Mode { Start, Quoted, Unquoted } mode = Mode::Start;
  bool started_quoted = false;
  for (size_t i = 0; i < n; ++i) {
    const char16_t c = s[i];
    switch (mode) {
      case Mode::Start:
        if (c == kQuote) {
          mode = Mode::Quoted;
          started_quoted = true;
        } else if (c != u' ' && c != u'\t') {
          mode = Mode::Unquoted;
        }
        break;
      case Mode::Quoted:
        if (c == kQuote) {
          if (i + 1 >= n) return {};
          // A quoted middle part of an unquoted path ends, and the path goes on.
          if (!started_quoted && s[i + 1] != kQuote) {
            mode = Mode::Unquoted;
            break;
          }
          if (s[i + 1] != kQuote) return Trim(s.substr(i + 1));
          // A doubled quote inside the quoted path: skip both and go on.
          ++i;
        }
        break;
      case Mode::Unquoted:
        if (c == kQuote) {
          mode = Mode::Quoted;
        } else if (c == u' ' || c == u'\t') {
          return Trim(s.substr(i + 1));
        }
        break;
    }
  }
  return {};
}

TMyParam& GlobalParam() {
  static TMyParam param;
  return param;
}

int ParamCount() { return GlobalParam().ParamCount(); }

}  // namespace mivaro
