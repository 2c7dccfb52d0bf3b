// Qt implementations of the hooks in core/hooks.h.
//
// Toolkit-free code pumps the event loop, asks questions, and reads Escape and the
// modifier keys through those hooks; InstallDesktopHooks() connects them to Qt once a
// QApplication exists. Tests may replace single hooks afterwards (for example the message
// hook, so that no modal box waits for a user).
#pragma once

#include <QString>

namespace mivaro {

// Installs every hook. `caption` is the caption of message boxes (the product name).
// Call after the QApplication has been created; calling it again replaces the caption.
void InstallDesktopHooks(const QString& caption);

// True while Escape is held, as tracked by the application-wide event filter.
bool DesktopEscapeHeld();

// Marks the application as closing: long loops that ask IsApplicationTerminating() stop.
// The main window sets it when it is closed during a long command and clears it when it is
// created.
void SetDesktopTerminating(bool terminating);

// The caption that message boxes use.
QString MessageCaption();

}  // namespace mivaro
