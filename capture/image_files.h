// Still images of the capture tool and the files they are saved to. Each function returns
// true on success and never throws; every write goes through the atomic writer, so a
// failed save leaves no truncated image under the chosen name.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mivaro::capture {

// A 24-bit picture: rows top-down, three bytes per pixel in R, G, B order, no padding.
struct TMyBitmap {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;
  // 0xRRGGBB of the colour that a GIF keeps transparent, when the bitmap has one.
  std::optional<uint32_t> transparentColor;

  void Resize(int w, int h);
  bool Empty() const { return width <= 0 || height <= 0; }
  const uint8_t* Row(int y) const { return rgb.data() + static_cast<size_t>(y) * width * 3; }
  uint8_t* Row(int y) { return rgb.data() + static_cast<size_t>(y) * width * 3; }
};

// Paths are UTF-8 file names.
bool SaveBitmapAsBmp(const TMyBitmap& bitmap, const std::string& file);
bool SaveBitmapAsJpeg(const TMyBitmap& bitmap, const std::string& file, int quality);
bool SaveBitmapAsGif(const TMyBitmap& bitmap, const std::string& file);
bool SaveBitmapAsGifTransparent(const TMyBitmap& bitmap, const std::string& file,
                                uint32_t transparentColor);
// Reads an uncompressed BMP (24 or 32 bits, bottom-up or top-down).
bool LoadBitmapFile(TMyBitmap& bitmap, const std::string& file);
bool LoadJpegFile(TMyBitmap& image, const std::string& file);

// The same readers over bytes already in memory.
bool DecodeBmp(TMyBitmap& bitmap, const uint8_t* data, size_t size);
bool DecodeJpeg(TMyBitmap& image, const uint8_t* data, size_t size);

// Whole content of a file; false when it cannot be read.
bool ReadWholeFile(const std::string& file, std::string& bytes);

// The bytes of a 24-bit bottom-up BMP: rows padded to 4 bytes.
std::string EncodeBmp(const TMyBitmap& bitmap);

}  // namespace mivaro::capture
