// The window that shows wallpaper video: another process's top-level X11 window (the sub
// player's) turned into a desktop-type window over one monitor, and back.
//
// As a desktop window it is kept below every other window by the window manager, is in no
// task bar or pager and takes no focus; the video overlay is then drawn into it. The type
// is set while the window is unmapped, so the window manager sees it when the window maps.
// A window manager that ignores desktop-type windows stacks it like an ordinary window
// that takes no focus; below-state and the lowering done here still put it under the
// others.
#pragma once

#include <cstdint>

#include "core/numbers.h"

namespace mivaro {

class TMyDesktopHost {
 public:
  TMyDesktopHost() = default;
  ~TMyDesktopHost();
  TMyDesktopHost(const TMyDesktopHost&) = delete;
  TMyDesktopHost& operator=(const TMyDesktopHost&) = delete;

  // Makes `window` a desktop window covering `monitor` (X root coordinates). A window
  // already placed is moved to the new monitor. False when there is no X connection or the
  // window does not exist.
  bool Place(std::uint64_t window, const TMyRect& monitor);
  // Gives the window back its former type, stacking, geometry and override state. Nothing
  // when none is placed.
  void Release();

  bool Placed() const { return window_ != 0; }
  std::uint64_t Window() const { return window_; }

 private:
  std::uint64_t window_ = 0;
  TMyRect former_;
  bool formerOverride_ = false;
  bool formerMapped_ = false;
};

}  // namespace mivaro
