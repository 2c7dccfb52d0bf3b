#include "player/wall_video_picture.h"

#include <algorithm>
#include <vector>

#include "core/paths.h"
#include "core/text_encoding.h"

namespace mivaro {

namespace {

// A monitor's bounds in picture coordinates (the desktop's top-left at 0, 0).
TMyRect PictureRect(const TMyScreen& screen, const TMyMonitor& m) {
  const int dx = screen.DesktopLeft();
  const int dy = screen.DesktopTop();
  const TMyRect& b = m.BoundsRect;
  return {b.left - dx, b.top - dy, b.right - dx, b.bottom - dy};
}

TMyRect ClipTo(const TMyRect& r, const TMyRect& clip) {
  TMyRect out{std::max(r.left, clip.left), std::max(r.top, clip.top),
              std::min(r.right, clip.right), std::min(r.bottom, clip.bottom)};
  if (out.right < out.left) out.right = out.left;
  if (out.bottom < out.top) out.bottom = out.top;
  return out;
}

TMyRect WholeOf(const TMyBitmap& b) { return {0, 0, b.width, b.height}; }

int Mod(int value, int size) {
  const int m = value % size;
  return m < 0 ? m + size : m;
}

void FillRow(std::uint8_t* p, int count, std::uint32_t color) {
  const auto r = static_cast<std::uint8_t>(color >> 16);
  const auto g = static_cast<std::uint8_t>(color >> 8);
  const auto b = static_cast<std::uint8_t>(color);
  for (int i = 0; i < count; ++i, p += 3) {
    p[0] = r;
    p[1] = g;
    p[2] = b;
  }
}

// The image repeated over `clip`, its phase anchored at `anchor`.
void DrawTiled(TMyBitmap& dst, const TMyRect& clip, const TMyBitmap& img, TMyPoint anchor) {
  const int w = clip.right - clip.left;
  if (w <= 0) return;
  for (int y = clip.top; y < clip.bottom; ++y) {
    const std::uint8_t* src = img.Row(Mod(y - anchor.y, img.height));
    std::uint8_t* out = dst.Row(y) + static_cast<std::size_t>(clip.left) * 3;
    int sx = Mod(clip.left - anchor.x, img.width);
    int x = 0;
    while (x < w) {
      const int run = std::min(w - x, img.width - sx);
      std::copy_n(src + static_cast<std::size_t>(sx) * 3, static_cast<std::size_t>(run) * 3,
                  out + static_cast<std::size_t>(x) * 3);
      x += run;
      sx = 0;
    }
  }
}

// Source ranges of each destination column or row when `from` pixels are averaged onto
// `to` pixels: every destination pixel covers at least one source pixel.
std::vector<std::pair<int, int>> SpanTable(int from, int to) {
  std::vector<std::pair<int, int>> spans(static_cast<std::size_t>(to));
  for (int i = 0; i < to; ++i) {
    int a = static_cast<int>(static_cast<std::int64_t>(i) * from / to);
    int b = static_cast<int>(static_cast<std::int64_t>(i + 1) * from / to);
    if (b <= a) b = a + 1;
    spans[static_cast<std::size_t>(i)] = {a, std::min(b, from)};
  }
  return spans;
}

// The image scaled onto the whole of `target` (placed at target's top-left), each output
// pixel the mean of the source pixels it covers; only the part inside `clip` is drawn.
void DrawStretched(TMyBitmap& dst, const TMyRect& target, const TMyRect& clip,
                   const TMyBitmap& img) {
  const int tw = target.right - target.left;
  const int th = target.bottom - target.top;
  if (tw <= 0 || th <= 0) return;
  const auto cols = SpanTable(img.width, tw);
  const auto rows = SpanTable(img.height, th);
  for (int y = clip.top; y < clip.bottom; ++y) {
    const auto [y0, y1] = rows[static_cast<std::size_t>(y - target.top)];
    std::uint8_t* out = dst.Row(y);
    for (int x = clip.left; x < clip.right; ++x) {
      const auto [x0, x1] = cols[static_cast<std::size_t>(x - target.left)];
      unsigned sum[3] = {0, 0, 0};
      for (int sy = y0; sy < y1; ++sy) {
        const std::uint8_t* p = img.Row(sy) + static_cast<std::size_t>(x0) * 3;
        for (int sx = x0; sx < x1; ++sx, p += 3) {
          sum[0] += p[0];
          sum[1] += p[1];
          sum[2] += p[2];
        }
      }
      const unsigned n = static_cast<unsigned>((y1 - y0) * (x1 - x0));
      std::uint8_t* o = out + static_cast<std::size_t>(x) * 3;
      for (int c = 0; c < 3; ++c) o[c] = static_cast<std::uint8_t>((sum[c] + n / 2) / n);
    }
  }
}

// The image at its own size with its top-left at `at`, clipped.
void DrawAt(TMyBitmap& dst, TMyPoint at, const TMyRect& clip, const TMyBitmap& img) {
  const TMyRect r = ClipTo({at.x, at.y, at.x + img.width, at.y + img.height}, clip);
  const int w = r.right - r.left;
  if (w <= 0) return;
  for (int y = r.top; y < r.bottom; ++y) {
    std::copy_n(img.Row(y - at.y) + static_cast<std::size_t>(r.left - at.x) * 3,
                static_cast<std::size_t>(w) * 3, dst.Row(y) + static_cast<std::size_t>(r.left) * 3);
  }
}

}  // namespace

TMyBitmap LoadWallpaperImage(const WString& file) {
  TMyBitmap image;
  if (file.empty()) return image;
  const WString ext = UpperCaseText(ExtractFileExt(file));
  bool ok = false;
  if (ext == u".JPEG" || ext == u".JPG") {
    ok = capture::LoadJpegFile(image, Utf8(file));
  } else if (ext == u".BMP") {
    ok = capture::LoadBitmapFile(image, Utf8(file));
  }
  if (!ok || image.Empty()) return {};
  return image;
}

void FillBitmapRect(TMyBitmap& bitmap, const TMyRect& rect, std::uint32_t color) {
  const TMyRect r = ClipTo(rect, WholeOf(bitmap));
  for (int y = r.top; y < r.bottom; ++y)
    FillRow(bitmap.Row(y) + static_cast<std::size_t>(r.left) * 3, r.right - r.left, color);
}

void ComposeDesktopPicture(TMyBitmap& bitmap, const WString& file, const TMyScreen& screen,
                           TMyWallpaperSettings& settings, std::uint32_t back) {
  ComposeDesktopPictureOf(bitmap, file.empty() ? GetDesktopWallpaper(settings) : file, screen,
                          settings, back);
}

void ComposeDesktopPictureOf(TMyBitmap& bitmap, const WString& path, const TMyScreen& screen,
                             TMyWallpaperSettings& settings, std::uint32_t back) {
  const int style = ReadWallpaperStyle(settings);
  const int origin = ReadWallpaperOriginX(settings);
  const TMyBitmap image = LoadWallpaperImage(path);

  bitmap.Resize(screen.DesktopWidth(), screen.DesktopHeight());
  FillBitmapRect(bitmap, WholeOf(bitmap), back);
  for (int i = 0; i < screen.MonitorCount(); ++i) {
    const TMyRect mon = PictureRect(screen, screen.Monitors(i));
    const TMyRect clip = ClipTo(mon, WholeOf(bitmap));
    FillBitmapRect(bitmap, clip, back);
    if (image.Empty()) continue;
    switch (style) {
      case 1: {
        int ref = 0;
        if (origin == -1) {
          ref = i;
        } else if (origin >= 0 && origin < screen.MonitorCount()) {
          ref = origin;
        }
        const TMyRect anchor = PictureRect(screen, screen.Monitors(ref));
        DrawTiled(bitmap, clip, image, {anchor.left, anchor.top});
        break;
      }
      case 2:
        DrawStretched(bitmap, mon, clip, image);
        break;
      default: {
        const int x = mon.left + (RectWidth(mon) - image.width) / 2;
        const int y = mon.top + (RectHeight(mon) - image.height) / 2;
        DrawAt(bitmap, {x, y}, clip, image);
        break;
      }
    }
  }
}

void ArrangeForTiling(TMyBitmap& target, const TMyBitmap& source, std::uint32_t back,
                      const TMyScreen& screen) {
  const int W = screen.DesktopWidth();
  const int H = screen.DesktopHeight();
  target.Resize(W, H);
  FillBitmapRect(target, WholeOf(target), back);
  if (W <= 0 || H <= 0) return;
  for (int i = 0; i < screen.MonitorCount(); ++i) {
    const TMyMonitor& m = screen.Monitors(i);
    const TMyRect region = ClipTo(PictureRect(screen, m), WholeOf(source));
    const int x0 = static_cast<int>(WrapInt64(m.Left(), 0, W - 1));
    const int y0 = static_cast<int>(WrapInt64(m.Top(), 0, H - 1));
    const int w = region.right - region.left;
    for (int v = 0; v < region.bottom - region.top; ++v) {
      const std::uint8_t* src = source.Row(region.top + v) + static_cast<std::size_t>(region.left) * 3;
      std::uint8_t* dst = target.Row((y0 + v) % H);
      // The part past the right edge continues at the left edge.
      const int first = std::min(w, W - x0);
      std::copy_n(src, static_cast<std::size_t>(first) * 3, dst + static_cast<std::size_t>(x0) * 3);
      if (w > first)
        std::copy_n(src + static_cast<std::size_t>(first) * 3,
                    static_cast<std::size_t>(w - first) * 3, dst);
    }
  }
}

}  // namespace mivaro
