// Shell services: the Trash, starting files and programs, opening folders, the properties
// window, and the user's special folders.
//
// Documents, folders and URLs open in the desktop's default application; programs (ELF
// files and scripts with the execute bit, names found on PATH) start directly; ".desktop"
// launchers start their application. Failures are ignored unless a result says otherwise.
#pragma once

#include <functional>
#include <vector>

#include "core/ustring.h"

namespace mivaro {

// A started process. `pid` is 0 when nothing was started or the launcher gave no process
// id. The process is not a child that must be waited for: it is reaped by the system.
struct TMyProcess {
  int pid = 0;
  explicit operator bool() const { return pid > 0; }
};

// Sends a file or folder to the Trash without asking (one trailing separator is ignored).
// Returns false when it could not be trashed; the item is then left where it was, never
// deleted for good.
bool RecycleItem(WStringView path);

// Starts `file` through the desktop with the parameter text `params` (split like a Windows
// command line: blanks separate, double quotes group, "\"" is a quote). `file` may be
// quoted. Returns the process, or an empty one on failure.
TMyProcess ShellExecuteProcess(WStringView file, WStringView params);
// The same, keeping no process; false when nothing could be started.
bool ShellExecuteFile(WStringView file, WStringView params);

// The parameter text that RunProgram builds: each trimmed, non-empty argument appended as
// ` "arg"` after one blank (so `a`, ` `, `b c` give `   "a" "b c"`). Quotes inside an
// argument, and backslashes before them or at its end, are escaped so the argument comes
// back whole.
WString BuildProgramParams(const std::vector<WString>& args);
// The program quoted and the arguments quoted, then ShellExecuteProcess.
TMyProcess RunProgram(WStringView program, const std::vector<WString>& args);
// RunProgram with one argument, keeping no process.
bool RunProgramAndClose(WStringView program, WStringView arg);
// RunProgram with one argument, then waits at most `wait_ms` until the new process has
// settled (sleeping, not using the processor) or has ended.
bool RunProgramWaitIdle(WStringView program, WStringView arg, int wait_ms);
// Waits at most `wait_ms` until the process has settled or ended; true when it did.
bool WaitProcessIdle(const TMyProcess& process, int wait_ms);
// Ends the bookkeeping of a process (the process itself keeps running).
void CloseProcess(TMyProcess& process);

// Splits a parameter text by the rules above (the inverse of BuildProgramParams).
std::vector<WString> SplitCommandLine(WStringView params);

// Opens the folder that holds `path` in the file manager.
void OpenContainingFolder(WStringView path);

// Shows the program's own properties window for a file. The UI installs the window; without
// it nothing happens.
void ShowFileProperties(WStringView path);
void SetShowFilePropertiesHook(std::function<void(WStringView path)> hook);

// ---- Special folders --------------------------------------------------------------------

// The folder numbers the program asks for.
inline constexpr int kCsidlDesktop = 0;
inline constexpr int kCsidlMyDocuments = 5;
inline constexpr int kCsidlMyMusic = 13;
inline constexpr int kCsidlMyVideo = 14;
inline constexpr int kCsidlDesktopDirectory = 16;
inline constexpr int kCsidlAppData = 26;
inline constexpr int kCsidlLocalAppData = 28;
inline constexpr int kCsidlProgramFiles = 38;
inline constexpr int kCsidlMyPictures = 39;
inline constexpr int kCsidlProfile = 40;

// The folder's path with a trailing "/", empty when it is unknown or missing. The user
// folders come from the XDG user folders; "Program Files" is /usr/bin.
WString GetSpecialFolder(int csidl);
WString GetMyMusicFolder();
WString GetMyVideosFolder();
WString GetMyPicturesFolder();
WString GetMyDocumentsFolder();
WString GetProgramFilesFolder();

}  // namespace mivaro
