// The freedesktop.org Trash, through GIO.
#pragma once

#include <string>

namespace mivaro::os {

// Moves the file or folder into the Trash of its file system (the user's Trash under
// $XDG_DATA_HOME for the home file system), with its .trashinfo record. False, leaving the
// item in place, when that is not possible; `error` then says why, and `no_trash` is set
// when the item's file system has no trash at all (GIO refuses tmpfs and other system
// mounts, and a file system whose top folder cannot hold one).
bool TrashItem(const std::string& native_path, std::string* error = nullptr,
               bool* no_trash = nullptr);

}  // namespace mivaro::os
