#include "player/wall_video_record.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "core/paths.h"
#include "core/version.h"

namespace mivaro {

namespace {

bool ProcessRuns(long long pid) {
  if (pid <= 0) return false;
  if (pid == static_cast<long long>(::getpid())) return true;
  return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

}  // namespace

std::string WallVideoRecordPath() {
  return Utf8(ChangeFileExt(GetAppBaseFileName(), u".wallpaper.restore"));
}

bool WriteWallVideoRecord(const std::string& path, const TMyWallVideoRecord& record) {
  return SaveValueLines(path, {{"Wallpaper", Utf8(record.Wallpaper)},
                               {"Style", std::to_string(record.Style)},
                               {"Native", record.Native},
                               {"Pid", std::to_string(record.Pid)}});
}

std::optional<TMyWallVideoRecord> ReadWallVideoRecord(const std::string& path) {
  const TMyValueLines values = LoadValueLines(path);
  const auto wallpaper = values.find("Wallpaper");
  const auto style = values.find("Style");
  if (wallpaper == values.end() || style == values.end()) return std::nullopt;
  TMyWallVideoRecord record;
  record.Wallpaper = U16(wallpaper->second);
  record.Style = style->second == "1" ? 1 : style->second == "2" ? 2 : 0;
  if (const auto it = values.find("Native"); it != values.end()) record.Native = it->second;
  if (const auto it = values.find("Pid"); it != values.end()) {
    try {
      record.Pid = std::stoll(it->second);
    } catch (...) {
      record.Pid = 0;
    }
  }
  return record;
}

void RestoreWallpaper(TMyWallpaperSettings& settings, const TMyWallVideoRecord& record) {
  WriteWallpaperStyle(settings, record.Style);
  settings.SetWallpaper(record.Wallpaper);
  if (!record.Native.empty()) settings.RestoreNativeState(record.Native);
}

bool RestoreWallpaperLeftBehind(TMyWallpaperSettings& settings, const std::string& path) {
  const std::optional<TMyWallVideoRecord> record = ReadWallVideoRecord(path);
  if (!record) {
    // Not a record (cut short, or garbage): nothing to restore from, and nothing to keep.
    std::remove(path.c_str());
    return false;
  }
  if (ProcessRuns(record->Pid)) return false;
  RestoreWallpaper(settings, *record);
  std::remove(path.c_str());
  return true;
}

}  // namespace mivaro
