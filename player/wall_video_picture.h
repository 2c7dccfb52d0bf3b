// The desktop pictures of wallpaper video: what the desktop shows with a given wallpaper
// on every monitor, and that picture rearranged so that a wallpaper tiled from the origin
// of the desktop shows each monitor's part in its place.
//
// Pure image code over the 24-bit bitmaps of the capture tool; the monitors come from a
// TMyScreen and the wallpaper values from a TMyWallpaperSettings store. Colours are 0xRRGGBB.
#pragma once

#include <cstdint>

#include "capture/image_files.h"
#include "core/numbers.h"
#include "core/ustring.h"
#include "player/monitor_model.h"
#include "player/wall_video_settings.h"

namespace mivaro {

using capture::TMyBitmap;

// The wallpaper picture of `file`: ".JPG" / ".JPEG" through the JPEG reader, ".BMP" as a
// bitmap (extensions compared in upper case). A missing file, another extension or a file
// that does not decode gives an empty bitmap.
TMyBitmap LoadWallpaperImage(const WString& file);

// Fills the part of `rect` that lies inside the bitmap.
void FillBitmapRect(TMyBitmap& bitmap, const TMyRect& rect, std::uint32_t color);

// `bitmap` becomes DesktopWidth x DesktopHeight and shows, on each monitor, the background
// colour `back` with `file` drawn by the store's style: tiled from the top-left corner of
// the monitor that "WallpaperOriginX" names (-1: every monitor its own; another index out
// of range: monitor 0), stretched over the monitor, or centred at its own size. An empty
// `file` means the wallpaper currently set.
void ComposeDesktopPicture(TMyBitmap& bitmap, const WString& file, const TMyScreen& screen,
                           TMyWallpaperSettings& settings, std::uint32_t back);
// The same with `file` taken as it is: an empty name draws no picture.
void ComposeDesktopPictureOf(TMyBitmap& bitmap, const WString& file, const TMyScreen& screen,
                             TMyWallpaperSettings& settings, std::uint32_t back);

// `target` becomes desktop-sized, filled with `back`; each monitor's region of `source` is
// copied to the monitor's left and top wrapped into the picture, running over the right and
// bottom edges onto the left and top.
void ArrangeForTiling(TMyBitmap& target, const TMyBitmap& source, std::uint32_t back,
                      const TMyScreen& screen);

}  // namespace mivaro
