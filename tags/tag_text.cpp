#include "tags/tag_text.h"

#include <string_view>

#include "core/text_encoding.h"

namespace mivaro::tagtext {
namespace {

std::string_view View(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

bool IsAscii(const std::uint8_t* data, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] >= 0x80) {
      return false;
    }
  }
  return true;
}

}  // namespace

WString DecodeAnsi(const std::uint8_t* data, std::size_t size) {
  return FromAnsi(View(data, size));
}

WString DecodeUtf8(const std::uint8_t* data, std::size_t size) {
  // Most tag texts are plain ASCII: widen them without the decoder.
  if (IsAscii(data, size)) {
    return WString(data, data + size);
  }
  return FromUtf8(View(data, size));
}

WString DecodeUtf16(const std::uint8_t* data, std::size_t size, bool bigEndian) {
  return Utf16FromBytes(View(data, size), bigEndian);
}

void CutAtNul(WString& text) {
  const std::size_t nul = text.find(u'\0');
  if (nul != WString::npos) {
    text.resize(nul);
  }
}

}  // namespace mivaro::tagtext
