// Fuzz target: the M3U/M3U8 reader's text path (detection, line split, header and
// #EXTINF handling, entry trimming), and the ".m3u8" reader's byte path against it.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "core/text_file.h"
#include "platform/os/native_path.h"
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
  // The ".m3u8" reader cuts the bytes into lines before decoding them as names are decoded
  // (bytes that are no UTF-8 kept): it must find the same entries as cutting the text
  // decoded that way as a whole.
  std::vector<WString> expected;
  for (const WString& entry : ParseM3uEntries(os::FromNativeName(bytes))) {
    WString trimmed = TrimEntry(entry);
    if (!trimmed.empty()) expected.push_back(std::move(trimmed));
  }
  if (ParseM3u8Entries(bytes) != expected) __builtin_trap();
  return 0;
}
