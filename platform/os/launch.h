// Starting programs and opening files in the desktop's applications, through GLib and GIO.
#pragma once

#include <string>
#include <vector>

namespace mivaro::os {

// Starts argv[0] (a path, or a name looked up on PATH) with the arguments. The process is
// detached: the system reaps it. `pid` receives its process id. False when it could not
// be started.
bool SpawnProgram(const std::vector<std::string>& argv, int& pid, std::string* error = nullptr);

// Starts the application of a ".desktop" launcher with the given files (paths or URIs).
// `pid` receives the process id when the launcher reports one, else 0.
bool LaunchDesktopFile(const std::string& native_desktop_file,
                       const std::vector<std::string>& files, int& pid,
                       std::string* error = nullptr);

// Opens a file, folder or URI in the desktop's default application for it.
bool LaunchDefault(const std::string& path_or_uri, int& pid, std::string* error = nullptr);

// The full path of a program name found on PATH, or empty.
std::string FindProgramInPath(const std::string& name);

// State of a running process: false when it has ended (or never existed).
bool ProcessAlive(int pid);
// True when the process is sleeping and used no processor time since the last call with
// the same `cpu_ticks` (which it updates).
bool ProcessSettled(int pid, long long& cpu_ticks);

}  // namespace mivaro::os
