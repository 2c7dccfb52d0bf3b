// Where the running program lives.
#pragma once

#include <string>

namespace mivaro::os {

// The executable of this process (/proc/self/exe), native bytes; empty when unreadable.
std::string ExecutablePath();
// The path with links and "." / ".." resolved; empty when it does not exist.
std::string CanonicalPath(const std::string& native_path);
// True when this process may create files in the folder.
bool IsWritableFolder(const std::string& native_folder);

}  // namespace mivaro::os
