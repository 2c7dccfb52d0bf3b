// The desktop side of wallpaper video, as the player control calls it.
//
// The player positions the video on a monitor and then asks the desktop to show the
// overlay colour key as that monitor's wallpaper (ShowWallVideo), and later to restore the
// user's wallpaper (HideWallVideo). Both go through hooks: InstallWallVideo sets them to
// the TMyWallVideo below; until something is installed, both do nothing.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/ustring.h"
#include "player/monitor_model.h"
#include "player/wall_video_settings.h"

namespace mivaro {

void ShowWallVideo(int monitor, std::uint32_t colorKey);
void HideWallVideo();

void SetWallVideoHooks(std::function<void(int monitor, std::uint32_t colorKey)> show,
                       std::function<void()> hide);

// What the wallpaper mode works with.
struct TMyWallVideoEnv {
  std::shared_ptr<TMyWallpaperSettings> Settings;
  // The monitors as they are now.
  std::function<TMyScreen()> Screens;
  // The monitor of the application's main window, for a monitor index out of range.
  std::function<int()> MainWindowMonitor;
  // The composed picture ("<settings base>.wallpaper.bmp") and the crash record.
  std::string PictureFile;
  std::string RecordFile;
};

// One wallpaper mode: created when the mode starts (saving the user's wallpaper path and
// style, and writing the crash record), shown again on each rebuild, and destroyed when the
// mode ends (restoring both and removing the record). The picture file stays on disk.
class TMyWallVideo {
 public:
  TMyWallVideo(int monitor, std::uint32_t colorKey, TMyWallVideoEnv env);
  ~TMyWallVideo();
  TMyWallVideo(const TMyWallVideo&) = delete;
  TMyWallVideo& operator=(const TMyWallVideo&) = delete;

  // Rebuilds the picture with the colour key over monitor `monitor` and sets it tiled.
  void Show(int monitor);

  WString SavedWallpaper;
  std::uint8_t SavedStyle = 0;
  std::uint32_t BackColor = 0;  // 0xRRGGBB
  std::uint32_t ColorKey = 0;   // 0x00BBGGRR, as the overlay reports it
  int MonitorIndex = 0;

 private:
  TMyWallVideoEnv env_;
  std::string savedNative_;
};

// The program-wide instance behind ShowWallVideo / HideWallVideo: the first show creates
// it, later ones show again on the given monitor; hide destroys it.
void InstallWallVideo(TMyWallVideoEnv env);
bool WallVideoActive();

}  // namespace mivaro
