// Hooks through which toolkit-free code reaches the user interface.
//
// The libraries below ui/ never include a GUI toolkit. Where they must keep the window
// live, ask the user something or learn whether Escape is held, they call these hooks;
// the UI installs real implementations at start-up, and outside the UI (tests, the
// command-line tool) the defaults do nothing or answer silently.
#pragma once

#include <functional>

#include "core/ustring.h"

namespace mivaro {

// "Process pending user-interface messages". Long loops call this after every item.
// The installed hook is called at most about every 10 ms; calls in between return at once.
void ProcessMessages();
void SetProcessMessagesHook(std::function<void()> hook);

// Answers of message boxes, as the program has always numbered them.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;

// Kinds of message box.
enum class MessageKind { Notice, Error, YesNo, YesNoCancel };

// Shows a message box with the product name as caption and returns the answer
// (kIdOk for notices). "\r" inside `text` is a line break. Without a hook the text goes
// to standard error and the answer is kIdOk for notices, kIdNo for questions.
int ShowMessage(WStringView text, MessageKind kind);
void SetMessageHook(std::function<int(WStringView text, MessageKind kind)> hook);

// True while the Escape key is held (the UI tracks it); false without a hook.
bool IsEscapePressed();
void SetEscapePressedHook(std::function<bool()> hook);

// Modifier keys held at this moment (the UI reads them; none without a hook).
struct Modifiers {
  bool shift = false;
  bool ctrl = false;
  bool alt = false;
};
Modifiers HeldModifiers();
void SetModifiersHook(std::function<Modifiers()> hook);

// True once the application has begun to close; long loops (folder walks, list reads)
// stop early then. False without a hook.
bool IsApplicationTerminating();
void SetApplicationTerminatingHook(std::function<bool()> hook);

}  // namespace mivaro
