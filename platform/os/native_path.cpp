#include "platform/os/native_path.h"

namespace mivaro::os {

// Both directions write through a pointer into storage sized for the longest result and
// cut it to length at the end: a playlist or folder walk converts every name once or
// twice, and a push_back per byte was most of that time.

namespace {

// Writes the UTF-8 of `path` to `begin` (room for 3 bytes per unit); the end of what was
// written, or nullptr when the path holds a NUL.
char* EncodeNativePath(WStringView path, char* const begin) {
  char* p = begin;
  // Read through a local pointer: the byte stores below may alias anything, and would
  // otherwise make the compiler fetch the view's pointer again for every unit.
  const char16_t* const src = path.data();
  const size_t n = path.size();
  for (size_t i = 0; i < n; ++i) {
    // Runs of ASCII (most of a path: separators, extensions, digits) in one step.
    const size_t run = NarrowAsciiRun(src + i, n - i, p);
    p += run;
    i += run;
    if (i == n) break;
    const char16_t c = src[i];
    if (c < 0x80) {
      if (c == 0) return nullptr;
      *p++ = static_cast<char>(c);
    } else if (c < 0x800) {
      *p++ = static_cast<char>(0xC0 | (c >> 6));
      *p++ = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0xD800 || c > 0xDFFF) {
      *p++ = static_cast<char>(0xE0 | (c >> 12));
      *p++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      *p++ = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c <= 0xDBFF && i + 1 < n && src[i + 1] >= 0xDC00 && src[i + 1] <= 0xDFFF) {
      const char32_t cp = 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) +
                          (static_cast<char32_t>(src[i + 1]) - 0xDC00);
      ++i;
      *p++ = static_cast<char>(0xF0 | (cp >> 18));
      *p++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      *p++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      *p++ = static_cast<char>(0x80 | (cp & 0x3F));
    } else if (c >= 0xDC80 && c <= 0xDCFF) {
      *p++ = static_cast<char>(c - 0xDC00);  // a byte that was not UTF-8
    } else {
      *p++ = '\xEF';  // any other lone surrogate: U+FFFD
      *p++ = '\xBF';
      *p++ = '\xBD';
    }
  }
  return p;
}

}  // namespace

bool AppendNativePath(WStringView path, std::string& out) {
  if (path.empty()) return false;
  // One UTF-16 unit gives at most 3 bytes (a surrogate pair: 4 bytes for 2 units). Usual
  // paths go through a buffer on the stack and are appended at their real length, which
  // spares clearing three bytes per unit of the string first.
  constexpr size_t kStackUnits = 1024;
  if (path.size() <= kStackUnits) {
    char buffer[kStackUnits * 3];
    const char* end = EncodeNativePath(path, buffer);
    if (end == nullptr) return false;
    out.append(buffer, static_cast<size_t>(end - buffer));
    return true;
  }
  const size_t base = out.size();
  out.resize(base + path.size() * 3);
  const char* end = EncodeNativePath(path, out.data() + base);
  if (end == nullptr) {
    out.resize(base);
    return false;
  }
  out.resize(static_cast<size_t>(end - out.data()));
  return true;
}

bool ToNativePath(WStringView path, std::string& out) {
  out.clear();
  return AppendNativePath(path, out);
}

std::string NativePath(WStringView path) {
  std::string out;
  ToNativePath(path, out);
  return out;
}

void FromNativeNameInto(std::string_view s, WString& out) {
  // Every byte gives at most one UTF-16 unit (four bytes give two).
  out.resize(s.size());
  char16_t* const begin = out.data();
  char16_t* p = begin;
  size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      const size_t run = WidenAsciiRun(s.data() + i, s.size() - i, p);
      p += run;
      i += run;
      continue;
    }
    int len = 1;
    const char32_t cp = DecodeUtf8At(s, i, len);
    if (cp == kInvalidUtf8) {
      *p++ = static_cast<char16_t>(0xDC00 + c);  // keeps the byte for the way back
    } else if (cp < 0x10000) {
      *p++ = static_cast<char16_t>(cp);
    } else {
      *p++ = static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
      *p++ = static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
    }
    i += static_cast<size_t>(len);
  }
  out.resize(static_cast<size_t>(p - begin));
}

WString FromNativeName(std::string_view s) {
  WString out;
  FromNativeNameInto(s, out);
  return out;
}

}  // namespace mivaro::os
