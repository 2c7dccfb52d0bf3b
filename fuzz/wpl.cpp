// Fuzz target: the WPL reader's text path (last <seq> block, quoted sources, entities).
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/text_file.h"
#include "playlist/media_strings.h"

using namespace mivaro;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TextEncoding code = kEncodingUtf8;
  const WString text =
      DecodeTextBytes(std::string_view(reinterpret_cast<const char*>(data), size), code);
  for (const WString& entry : ParseWplEntries(text)) {
    const WString decoded = DecodeWplEntities(entry);
    if (decoded.size() > entry.size()) __builtin_trap();
  }
  return 0;
}
