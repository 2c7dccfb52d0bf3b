// The main window's message boxes. All go through ShowMessage (core/hooks.h), whose
// caption is the product name; "\r" in a text is a line break.
#pragma once

#include "core/hooks.h"
#include "core/ustring.h"

namespace mivaro {

inline void ShowNotice(WStringView text) { ShowMessage(text, MessageKind::Notice); }
// kIdYes (6) or kIdNo (7).
inline int AskYesNo(WStringView text) { return ShowMessage(text, MessageKind::YesNo); }
// kIdYes (6), kIdNo (7) or kIdCancel (2).
inline int AskYesNoCancel(WStringView text) { return ShowMessage(text, MessageKind::YesNoCancel); }

}  // namespace mivaro
