// Fuzzes the stored form: decoding arbitrary 8-bit input must not fail, and every UTF-16
// text must survive EncodeItem followed by DecodeItem unchanged.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/wstrings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  mivaro::TMyWStrings list;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  (void)list.DecodeItem(bytes);

  mivaro::WString text(size / 2, u'\0');
  for (std::size_t i = 0; i < text.size(); ++i) {
    text[i] = static_cast<char16_t>(data[2 * i] | data[2 * i + 1] << 8);
  }
  if (list.DecodeItem(list.EncodeItem(text)) != text) __builtin_trap();
  return 0;
}
