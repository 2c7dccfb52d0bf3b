// The freedesktop.org Trash, through GIO.
#pragma once

#include <string>

namespace mivaro::os {

// Moves the file or folder into the Trash of its file system (the user's Trash under
// $XDG_DATA_HOME for the home file system), with its .trashinfo record. False, leaving the
// item in place, when that is not possible; `error` then says why.
bool TrashItem(const std::string& native_path, std::string* error = nullptr);

}  // namespace mivaro::os
