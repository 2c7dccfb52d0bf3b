// The application's error message box and its title.
#pragma once

#include "core/ustring.h"

namespace mivaro {

// Shows text in a message box with an OK button and no icon, captioned with the
// application title (through the message hook of core/hooks.h).
void ShowErrorMessage(WStringView text);

// The product name of the running program's version record; when that is empty, the
// program file's name without folder and extension.
WString GetApplicationTitle();
// The same for any program file: its version record's product name, else its file name
// without folder and extension.
WString GetProgramTitle(WStringView programPath);

// Full path of the running program (/proc/self/exe); when that cannot be read, the first
// command-line argument.
WString GetProcessImageName();

}  // namespace mivaro
