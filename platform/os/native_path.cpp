#include "platform/os/native_path.h"

namespace mivaro::os {

bool ToNativePath(WStringView path, std::string& out) {
  out.clear();
  if (path.empty()) return false;
  // Most names are ASCII: narrow the leading run in one pass.
  size_t ascii = 0;
  while (ascii < path.size() && path[ascii] < 0x80 && path[ascii] != 0) ++ascii;
  out.resize(ascii);
  for (size_t k = 0; k < ascii; ++k) out[k] = static_cast<char>(path[k]);
  if (ascii == path.size()) return true;
  out.reserve(path.size() + path.size() / 2);
  for (size_t i = ascii; i < path.size(); ++i) {
    const char16_t c = path[i];
    if (c == 0) {
      out.clear();
      return false;
    }
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c >= 0xD800 && c <= 0xDBFF && i + 1 < path.size() && path[i + 1] >= 0xDC00 &&
               path[i + 1] <= 0xDFFF) {
      AppendUtf8(out, 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (path[i + 1] - 0xDC00));
      ++i;
    } else if (c >= 0xDC80 && c <= 0xDCFF) {
      out.push_back(static_cast<char>(c - 0xDC00));  // a byte that was not UTF-8
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      AppendUtf8(out, 0xFFFD);
    } else {
      AppendUtf8(out, c);
    }
  }
  return true;
}

std::string NativePath(WStringView path) {
  std::string out;
  ToNativePath(path, out);
  return out;
}

void FromNativeNameInto(std::string_view s, WString& out) {
  // Most names are ASCII: widen them in one pass.
  size_t ascii = 0;
  while (ascii < s.size() && static_cast<unsigned char>(s[ascii]) < 0x80) ++ascii;
  out.resize(ascii);
  for (size_t k = 0; k < ascii; ++k) out[k] = static_cast<unsigned char>(s[k]);
  if (ascii == s.size()) return;
  out.reserve(s.size());
  size_t i = ascii;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      out.push_back(c);
      ++i;
      continue;
    }
    int len = 1;
    const char32_t cp = DecodeUtf8At(s, i, len);
    if (cp == kInvalidUtf8) {
      out.push_back(static_cast<char16_t>(0xDC00 + c));  // keeps the byte for the way back
    } else {
      AppendCodePoint(out, cp);
    }
    i += static_cast<size_t>(len);
  }
}

WString FromNativeName(std::string_view s) {
  WString out;
  FromNativeNameInto(s, out);
  return out;
}

}  // namespace mivaro::os
