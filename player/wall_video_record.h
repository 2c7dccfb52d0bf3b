// The crash record of wallpaper video: while the mode is on, a small file beside the
// settings says which wallpaper to give back. Turning the mode off removes it; a player
// that was killed leaves it behind, and the next start (or the sub player, once its player
// has gone) restores the wallpaper from it.
#pragma once

#include <optional>
#include <string>

#include "core/ustring.h"
#include "player/wall_video_settings.h"

namespace mivaro {

struct TMyWallVideoRecord {
  WString Wallpaper;   // the user's wallpaper file; empty when none was set
  int Style = 0;       // 0 centred, 1 tiled, 2 stretched
  std::string Native;  // the store's own state (TMyWallpaperSettings::NativeState)
  long long Pid = 0;   // the player that turned the mode on
};

// "<settings base>.wallpaper.restore".
std::string WallVideoRecordPath();

bool WriteWallVideoRecord(const std::string& path, const TMyWallVideoRecord& record);
// nullopt when there is no record or it is not one.
std::optional<TMyWallVideoRecord> ReadWallVideoRecord(const std::string& path);

// Puts back what `record` saved: the style values, the picture, then the native state.
void RestoreWallpaper(TMyWallpaperSettings& settings, const TMyWallVideoRecord& record);

// When a record exists and the player that wrote it no longer runs, restores the wallpaper
// from it and removes it. True when a wallpaper was restored. A record of a running player
// (this one or another) is left alone.
bool RestoreWallpaperLeftBehind(TMyWallpaperSettings& settings, const std::string& path);

}  // namespace mivaro
