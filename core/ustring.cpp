#include "core/ustring.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace mivaro {

void AppendCodePoint(WString& out, char32_t cp) {
  if (cp >= 0xD800 && cp <= 0xDFFF) cp = 0xFFFD;
  if (cp > 0x10FFFF) cp = 0xFFFD;
  if (cp < 0x10000) {
    out.push_back(static_cast<char16_t>(cp));
  } else {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  }
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

std::size_t WidenAsciiRun(const char* s, std::size_t n, char16_t* out) {
  std::size_t i = 0;
#ifdef __SSE2__
  const __m128i zero = _mm_setzero_si128();
  while (i + 16 <= n) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    if (_mm_movemask_epi8(v) != 0) break;  // a byte with its top bit set
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_unpacklo_epi8(v, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 8), _mm_unpackhi_epi8(v, zero));
    i += 16;
  }
#endif
  while (i < n && static_cast<unsigned char>(s[i]) < 0x80) {
    out[i] = static_cast<unsigned char>(s[i]);
    ++i;
  }
  return i;
}

std::size_t NarrowAsciiRun(const char16_t* s, std::size_t n, char* out) {
  std::size_t i = 0;
#ifdef __SSE2__
  const __m128i zero = _mm_setzero_si128();
  const __m128i high = _mm_set1_epi16(static_cast<short>(0xFF80));
  while (i + 8 <= n) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    const int ascii = _mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(v, high), zero));
    const int nul = _mm_movemask_epi8(_mm_cmpeq_epi16(v, zero));
    if (ascii != 0xFFFF || nul != 0) break;
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(v, v));
    i += 8;
  }
#endif
  while (i < n && s[i] < 0x80 && s[i] != 0) {
    out[i] = static_cast<char>(s[i]);
    ++i;
  }
  return i;
}

std::size_t FindEitherUnit(WStringView text, char16_t a, char16_t b, std::size_t from) {
  const std::size_t n = text.size();
  const char16_t* s = text.data();
  std::size_t i = from;
#ifdef __SSE2__
  const __m128i va = _mm_set1_epi16(static_cast<short>(a));
  const __m128i vb = _mm_set1_epi16(static_cast<short>(b));
  for (; i + 8 <= n; i += 8) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    const int hit = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi16(v, va), _mm_cmpeq_epi16(v, vb)));
    if (hit != 0) return i + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(hit))) / 2;
  }
#endif
  for (; i < n; ++i) {
    if (s[i] == a || s[i] == b) return i;
  }
  return WStringView::npos;
}

std::size_t FindEitherByte(std::string_view text, char a, char b, std::size_t from) {
  const std::size_t n = text.size();
  const char* s = text.data();
  std::size_t i = from;
#ifdef __SSE2__
  const __m128i va = _mm_set1_epi8(a);
  const __m128i vb = _mm_set1_epi8(b);
  for (; i + 16 <= n; i += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    const int hit = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, va), _mm_cmpeq_epi8(v, vb)));
    if (hit != 0) return i + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(hit)));
  }
#endif
  for (; i < n; ++i) {
    if (s[i] == a || s[i] == b) return i;
  }
  return std::string_view::npos;
}

WString AsciiLowerText(WStringView text) {
  WString out(text);
  for (char16_t& c : out) c = AsciiLower(c);
  return out;
}

WString U16(std::string_view s) {
  WString out;
  AppendU16(s, out);
  return out;
}

void AppendU16(std::string_view s, WString& out) {
  // Written through a pointer into room for the longest result (every byte gives at most
  // one unit), then cut to length: playlists convert every line this way.
  const size_t base = out.size();
  out.resize(base + s.size());
  char16_t* const begin = out.data() + base;
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
      *p++ = 0xFFFD;
    } else if (cp < 0x10000) {
      *p++ = static_cast<char16_t>(cp);
    } else {
      *p++ = static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
      *p++ = static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
    }
    i += static_cast<size_t>(len);
  }
  out.resize(base + static_cast<size_t>(p - begin));
}

std::string Utf8(WStringView w) {
  std::string out;
  out.reserve(w.size());
  for (size_t i = 0; i < w.size(); ++i) {
    char32_t cp = w[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < w.size() && w[i + 1] >= 0xDC00 &&
        w[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (w[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    AppendUtf8(out, cp);
  }
  return out;
}

}  // namespace mivaro
