// Where the desktop keeps its wallpaper, seen the way the wallpaper code reads it: a picture
// file plus the values "TileWallpaper" ("0"/"1"), "WallpaperStyle" ("0"/"1"/"2") and
// "WallpaperOriginX" (an integer) under the desktop key.
//
// A store maps these onto whatever its desktop keeps (GSettings picture-options, the X root
// window picture, a plain file in tests). Stores never throw; a value that cannot be read is
// missing.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "core/ustring.h"

namespace mivaro {

class TMyWallpaperSettings {
 public:
  virtual ~TMyWallpaperSettings() = default;

  // The wallpaper picture file in effect; empty when none is set.
  virtual WString Wallpaper() = 0;
  // Makes `path` the wallpaper, drawn by the style values written before; an empty path
  // removes the picture. False when the desktop did not take it.
  virtual bool SetWallpaper(const WString& path) = 0;

  // A value under the desktop key; nullopt when it is missing or cannot be read.
  virtual std::optional<WString> ReadValue(WStringView name) = 0;
  virtual void WriteValue(WStringView name, const WString& value) = 0;

  // The desktop background colour (0xRRGGBB), drawn where no picture lies.
  virtual std::uint32_t BackgroundColor() = 0;

  // What the store needs beyond path and style to give the desktop back exactly as it was
  // (one line of text, kept in the crash record), and putting it back. Empty by default.
  virtual std::string NativeState() { return {}; }
  virtual void RestoreNativeState(const std::string& /*state*/) {}
};

// 1 tiled when "TileWallpaper" is not "0"; else "WallpaperStyle" "1" -> 1, "2" -> 2, and 0
// (centred) for anything else, a missing value included.
int ReadWallpaperStyle(TMyWallpaperSettings& settings);
// "WallpaperOriginX" as decimal text; 0 when missing or not a number.
int ReadWallpaperOriginX(TMyWallpaperSettings& settings);
WString GetDesktopWallpaper(TMyWallpaperSettings& settings);
// Style 1 writes "TileWallpaper" "1", "WallpaperStyle" "1"; 2 writes "0", "2"; else "0", "0".
void WriteWallpaperStyle(TMyWallpaperSettings& settings, int style);

// A store in a small text file of "name=value" lines (the wallpaper path under "Wallpaper",
// the colour under "Background" as RRGGBB hex). Used where a desktop has no store of its
// own, and by the tests. Every change is written through the atomic writer.
class TMyFileWallpaperSettings : public TMyWallpaperSettings {
 public:
  explicit TMyFileWallpaperSettings(std::string path);

  WString Wallpaper() override;
  bool SetWallpaper(const WString& path) override;
  std::optional<WString> ReadValue(WStringView name) override;
  void WriteValue(WStringView name, const WString& value) override;
  std::uint32_t BackgroundColor() override;

  const std::string& Path() const { return path_; }
  // How often SetWallpaper ran (tests check that nothing was set).
  int SetCount() const { return setCount_; }

 private:
  std::string path_;
  int setCount_ = 0;
};

// "name=value" lines of UTF-8 text, as the file store and the crash record keep them. A
// missing or unreadable file reads as no values; saving goes through the atomic writer.
using TMyValueLines = std::map<std::string, std::string>;
TMyValueLines LoadValueLines(const std::string& path);
bool SaveValueLines(const std::string& path, const TMyValueLines& values);

// The store the program uses; the desktop layer installs one at start-up. Without one the
// wallpaper code does nothing.
TMyWallpaperSettings* WallpaperSettings();
void SetWallpaperSettings(std::shared_ptr<TMyWallpaperSettings> settings);

}  // namespace mivaro
