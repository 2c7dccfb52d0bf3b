// The wallpaper of GNOME and the desktops that share its background settings (Unity,
// Budgie, Pantheon): org.gnome.desktop.background picture-uri (and picture-uri-dark, where
// the schema has it), picture-options and primary-color.
//
// picture-options maps onto the style values: "wallpaper" is tiled; "stretched", "zoom",
// "scaled" and "spanned" read as stretched; "centered" and "none" as centred. Writing
// tiled sets "wallpaper", stretched "stretched", centred "centered"; the exact options and
// pictures in effect are kept as the native state and put back on restoring.
#pragma once

#include <memory>

#include "player/wall_video_settings.h"

typedef struct _GSettings GSettings;

namespace mivaro {

class TMyGSettingsWallpaper : public TMyWallpaperSettings {
 public:
  // nullptr when the schema is not installed.
  static std::unique_ptr<TMyGSettingsWallpaper> Open();
  ~TMyGSettingsWallpaper() override;

  WString Wallpaper() override;
  bool SetWallpaper(const WString& path) override;
  std::optional<WString> ReadValue(WStringView name) override;
  void WriteValue(WStringView name, const WString& value) override;
  std::uint32_t BackgroundColor() override;
  std::string NativeState() override;
  void RestoreNativeState(const std::string& state) override;

 private:
  TMyGSettingsWallpaper(GSettings* settings, bool hasDark);
  std::string Options();

  GSettings* settings_;
  bool hasDark_;
  // Style values written since the last SetWallpaper; applied with the picture.
  std::optional<WString> tile_, style_;
};

}  // namespace mivaro
