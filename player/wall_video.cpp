// Hooks of the desktop side of wallpaper video (see wall_video.h).
#include "player/wall_video.h"

#include <mutex>

namespace mivaro {

namespace {
std::mutex g_mutex;
std::function<void(int, std::uint32_t)> g_show;
std::function<void()> g_hide;
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

}  // namespace mivaro
