// Fuzz target: the ID3 reader (ID3v2.2-2.4 with unsynchronisation, extended headers,
// compression and SEEK; ID3v1) over a whole file image.
#include <cstddef>
#include <cstdint>

#include "tags/id3_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  mivaro::TMyTagID3 tag;
  tag.LoadBytes(data, size);
  // Touch the results so that every decoded text is materialised.
  std::size_t total = tag.TagVersion.size();
  for (int i = 0; i < mivaro::kTagFieldCount; ++i) {
    total += tag.Text(static_cast<mivaro::TMyTagField>(i)).size();
  }
  return total == static_cast<std::size_t>(-1) ? 1 : 0;
}
