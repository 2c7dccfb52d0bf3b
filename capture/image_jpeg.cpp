// JPEG through libjpeg-turbo, in memory: the library's errors jump back here instead of
// ending the process, and the encoded bytes go to the atomic writer in one piece.
// jpeglib.h needs size_t and FILE declared before it.
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

#include <algorithm>
#include <csetjmp>
#include <cstdlib>

#include "capture/image_files.h"
#include "core/atomic_file.h"

namespace mivaro::capture {

namespace {

constexpr int64_t kMaxPixels = int64_t{1} << 28;

struct JpegError {
  jpeg_error_mgr mgr;
  std::jmp_buf jump;
};

void OnJpegError(j_common_ptr info) {
  auto* err = reinterpret_cast<JpegError*>(info->err);
  std::longjmp(err->jump, 1);
}
void OnJpegMessage(j_common_ptr) {}

// Encodes into `out` (malloc'ed by the library). Kept apart from C++ objects with
// destructors because of the long jump.
bool EncodeJpeg(const TMyBitmap& bitmap, int quality, unsigned char** out,
                unsigned long* outSize) {
  jpeg_compress_struct info{};
  JpegError err{};
  info.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = OnJpegError;
  err.mgr.output_message = OnJpegMessage;
  if (setjmp(err.jump)) {
    jpeg_destroy_compress(&info);
    return false;
  }
  jpeg_create_compress(&info);
  jpeg_mem_dest(&info, out, outSize);
  info.image_width = static_cast<JDIMENSION>(bitmap.width);
  info.image_height = static_cast<JDIMENSION>(bitmap.height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, std::clamp(quality, 1, 100), TRUE);
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(bitmap.Row(static_cast<int>(info.next_scanline)));
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return true;
}

bool DecodeJpegInto(TMyBitmap& image, const uint8_t* data, size_t size) {
  jpeg_decompress_struct info{};
  JpegError err{};
  info.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = OnJpegError;
  err.mgr.output_message = OnJpegMessage;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
  if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  info.out_color_space = JCS_RGB;
  if (static_cast<int64_t>(info.image_width) * info.image_height > kMaxPixels) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_start_decompress(&info);
  // Resize may throw; the jump buffer is not used across it, and the caller catches.
  image.Resize(static_cast<int>(info.output_width), static_cast<int>(info.output_height));
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = image.Row(static_cast<int>(info.output_scanline));
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return true;
}

}  // namespace

bool SaveBitmapAsJpeg(const TMyBitmap& bitmap, const std::string& file, int quality) {
  if (bitmap.Empty()) return false;
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  bool ok = EncodeJpeg(bitmap, quality, &buffer, &size);
  try {
    if (ok) {
      ok = WriteFileAtomicUtf8(file, std::string_view(reinterpret_cast<char*>(buffer), size));
    }
  } catch (...) {
    ok = false;
  }
  std::free(buffer);
  return ok;
}

bool DecodeJpeg(TMyBitmap& image, const uint8_t* data, size_t size) {
  if (size == 0) return false;
  try {
    image.transparentColor.reset();
    return DecodeJpegInto(image, data, size);
  } catch (...) {
    return false;
  }
}

bool LoadJpegFile(TMyBitmap& image, const std::string& file) {
  try {
    std::string bytes;
    if (!ReadWholeFile(file, bytes)) return false;
    return DecodeJpeg(image, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  } catch (...) {
    return false;
  }
}

}  // namespace mivaro::capture
