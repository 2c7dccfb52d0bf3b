// The version record compiled into the program, and where the program and its files live.
#pragma once

#include "core/ustring.h"

namespace mivaro {

// The program's name as shown in captions and message boxes.
inline constexpr char16_t kProductName[] = u"Mivaro";

// Version values of a program file, in the order of a version resource. A field stays
// empty when the file has no such value.
struct TMyFileVersionInfo {
  WString Comments;
  WString CompanyName;
  WString FileDescription;
  WString FileVersion;
  WString InternalName;
  WString LegalCopyright;
  WString LegalTrademarks;
  WString OriginalFilename;
  WString PrivateBuild;
  WString ProductName;
  WString ProductVersion;
  WString SpecialBuild;
};

// Fills `info` for one of the program's own executables (the running one, or "mivaro" /
// "mivaro-tool" beside it); other files have no version record and leave `info` empty.
// Returns true when something was filled.
bool GetFileVersionInfo(WStringView path, TMyFileVersionInfo& info);
// The version record of this build.
const TMyFileVersionInfo& GetAppVersionInfo();
// FileVersion of a file (empty when it has none).
WString GetFileVersionText(WStringView path);
WString GetAppVersion();
WString GetAppComments();
// ProductName of the running program ("Mivaro"), or its file title when that is empty.
WString GetAppProductName();

// ---- Program location -------------------------------------------------------------------

// The full path of the running program (from /proc/self/exe).
WString GetExeFileName();
// ExtractFilePath of GetExeFileName (with its trailing "/").
WString GetExeDir();

// The base name that the files "beside the program" are derived from with ChangeFileExt:
//   ChangeFileExt(GetAppBaseFileName(), u".ini")          -> .../mivaro.ini
//   ChangeFileExt(GetAppBaseFileName(), u".resume.m3u8")  -> .../mivaro.resume.m3u8
// It is "<folder>mivaro", where the folder is, in order: $MIVARO_HOME when set; the
// program's own folder when that is writable and not a system folder (/usr, /bin, /sbin,
// /lib...: portable use); else $XDG_CONFIG_HOME/mivaro/
// (~/.config/mivaro/), created when missing. The player and mivaro-tool share these files.
WString GetAppBaseFileName();
// ExtractFilePath of GetAppBaseFileName (with its trailing "/"); "SendTo" lives here.
WString GetAppBaseDir();
// The folder where running file moves and copies keep their records ("<base>.transfers"),
// so that the next start removes the temporaries of one that was killed.
WString GetTransferJournalFolder();

}  // namespace mivaro
