// Hooks of the desktop side of wallpaper video and the mode itself (see wall_video.h).
#include "player/wall_video.h"

#include <unistd.h>

#include <mutex>

#include "core/paths.h"
#include "core/files.h"
#include "player/wall_video_picture.h"
#include "player/wall_video_record.h"

namespace mivaro {

namespace {
std::mutex g_mutex;
std::function<void(int, std::uint32_t)> g_show;
std::function<void()> g_hide;

std::unique_ptr<TMyWallVideo> g_wall;
std::shared_ptr<TMyWallVideoEnv> g_env;

// 0x00BBGGRR as 0xRRGGBB.
std::uint32_t ColorRefToRgb(std::uint32_t c) {
  return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}
}  // namespace

void ShowWallVideo(int monitor, std::uint32_t colorKey) {
  std::function<void(int, std::uint32_t)> show;
  {
    std::lock_guard lock(g_mutex);
    show = g_show;
  }
  if (show) show(monitor, colorKey);
}

void HideWallVideo() {
  std::function<void()> hide;
  {
    std::lock_guard lock(g_mutex);
    hide = g_hide;
  }
  if (hide) hide();
}

void SetWallVideoHooks(std::function<void(int, std::uint32_t)> show, std::function<void()> hide) {
  std::lock_guard lock(g_mutex);
  g_show = std::move(show);
  g_hide = std::move(hide);
}

TMyWallVideo::TMyWallVideo(int monitor, std::uint32_t colorKey, TMyWallVideoEnv env)
    : env_(std::move(env)) {
  TMyWallpaperSettings& settings = *env_.Settings;
  ColorKey = colorKey;
  SavedWallpaper = GetDesktopWallpaper(settings);
  SavedStyle = static_cast<std::uint8_t>(ReadWallpaperStyle(settings));
  BackColor = settings.BackgroundColor();
  savedNative_ = settings.NativeState();
  // Written before the desktop changes: a player killed from here on leaves it behind.
  if (!env_.RecordFile.empty()) {
    WriteWallVideoRecord(env_.RecordFile,
                         {SavedWallpaper, SavedStyle, savedNative_, static_cast<long long>(::getpid())});
  }
  Show(monitor);
}

TMyWallVideo::~TMyWallVideo() {
  RestoreWallpaper(*env_.Settings, {SavedWallpaper, SavedStyle, savedNative_, 0});
  if (!env_.RecordFile.empty()) std::remove(env_.RecordFile.c_str());
}

void TMyWallVideo::Show(int monitor) {
  TMyWallpaperSettings& settings = *env_.Settings;
  const TMyScreen screen = env_.Screens ? env_.Screens() : TMyScreen();
  bool changed = false;
  if (monitor < 0 || monitor >= screen.MonitorCount()) {
    MonitorIndex = env_.MainWindowMonitor ? env_.MainWindowMonitor() : 0;
    changed = true;
  } else if (monitor != MonitorIndex) {
    MonitorIndex = monitor;
    changed = true;
  }
  if (SavedStyle != 1) WriteWallpaperStyle(settings, 1);

  // On another monitor the picture starts again from the user's own wallpaper, so the old
  // monitor loses its key; with no wallpaper saved that is the plain background (the
  // wallpaper currently set would be the old keyed picture).
  TMyBitmap composed;
  if (changed) {
    ComposeDesktopPictureOf(composed, SavedWallpaper, screen, settings, BackColor);
  } else {
    ComposeDesktopPicture(composed, WString(), screen, settings, BackColor);
  }
  const TMyMonitor& m = screen.Monitors(MonitorIndex);
  FillBitmapRect(composed,
                 {m.BoundsRect.left - screen.DesktopLeft(), m.BoundsRect.top - screen.DesktopTop(),
                  m.BoundsRect.right - screen.DesktopLeft(), m.BoundsRect.bottom - screen.DesktopTop()},
                 ColorRefToRgb(ColorKey));
  TMyBitmap arranged;
  ArrangeForTiling(arranged, composed, BackColor, screen);
  // A picture that cannot be saved leaves the wallpaper as it is.
  capture::SaveBitmapAsBmp(arranged, env_.PictureFile);
  if (FileExists(U16(env_.PictureFile))) settings.SetWallpaper(U16(env_.PictureFile));
}

void InstallWallVideo(TMyWallVideoEnv env) {
  {
    std::lock_guard lock(g_mutex);
    g_env = std::make_shared<TMyWallVideoEnv>(std::move(env));
  }
  SetWallVideoHooks(
      [](int monitor, std::uint32_t key) {
        std::shared_ptr<TMyWallVideoEnv> current;
        {
          std::lock_guard lock(g_mutex);
          current = g_env;
        }
        if (!current || !current->Settings) return;
        if (!g_wall) {
          g_wall = std::make_unique<TMyWallVideo>(monitor, key, *current);
        } else {
          g_wall->Show(monitor);
        }
      },
      [] { g_wall.reset(); });
}

bool WallVideoActive() { return g_wall != nullptr; }

}  // namespace mivaro
