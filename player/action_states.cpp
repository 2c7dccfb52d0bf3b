#include "player/action_states.h"

namespace mivaro {

TMyActionStates ActionStates(const TMyActionFacts& f) {
  TMyActionStates s;
  s.playback = f.opened;
  s.navigation = f.has_items;
  s.wallpaper = f.wallpaper;
  // The video frame is always there: the steps and the full-screen modes are offered
  // always (without video they do nothing); the fixed sizes need a video in a window.
  s.screen_modes = true;
  s.fixed_sizes = f.video && !f.full_screen;
  s.capture = f.capture_ready && f.video;
  s.entry = f.current;
  // The commands of a part that is not attached stay off.
  s.file_commands = f.file_commands && f.current;
  s.list = f.has_items;
  s.sort = f.file_commands && f.has_items;
  s.paste = f.clipboard_text;
  return s;
}

}  // namespace mivaro
