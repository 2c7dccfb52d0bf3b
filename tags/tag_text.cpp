#include "tags/tag_text.h"

#include <unicode/ucnv.h>

#include <memory>

namespace mivaro::tagtext {
namespace {

struct ConverterCloser {
  void operator()(UConverter* c) const { ucnv_close(c); }
};

// One code page 932 converter per thread: converters are not thread-safe, and opening one
// per call would dominate the cost of reading a tag.
UConverter* AnsiConverter() {
  thread_local std::unique_ptr<UConverter, ConverterCloser> converter = [] {
    UErrorCode status = U_ZERO_ERROR;
    UConverter* c = ucnv_open("windows-31j", &status);
    if (U_FAILURE(status)) {
      c = nullptr;
    }
    return std::unique_ptr<UConverter, ConverterCloser>(c);
  }();
  return converter.get();
}

bool IsAscii(const std::uint8_t* data, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] >= 0x80) {
      return false;
    }
  }
  return true;
}

WString Widen(const std::uint8_t* data, std::size_t size) {
  WString out(size, u'\0');
  for (std::size_t i = 0; i < size; ++i) {
    out[i] = static_cast<char16_t>(data[i]);
  }
  return out;
}

}  // namespace

WString DecodeAnsi(const std::uint8_t* data, std::size_t size) {
  if (size == 0) {
    return {};
  }
  if (IsAscii(data, size)) {
    return Widen(data, size);
  }
  UConverter* conv = AnsiConverter();
  if (conv == nullptr) {
    return Widen(data, size);
  }
  ucnv_reset(conv);
  // Code page 932 never yields more UTF-16 units than bytes.
  WString out(size, u'\0');
  UErrorCode status = U_ZERO_ERROR;
  const int32_t n = ucnv_toUChars(conv, out.data(), static_cast<int32_t>(out.size()),
                                  reinterpret_cast<const char*>(data),
                                  static_cast<int32_t>(size), &status);
  if (U_FAILURE(status) && status != U_STRING_NOT_TERMINATED_WARNING) {
    return Widen(data, size);
  }
  out.resize(static_cast<std::size_t>(n));
  return out;
}

WString DecodeUtf8(const std::uint8_t* data, std::size_t size) {
  if (IsAscii(data, size)) {
    return Widen(data, size);
  }
  return U16(std::string_view(reinterpret_cast<const char*>(data), size));
}

WString DecodeUtf16(const std::uint8_t* data, std::size_t size, bool bigEndian) {
  const std::size_t count = size / 2;
  WString out(count, u'\0');
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t a = data[2 * i];
    const std::uint8_t b = data[2 * i + 1];
    out[i] = bigEndian ? static_cast<char16_t>((a << 8) | b) : static_cast<char16_t>((b << 8) | a);
  }
  return out;
}

void CutAtNul(WString& text) {
  const std::size_t nul = text.find(u'\0');
  if (nul != WString::npos) {
    text.resize(nul);
  }
}

}  // namespace mivaro::tagtext
