// The program's own Send-To folder: where it lives, what it lists, and starting one of its
// entries with the files the user sends.
//
// The folder may hold programs (ELF files, scripts with the execute bit), shell scripts
// without it (run through sh), symbolic links to any of these, and ".desktop" launchers
// (started through GIO, which honours their Exec, Path and field codes). Anything else
// opens in the desktop's application for it.
#pragma once

#include <vector>

#include "core/ustring.h"

namespace mivaro {

// "SendTo/" in the folder of the files beside the program (GetAppBaseDir: the program's
// own folder when it is writable, else the XDG configuration folder).
WString DefaultSendToFolder();
// "SendTo/" inside the given folder.
WString SendToFolderIn(WStringView base_folder);
// Creates the folder and its missing parents; true when it exists afterwards.
bool EnsureSendToFolder(WStringView folder);

// One file of the folder as the menu shows it.
struct TMySendToEntry {
  WString path;     // the full path (the entry's hint)
  WString caption;  // the file's name
  WString icon;     // a launcher's Icon (a theme name or a file path); empty otherwise
};

// The files of the folder and its sub-folders in the file list's sorted order (digits by
// value). Hidden names (a leading ".", such as editors' and writers' temporaries) are left
// out. Empty when the folder is missing.
std::vector<TMySendToEntry> ListSendToEntries(WStringView folder);

// The targets as one parameter text: each in double quotes when it holds blanks or quotes
// (quotes inside doubled), separated by blanks.
WString SendToParamsText(const std::vector<WString>& targets);

// Starts `program` (an entry of the folder) with the targets as its arguments, each
// target one argument whatever it holds. A missing program, a launcher that GIO refuses
// (broken Exec, missing program) or a start that fails gives false and starts nothing.
bool StartSendToEntry(WStringView program, const std::vector<WString>& targets);

}  // namespace mivaro
