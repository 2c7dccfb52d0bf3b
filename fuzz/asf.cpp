// Fuzz target: the ASF header reader (content description and extended content
// description objects) over a whole file image.
#include <cstddef>
#include <cstdint>

#include "tags/asf_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  mivaro::TMyTagWMA tag;
  tag.LoadBytes(data, size);
  std::size_t total = 0;
  for (int i = 0; i < mivaro::kTagFieldCount; ++i) {
    total += tag.Text(static_cast<mivaro::TMyTagField>(i)).size();
  }
  return total == static_cast<std::size_t>(-1) ? 1 : 0;
}
