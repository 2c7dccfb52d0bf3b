// BMP reading and writing, by hand: the format is a 54-byte header and padded rows.
#include <cstring>
#include <fstream>
#include <iterator>

#include "capture/image_files.h"
#include "core/atomic_file.h"

namespace mivaro::capture {

namespace {

void Put16(std::string& out, uint32_t v) {
  out.push_back(static_cast<char>(v & 0xff));
  out.push_back(static_cast<char>((v >> 8) & 0xff));
}
void Put32(std::string& out, uint32_t v) {
  Put16(out, v & 0xffff);
  Put16(out, v >> 16);
}
uint32_t Get16(const uint8_t* p) { return p[0] | (p[1] << 8); }
uint32_t Get32(const uint8_t* p) { return Get16(p) | (Get16(p + 2) << 16); }

constexpr size_t kFileHeader = 14;
constexpr size_t kInfoHeader = 40;
// Pictures larger than this are refused rather than allocated.
constexpr int64_t kMaxPixels = int64_t{1} << 28;

size_t RowStride(int width, int bitsPerPixel) {
  return (static_cast<size_t>(width) * bitsPerPixel / 8 + 3) & ~size_t{3};
}

}  // namespace

void TMyBitmap::Resize(int w, int h) {
  width = w > 0 ? w : 0;
  height = h > 0 ? h : 0;
  rgb.assign(static_cast<size_t>(width) * height * 3, 0);
}

std::string EncodeBmp(const TMyBitmap& bitmap) {
  const size_t stride = RowStride(bitmap.width, 24);
  const size_t image = stride * bitmap.height;
  std::string out;
  out.reserve(kFileHeader + kInfoHeader + image);
  out += "BM";
  Put32(out, static_cast<uint32_t>(kFileHeader + kInfoHeader + image));
  Put32(out, 0);
  Put32(out, kFileHeader + kInfoHeader);
  Put32(out, kInfoHeader);
  Put32(out, static_cast<uint32_t>(bitmap.width));
  Put32(out, static_cast<uint32_t>(bitmap.height));  // positive: bottom-up
  Put16(out, 1);
  Put16(out, 24);
  Put32(out, 0);  // BI_RGB
  Put32(out, static_cast<uint32_t>(image));
  Put32(out, 2835);  // 72 dpi
  Put32(out, 2835);
  Put32(out, 0);
  Put32(out, 0);
  const size_t headerEnd = out.size();
  out.resize(headerEnd + image, '\0');
  for (int y = 0; y < bitmap.height; ++y) {
    const uint8_t* src = bitmap.Row(bitmap.height - 1 - y);
    char* dst = out.data() + headerEnd + y * stride;
    for (int x = 0; x < bitmap.width; ++x) {
      dst[x * 3 + 0] = static_cast<char>(src[x * 3 + 2]);
      dst[x * 3 + 1] = static_cast<char>(src[x * 3 + 1]);
      dst[x * 3 + 2] = static_cast<char>(src[x * 3 + 0]);
    }
  }
  return out;
}

bool SaveBitmapAsBmp(const TMyBitmap& bitmap, const std::string& file) {
  if (bitmap.Empty()) return false;
  try {
    return WriteFileAtomicUtf8(file, EncodeBmp(bitmap));
  } catch (...) {
    return false;
  }
}

bool DecodeBmp(TMyBitmap& bitmap, const uint8_t* data, size_t size) {
  if (size < kFileHeader + kInfoHeader || data[0] != 'B' || data[1] != 'M') return false;
  const uint32_t offset = Get32(data + 10);
  const uint32_t headerSize = Get32(data + 14);
  if (headerSize < kInfoHeader) return false;
  const int32_t width = static_cast<int32_t>(Get32(data + 18));
  const int32_t rawHeight = static_cast<int32_t>(Get32(data + 22));
  const uint32_t bits = Get16(data + 28);
  const uint32_t compression = Get32(data + 30);
  if (width <= 0 || rawHeight == 0 || rawHeight == INT32_MIN) return false;
  if ((bits != 24 && bits != 32) || (compression != 0 && !(compression == 3 && bits == 32))) {
    return false;
  }
  const bool bottomUp = rawHeight > 0;
  const int32_t height = bottomUp ? rawHeight : -rawHeight;
  if (static_cast<int64_t>(width) * height > kMaxPixels) return false;
  const size_t stride = RowStride(width, static_cast<int>(bits));
  if (offset > size || (size - offset) / stride < static_cast<size_t>(height)) return false;
  bitmap.Resize(width, height);
  bitmap.transparentColor.reset();
  const size_t step = bits / 8;
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* src = data + offset + y * stride;
    uint8_t* dst = bitmap.Row(bottomUp ? height - 1 - y : y);
    for (int32_t x = 0; x < width; ++x) {
      dst[x * 3 + 0] = src[x * step + 2];
      dst[x * 3 + 1] = src[x * step + 1];
      dst[x * 3 + 2] = src[x * step + 0];
    }
  }
  return true;
}

bool ReadWholeFile(const std::string& file, std::string& bytes) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

bool LoadBitmapFile(TMyBitmap& bitmap, const std::string& file) {
  try {
    std::string bytes;
    if (!ReadWholeFile(file, bytes)) return false;
    return DecodeBmp(bitmap, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  } catch (...) {
    return false;
  }
}

}  // namespace mivaro::capture
