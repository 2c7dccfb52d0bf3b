// What the windows and tools attached to the main window do for it.
//
// Each attached part (the playlist window, the Send-To menus, the capture tool, the screen
// modes, the file commands) fills one of these small interfaces and registers it in the main
// window's TMyWindowLinks. The main window calls them from the user-interface thread only.
// It does not own them: an attached part is a child of the main window and outlives every
// call, and it takes its pointer back (sets it to null) if it goes first. A part that is not
// attached is null; the commands it brings then stay disabled through the main window's
// state rules, and nothing else disables them.
#pragma once

#include "core/ustring.h"

namespace mivaro {

class TMyIniFile;

// The playlist window.
class TMyPlaylistLink {
 public:
  virtual ~TMyPlaylistLink() = default;
  // `index` became the current entry: its row is drawn as current.
  virtual void MarkCurrent(int index) = 0;
  // The playlist changed; it now holds `count` entries.
  virtual void Refresh(int count) = 0;
  // Off while a busy command runs, so that the list takes no input meanwhile.
  virtual void SetInputEnabled(bool enabled) = 0;
  // The window's own keys in the program's settings; its bounds only with `with_bounds`.
  virtual void LoadSettings(TMyIniFile& ini, bool with_bounds) = 0;
  virtual void SaveSettings(TMyIniFile& ini) = 0;
};

// The Send-To sub-menus (and the tray icon's copy of the pop-up menu).
class TMySendToLink {
 public:
  virtual ~TMySendToLink() = default;
  // The file the entries send: the one that opened last.
  virtual void SetTarget(WStringView file) = 0;
  // The main window's command states changed: the entries follow.
  virtual void UpdateStates() = 0;
  virtual void LoadSettings(TMyIniFile& ini) = 0;
  virtual void SaveSettings(TMyIniFile& ini) = 0;
};

// The frame-capture tool.
class TMyCaptureLink {
 public:
  virtual ~TMyCaptureLink() = default;
  // True while the tool is on show; the capture command waits until it is closed.
  virtual bool IsOpen() const = 0;
  // Shows the tool on `file` at `seconds`.
  virtual void OpenAt(WStringView file, double seconds) = 0;
};

// The screen modes and the video sizes (the wallpaper video, the two full-screen modes, the
// fixed zooms and aspect presets). The part connects those actions itself.
class TMyScreenModeLink {
 public:
  virtual ~TMyScreenModeLink() = default;
  // The video's size changed: the window and the screen mode fit it again.
  virtual void VideoSizeChanged() = 0;
};

// The file commands (rename, copy, move, delete) and the sort commands of the playlist. The
// part connects those actions itself; the main window only needs to know that it is there.
class TMyFileCommandLink {
 public:
  virtual ~TMyFileCommandLink() = default;
};

struct TMyWindowLinks {
  TMyPlaylistLink* playlist = nullptr;
  TMySendToLink* send_to = nullptr;
  TMyCaptureLink* capture = nullptr;
  TMyScreenModeLink* screen_modes = nullptr;
  TMyFileCommandLink* file_commands = nullptr;
};

}  // namespace mivaro
