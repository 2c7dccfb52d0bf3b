// TXDesktop: a private X server for window tests that need a real window manager and more
// than one monitor. Xvfb runs one 2880 x 900 screen split into a 1600 x 900 monitor at the
// origin and a 1280 x 720 one to its right (xrandr monitors), with openbox managing it.
//
// Everything a test reads back comes from the server (geometry, properties, pixels), never
// from a toolkit's cache, and the input it sends goes through the server too (xdotool).
#pragma once

#include <sys/types.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/numbers.h"

namespace mivaro::test {

// Starts a program with extra environment entries ("NAME=value"); its standard output goes
// to `stdout_fd` when given.
pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env = {},
            int stdout_fd = -1);
// Spawn and wait for the exit; the exit status, or -1.
int RunProgram(const std::vector<std::string>& argv, const std::vector<std::string>& env = {});
// Polls `done` every few milliseconds until it holds or `limit` passed.
bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit,
             std::chrono::milliseconds every = std::chrono::milliseconds(50));
bool Exited(pid_t pid, std::chrono::milliseconds limit);
// Ends a spawned program: SIGTERM, then SIGKILL when it has not exited within `grace`.
void Stop(pid_t pid, std::chrono::milliseconds grace = std::chrono::seconds(10));

// Starts the player `exe` on `clip` with a settings folder `home` of its own (created and
// given a muted player and the window's client area at `bounds`), on `display`.
pid_t StartPlayer(const std::string& exe, const std::string& clip, const std::string& home,
                  const TMyRect& bounds, std::vector<std::string> env);

class TXDesktop {
 public:
  static constexpr TMyRect kMonitorA{0, 0, 1600, 900};
  static constexpr TMyRect kMonitorB{1600, 0, 2880, 720};

  // Starts the server, names the two monitors and starts openbox; false when one of them
  // could not start.
  bool Start();
  void Shut();
  ~TXDesktop() { Shut(); }

  const std::string& Display() const { return display_; }
  std::string DisplayEnv() const { return "DISPLAY=" + display_; }
  xcb_connection_t* Connection() const { return c_; }
  xcb_window_t Root() const { return root_; }

  // Runs xdotool (or xrandr) against this server; its exit status.
  int Xdotool(const std::vector<std::string>& args) const;
  int Xrandr(const std::vector<std::string>& args) const;

  // Pointer input through the XTEST extension on this process's own connection, returning
  // once the server has taken it (no program to start, for timings).
  void PointerTo(int x, int y) const;
  void Button(int button, bool down) const;
  void Click(int button) const;

  // The managed top-level windows, bottom first.
  std::vector<xcb_window_t> Clients() const;
  // The mapped client window of a process (by _NET_WM_PID) with the largest area; 0 if none.
  xcb_window_t ClientOf(pid_t pid) const;
  // The managed window of `pid` once its title contains `text`; 0 after `limit`.
  xcb_window_t WaitForTitle(pid_t pid, const std::string& text, std::chrono::milliseconds limit) const;
  // A window's own area in root coordinates (without the window manager's frame).
  TMyRect Bounds(xcb_window_t w) const;
  // The area including the frame, from _NET_FRAME_EXTENTS.
  TMyRect FrameBounds(xcb_window_t w) const;
  bool HasState(xcb_window_t w, const char* state) const;
  // The window's mapped children, each with its bounds in root coordinates.
  struct Child {
    xcb_window_t window = 0;
    TMyRect bounds;
  };
  std::vector<Child> Children(xcb_window_t w) const;
  // The bounds of the largest mapped child (for the player: its video window).
  TMyRect LargestChild(xcb_window_t w) const;
  // The window's name (_NET_WM_NAME), empty when it has none.
  std::string Title(xcb_window_t w) const;
  // One pixel of the screen as 0xRRGGBB.
  std::uint32_t Pixel(int x, int y) const;
  std::uint32_t Atom(const char* name) const;

 private:
  pid_t xvfb_ = 0;
  pid_t openbox_ = 0;
  std::string display_;
  xcb_connection_t* c_ = nullptr;
  xcb_window_t root_ = 0;
};

}  // namespace mivaro::test
