// The desktop side of wallpaper video, as the player control calls it.
//
// The player positions the video on a monitor and then asks the desktop to show the
// overlay colour key as that monitor's wallpaper (ShowWallVideo), and later to restore the
// user's wallpaper (HideWallVideo). The desktop code installs the implementation; until it
// does, both do nothing.
#pragma once

#include <cstdint>
#include <functional>

namespace mivaro {

void ShowWallVideo(int monitor, std::uint32_t colorKey);
void HideWallVideo();

void SetWallVideoHooks(std::function<void(int monitor, std::uint32_t colorKey)> show,
                       std::function<void()> hide);

}  // namespace mivaro
