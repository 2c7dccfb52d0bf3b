#include "player/wall_video_settings.h"

#include <fstream>
#include <iterator>
#include <mutex>
#include <sstream>

#include "core/atomic_file.h"
#include "core/numbers.h"

namespace mivaro {

namespace {

std::mutex g_mutex;
std::shared_ptr<TMyWallpaperSettings> g_settings;

}  // namespace

int ReadWallpaperStyle(TMyWallpaperSettings& settings) {
  const std::optional<WString> tile = settings.ReadValue(u"TileWallpaper");
  if (tile && *tile != u"0") return 1;
  const std::optional<WString> style = settings.ReadValue(u"WallpaperStyle");
  if (style && *style == u"1") return 1;
  if (style && *style == u"2") return 2;
  return 0;
}

int ReadWallpaperOriginX(TMyWallpaperSettings& settings) {
  const std::optional<WString> text = settings.ReadValue(u"WallpaperOriginX");
  std::int64_t value = 0;
  if (!text || !TryStrToInt64(*text, value)) return 0;
  return static_cast<int>(ClampInt64(value, INT32_MIN, INT32_MAX));
}

WString GetDesktopWallpaper(TMyWallpaperSettings& settings) { return settings.Wallpaper(); }

void WriteWallpaperStyle(TMyWallpaperSettings& settings, int style) {
  settings.WriteValue(u"TileWallpaper", style == 1 ? u"1" : u"0");
  settings.WriteValue(u"WallpaperStyle", style == 1 ? u"1" : style == 2 ? u"2" : u"0");
}

TMyValueLines LoadValueLines(const std::string& path) {
  TMyValueLines values;
  std::ifstream in(path, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos || eq == 0) continue;
    values[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return values;
}

bool SaveValueLines(const std::string& path, const TMyValueLines& values) {
  std::string text;
  for (const auto& [name, value] : values) {
    // A value never spans lines: a line break would start a new name.
    std::string flat = value;
    for (char& c : flat)
      if (c == '\n' || c == '\r') c = ' ';
    text += name + "=" + flat + "\n";
  }
  return WriteFileAtomicUtf8(path, text);
}

TMyFileWallpaperSettings::TMyFileWallpaperSettings(std::string path) : path_(std::move(path)) {}

WString TMyFileWallpaperSettings::Wallpaper() {
  const TMyValueLines values = LoadValueLines(path_);
  const auto it = values.find("Wallpaper");
  return it == values.end() ? WString() : U16(it->second);
}

bool TMyFileWallpaperSettings::SetWallpaper(const WString& path) {
  ++setCount_;
  TMyValueLines values = LoadValueLines(path_);
  values["Wallpaper"] = Utf8(path);
  return SaveValueLines(path_, values);
}

std::optional<WString> TMyFileWallpaperSettings::ReadValue(WStringView name) {
  const TMyValueLines values = LoadValueLines(path_);
  const auto it = values.find(Utf8(name));
  if (it == values.end()) return std::nullopt;
  return U16(it->second);
}

void TMyFileWallpaperSettings::WriteValue(WStringView name, const WString& value) {
  TMyValueLines values = LoadValueLines(path_);
  values[Utf8(name)] = Utf8(value);
  SaveValueLines(path_, values);
}

std::uint32_t TMyFileWallpaperSettings::BackgroundColor() {
  const TMyValueLines values = LoadValueLines(path_);
  const auto it = values.find("Background");
  if (it == values.end()) return 0x000000;
  try {
    return static_cast<std::uint32_t>(std::stoul(it->second, nullptr, 16)) & 0xFFFFFFu;
  } catch (...) {
    return 0x000000;
  }
}

TMyWallpaperSettings* WallpaperSettings() {
  std::lock_guard lock(g_mutex);
  return g_settings.get();
}

void SetWallpaperSettings(std::shared_ptr<TMyWallpaperSettings> settings) {
  std::lock_guard lock(g_mutex);
  g_settings = std::move(settings);
}

}  // namespace mivaro
