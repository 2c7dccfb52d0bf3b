// The main window's message boxes. All go through ShowMessage (core/hooks.h), whose
// caption is the product name unless a style names another; "\r" in a text is a line break.
#pragma once

#include "core/message_style.h"
#include "core/ustring.h"

namespace mivaro {

inline void ShowNotice(WStringView text) { ShowMessage(text, MessageKind::Notice); }
// kIdYes (6) or kIdNo (7).
inline int AskYesNo(WStringView text) { return ShowMessage(text, MessageKind::YesNo); }
// kIdYes (6), kIdNo (7) or kIdCancel (2).
inline int AskYesNoCancel(WStringView text) { return ShowMessage(text, MessageKind::YesNoCancel); }

// The question before files go to the trash: its own caption, and No unless Yes is chosen.
inline constexpr MessageStyle kTrashQuestionStyle{u"ファイル削除", true};

}  // namespace mivaro
