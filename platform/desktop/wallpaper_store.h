// Choosing the wallpaper store of this desktop, and the wallpaper-video set-up of a
// process.
//
// MIVARO_WALLPAPER_STORE picks one explicitly: "gsettings", "root", or "file:PATH" (the
// plain file store, used by tests). Otherwise GNOME-family desktops (XDG_CURRENT_DESKTOP
// naming GNOME, Unity, Budgie or Pantheon) use their background settings when the schema is
// installed, and every other X desktop the root window picture.
#pragma once

#include <functional>
#include <memory>

#include "player/monitor_model.h"
#include "player/wall_video_settings.h"

namespace mivaro {

// The monitors in the toolkit's order (the order the player control numbers them), in
// device pixels.
TMyScreen DesktopScreens();

// nullptr when no store works here (no X display, no settings).
std::shared_ptr<TMyWallpaperSettings> OpenDesktopWallpaperSettings();

// Opens the store (once per process) and gives back a wallpaper that a killed player left
// behind. True when one was restored.
bool RestoreLeftBehindWallpaper();

// A player's set-up: the store, the restore above, and the wallpaper mode behind
// ShowWallVideo / HideWallVideo. `mainWindowMonitor` answers the monitor index of the main
// window.
void InstallDesktopWallVideo(std::function<int()> mainWindowMonitor);

}  // namespace mivaro
