// Which of the main window's commands are offered, as a function of what is there: open
// media, entries, a video, the screen mode and the attached parts. The window gathers the
// facts, asks this and enables its actions group by group.
#pragma once

namespace mivaro {

struct TMyActionFacts {
  bool opened = false;          // media is open
  bool has_items = false;       // the playlist has entries
  bool current = false;         // one of them is the current entry
  bool video = false;           // the open media shows a picture
  bool full_screen = false;     // full screen or enlarged full screen is on
  bool file_commands = false;   // the file and sort commands are attached
  bool capture_ready = false;   // the capture tool is attached and not on show
  bool wallpaper = false;       // the wallpaper command is attached
  bool clipboard_text = false;  // the clipboard holds text
};

struct TMyActionStates {
  bool playback = false;       // play/pause, replay, skips, frame steps, the seek bar
  bool navigation = false;     // back and next
  bool wallpaper = false;
  bool screen_modes = false;   // full screen, enlarged full screen, the zoom steps
  bool fixed_sizes = false;    // the fixed zooms, fit and the aspect presets
  bool capture = false;
  bool entry = false;          // delete from the list, properties
  bool file_commands = false;  // rename, copy, move, remove, trash
  bool list = false;           // clear, copy, save as
  bool sort = false;
  bool paste = false;
};

TMyActionStates ActionStates(const TMyActionFacts& facts);

}  // namespace mivaro
