// Reading and writing ".desktop" launchers, the Linux form of a shortcut file.
#pragma once

#include <string>
#include <vector>

namespace mivaro::os {

// What a launcher says, in UTF-8. `valid` is GIO's verdict: the file is an application
// launcher whose Exec names a program that exists. A launcher that is not valid still
// reports the keys it holds.
struct TDesktopLauncher {
  bool readable = false;  // a key file with a [Desktop Entry] group
  bool valid = false;
  std::string name;       // Name (localised when the file has a translation)
  std::string exec;       // Exec as written
  std::string target;     // the program: the first word of Exec
  std::string arguments;  // the rest of Exec
  std::string path;       // Path: the working folder
  std::string comment;    // Comment
  std::string icon;       // Icon: a theme name or a file path
};

TDesktopLauncher ReadDesktopLauncher(const std::string& native_file);

// The launcher text for a program: Name, Exec (the program, quoted as launchers quote,
// followed by "%F" so that files are handed over), Path and, when given, Comment.
// `interpreter` non-empty: Exec runs the file through it (a script without execute bit).
// Empty when a value is not UTF-8 (launchers cannot hold such names).
std::string DesktopLauncherText(const std::string& name, const std::string& program,
                                const std::string& working_folder,
                                const std::string& interpreter = {},
                                const std::string& comment = {});

// One word of an Exec line, quoted when it needs it, with the escapes the launcher format
// asks for ("%" doubled; `"`, "`", "$" and "\" escaped inside the quotes).
std::string QuoteExecWord(const std::string& word);

}  // namespace mivaro::os
