// Fuzz target: the M3U/M3U8 reader's text path (detection, line split, header and
// #EXTINF handling, entry trimming).
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/text_file.h"
#include "playlist/media_strings.h"

using namespace mivaro;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  for (TextEncoding code : {kEncodingDetect, kEncodingUtf8}) {
    const WString text = DecodeTextBytes(bytes, code);
    for (const WString& entry : ParseM3uEntries(text)) {
      const WString trimmed = TrimEntry(entry);
      if (trimmed.size() > entry.size()) __builtin_trap();
      IsPlaylistFile(trimmed);
    }
  }
  return 0;
}
