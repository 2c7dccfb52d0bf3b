// Registering programs in the Send-To folder: a program or script gets a ".desktop"
// launcher written for it, a launcher is copied; an existing file of the same name is
// overwritten only when the user says so, or the user picks another name.
#pragma once

#include <functional>

#include "core/ustring.h"

namespace mivaro {

enum class TMySendToFileKind {
  None,      // missing, a folder, or neither a program, a script nor a launcher
  Program,   // an ELF file or an executable script
  Script,    // a ".sh" file without the execute bit (its launcher runs it through sh)
  Launcher,  // a ".desktop" file
};
TMySendToFileKind SendToFileKind(WStringView file);

// The folder + the file's name, + ".desktop" unless the file is a launcher itself.
WString SendToRegisterDestination(WStringView send_to_folder, WStringView file);

// The question asked when `destination` exists: for a launcher to be written, the existing
// launcher's target, arguments, working folder and description; for a launcher to be
// copied, the sizes and write times of both files.
WString SendToOverwriteQuestion(WStringView file, WStringView destination);

// Writes the registration of `file` at `destination`: a launcher (target the file, working
// folder its folder; ".desktop" added when the name lacks it) or a copy of the launcher.
// Returns the path written, empty on failure.
WString WriteSendToRegistration(WStringView file, WStringView destination);

// Registers one file in the folder, asking (through the message hook) before replacing a
// file: Yes overwrites, No calls `choose_other` with the proposed destination to pick
// another name (false: cancelled), Cancel ends. Returns the path written, empty when
// nothing was written (not registrable, folder missing, cancelled, or writing failed).
WString RegisterSendToFile(WStringView send_to_folder, WStringView file,
                           const std::function<bool(WString& destination)>& choose_other);

}  // namespace mivaro
