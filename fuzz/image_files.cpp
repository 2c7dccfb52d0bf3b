// Feeds arbitrary bytes to the BMP and JPEG readers of the capture tool.
#include <cstddef>
#include <cstdint>

#include "capture/image_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  mivaro::capture::TMyBitmap image;
  mivaro::capture::DecodeBmp(image, data, size);
  mivaro::capture::DecodeJpeg(image, data, size);
  return 0;
}
