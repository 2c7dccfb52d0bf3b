// Finding and raising the window of a running program (X11): the top-level client windows
// that the window manager lists, matched by the program file of their _NET_WM_PID.
#pragma once

#include <string>

namespace mivaro {

// The program file a launcher or link stands for: a ".desktop" file's executable, a
// symbolic link's target, else the file itself (absolute, links resolved).
std::string ResolveProgramFile(const std::string& program);

// True when the process runs `program` (its executable, or the script its interpreter
// runs), compared without regard to case.
bool ProcessRunsProgram(int pid, const std::string& program);

// Restores (when minimised), raises and activates a top-level window whose process runs
// `program`; false when there is none or no X display.
bool RaiseProgramWindow(const std::string& program);

}  // namespace mivaro
