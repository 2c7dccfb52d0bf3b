// GIF through libimagequant (a 256-colour palette chosen for the picture, dithered) and
// giflib (the LZW file), encoded in memory and written atomically.
#include <gif_lib.h>
#include <libimagequant.h>

#include <memory>
#include <vector>

#include "capture/image_files.h"
#include "core/atomic_file.h"

namespace mivaro::capture {

namespace {

struct LiqDeleter {
  void operator()(liq_attr* p) const { liq_attr_destroy(p); }
  void operator()(liq_image* p) const { liq_image_destroy(p); }
  void operator()(liq_result* p) const { liq_result_destroy(p); }
};
template <typename T>
using LiqPtr = std::unique_ptr<T, LiqDeleter>;

struct Quantised {
  std::vector<uint8_t> indices;
  std::vector<GifColorType> palette;
  int transparentIndex = -1;
};

bool Quantise(const TMyBitmap& bitmap, std::optional<uint32_t> transparent, Quantised& q) {
  const size_t pixels = static_cast<size_t>(bitmap.width) * bitmap.height;
  std::vector<uint8_t> rgba(pixels * 4);
  for (size_t i = 0; i < pixels; ++i) {
    const uint8_t* p = bitmap.rgb.data() + i * 3;
    rgba[i * 4 + 0] = p[0];
    rgba[i * 4 + 1] = p[1];
    rgba[i * 4 + 2] = p[2];
    const uint32_t colour = (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2];
    rgba[i * 4 + 3] = transparent && *transparent == colour ? 0 : 255;
  }
  LiqPtr<liq_attr> attr(liq_attr_create());
  if (!attr) return false;
  liq_set_max_colors(attr.get(), 256);
  liq_set_speed(attr.get(), 8);
  LiqPtr<liq_image> image(
      liq_image_create_rgba(attr.get(), rgba.data(), bitmap.width, bitmap.height, 0));
  if (!image) return false;
  liq_result* raw = nullptr;
  if (liq_image_quantize(image.get(), attr.get(), &raw) != LIQ_OK) return false;
  LiqPtr<liq_result> result(raw);
  liq_set_dithering_level(result.get(), 1.0f);
  q.indices.resize(pixels);
  if (liq_write_remapped_image(result.get(), image.get(), q.indices.data(), pixels) != LIQ_OK) {
    return false;
  }
  const liq_palette* pal = liq_get_palette(result.get());
  for (unsigned i = 0; i < pal->count; ++i) {
    q.palette.push_back({pal->entries[i].r, pal->entries[i].g, pal->entries[i].b});
    if (pal->entries[i].a == 0) q.transparentIndex = static_cast<int>(i);
  }
  // giflib wants a power of two entries.
  size_t size = 2;
  while (size < q.palette.size()) size *= 2;
  q.palette.resize(size, GifColorType{0, 0, 0});
  return true;
}

int AppendToString(GifFileType* gif, const GifByteType* data, int length) {
  static_cast<std::string*>(gif->UserData)->append(reinterpret_cast<const char*>(data),
                                                   static_cast<size_t>(length));
  return length;
}

bool EncodeGif(const TMyBitmap& bitmap, const Quantised& q, std::string& out) {
  int error = 0;
  GifFileType* gif = EGifOpen(&out, AppendToString, &error);
  if (!gif) return false;
  bool ok = true;
  ColorMapObject* map =
      GifMakeMapObject(static_cast<int>(q.palette.size()), q.palette.data());
  ok = map && EGifPutScreenDesc(gif, bitmap.width, bitmap.height, 8, 0, map) == GIF_OK;
  if (ok && q.transparentIndex >= 0) {
    EGifSetGifVersion(gif, true);
    GraphicsControlBlock gcb{};
    gcb.DisposalMode = DISPOSAL_UNSPECIFIED;
    gcb.DelayTime = 0;
    gcb.TransparentColor = q.transparentIndex;
    GifByteType ext[4];
    const size_t len = EGifGCBToExtension(&gcb, ext);
    ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(len), ext) == GIF_OK;
  }
  ok = ok && EGifPutImageDesc(gif, 0, 0, bitmap.width, bitmap.height, false, nullptr) == GIF_OK;
  for (int y = 0; ok && y < bitmap.height; ++y) {
    auto* line = const_cast<GifPixelType*>(q.indices.data() + static_cast<size_t>(y) * bitmap.width);
    ok = EGifPutLine(gif, line, bitmap.width) == GIF_OK;
  }
  GifFreeMapObject(map);
  if (EGifCloseFile(gif, &error) != GIF_OK) ok = false;
  return ok;
}

bool SaveGif(const TMyBitmap& bitmap, const std::string& file,
             std::optional<uint32_t> transparent) {
  if (bitmap.Empty() || bitmap.width > 65535 || bitmap.height > 65535) return false;
  try {
    Quantised q;
    if (!Quantise(bitmap, transparent, q)) return false;
    std::string bytes;
    if (!EncodeGif(bitmap, q, bytes)) return false;
    return WriteFileAtomicUtf8(file, bytes);
  } catch (...) {
    return false;
  }
}

}  // namespace

bool SaveBitmapAsGif(const TMyBitmap& bitmap, const std::string& file) {
  return SaveGif(bitmap, file, bitmap.transparentColor);
}

bool SaveBitmapAsGifTransparent(const TMyBitmap& bitmap, const std::string& file,
                                uint32_t transparentColor) {
  return SaveGif(bitmap, file, transparentColor);
}

}  // namespace mivaro::capture
