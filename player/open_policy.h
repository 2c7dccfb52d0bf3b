// What the main window's open commands add: the extensions never added to the playlist,
// and the files of a folder opened without its subfolders.
#pragma once

#include <functional>
#include <vector>

#include "core/ustring.h"

namespace mivaro {

// The extensions (lower case, with the dot; "?" matches one character) that adding files
// leaves out, in the program's order.
const std::vector<WString>& ExcludedExtensions();

// The files directly in `folder`, not those of its subfolders, sorted as paths
// (TMyWStrings::ComparePaths): folders list them in no particular order. `each_entry`
// runs after every entry read (the window pumps messages there).
std::vector<WString> FolderOwnFiles(WStringView folder, const std::function<void()>& each_entry);

}  // namespace mivaro
