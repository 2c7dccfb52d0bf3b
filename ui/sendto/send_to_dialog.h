// The file dialogs of the Send-To menu.
//
// The filter "プログラム" shows folders and executable files only (a name pattern cannot
// say "executable" on Linux, so a filter model does it); the others are name patterns.
#pragma once

#include <vector>

#include "core/ustring.h"
#include "ui/sendto/send_to.h"

class QWidget;

namespace mivaro {

// The dialogs' filter: programs, launchers, scripts, all files.
extern const char16_t kSendToDialogFilter[];

// An open dialog; the chosen files (several when `multiple`), none when cancelled. On OK
// the dialog's folder and filter index are those the user ended in.
std::vector<WString> RunSendToOpenDialog(QWidget* parent, TMySendToDialog& dialog, bool multiple);
// A save dialog starting at `path`; false when cancelled.
bool RunSendToSaveDialog(QWidget* parent, TMySendToDialog& dialog, WString& path);

}  // namespace mivaro
