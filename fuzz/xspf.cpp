// Fuzz target: the XSPF reader (XML structure, entities, encodings, damaged documents) and
// the turning of its locations into paths.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "playlist/media_strings.h"

using namespace mivaro;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::vector<WString> entries = ParseXspfEntries(bytes);
  // Every entry needs its own <location/> element in the file, at least 11 bytes.
  if (entries.size() > size / 11 + 1) __builtin_trap();
  for (const WString& entry : entries) EntryToPath(TrimEntry(entry), u"/m/", true);
  return 0;
}
