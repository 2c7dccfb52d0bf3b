// WMA/WMV tag reader: the Content Description and Extended Content Description objects of
// the ASF header at the start of the file. Reads only the header, never the media data.
// A file that is not ASF, or whose header is damaged or cut short, keeps the fields found
// before the damage. TagVersion stays empty.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tags/tag.h"

namespace mivaro {

class TagByteSource;

// Reads the ASF header attributes of the data into tag's text fields; true when an ASF
// header was found and read whole.
bool ReadAsfTags(TagByteSource& source, TMyCustomTag& tag);

// Frame rate stated by the ASF header: the first Extended Stream Properties object (inside
// the Header Extension) with a non-zero average time per frame gives 10^7 / that time.
// Returns -1 when the data is not ASF, 0 when the header states no frame time.
double ReadAsfFrameRate(TagByteSource& source);

class TMyTagWMA : public TMyCustomTag {
 public:
  TMyTagWMA() = default;
  // Create(), then Load(fileName).
  explicit TMyTagWMA(WStringView fileName);

  // Clear, file facts, then the header read; the file is closed at the end in every case.
  void Load(WStringView fileName) override;
  // Clear, then reads the attributes of a file image in memory (file facts untouched).
  void LoadBytes(const std::uint8_t* data, std::size_t size);
};

}  // namespace mivaro
