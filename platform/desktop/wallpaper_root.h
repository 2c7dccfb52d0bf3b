// The wallpaper of a desktop without a settings store of its own: the X root window's
// picture, as the common "setroot" programs leave it (a pixmap named by the root
// properties _XROOTPMAP_ID and ESETROOT_PMAP_ID, kept after its client leaves).
//
// There is no picture file behind a root pixmap, so the wallpaper in effect is read as its
// pixels: saved to `snapshotFile` (a 24-bit BMP) whose path stands for the user's picture.
// A picture set here is drawn over the whole root window by the style values (tiled from
// the root's origin, stretched, or centred), which the store keeps in memory: tiled, with
// "WallpaperOriginX" the monitor at the root's origin, so that a snapshot composes back
// onto every monitor in place.
#pragma once

#include <xcb/xcb.h>

#include <functional>
#include <map>
#include <string>

#include "player/monitor_model.h"
#include "player/wall_video_settings.h"

namespace mivaro {

class TMyRootWindowWallpaper : public TMyWallpaperSettings {
 public:
  // `display` as for xcb_connect (nullptr: $DISPLAY).
  TMyRootWindowWallpaper(std::string snapshotFile, std::function<TMyScreen()> screens,
                         const char* display = nullptr);
  ~TMyRootWindowWallpaper() override;

  bool Connected() const { return conn_ != nullptr; }

  WString Wallpaper() override;
  bool SetWallpaper(const WString& path) override;
  std::optional<WString> ReadValue(WStringView name) override;
  void WriteValue(WStringView name, const WString& value) override;
  std::uint32_t BackgroundColor() override { return 0x000000; }
  // The user's own pixmap id: while it still exists, restoring points the root back at it.
  std::string NativeState() override;
  void RestoreNativeState(const std::string& state) override;

 private:
  xcb_pixmap_t RootPixmap();
  void PointRootAt(xcb_connection_t* c, xcb_pixmap_t pixmap, const std::string& mark);
  void FreeOwnPixmap();

  std::string snapshotFile_;
  std::function<TMyScreen()> screens_;
  std::string display_;
  xcb_connection_t* conn_ = nullptr;
  xcb_screen_t* screen_ = nullptr;
  std::map<std::u16string, std::u16string> values_;
};

}  // namespace mivaro
