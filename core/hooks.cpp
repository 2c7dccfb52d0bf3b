#include "core/hooks.h"

#include <chrono>
#include <cstdio>
#include <utility>

#include "core/message_style.h"

namespace mivaro {
namespace {

struct HookState {
  std::function<void()> process_messages;
  std::chrono::steady_clock::time_point last_pump{};
  std::function<int(WStringView, MessageKind)> message;
  std::function<bool()> escape;
  std::function<Modifiers()> modifiers;
  std::function<bool()> terminating;
};

HookState& Hooks() {
  static HookState state;
  return state;
}

}  // namespace

void ProcessMessages() {
  auto& h = Hooks();
  if (!h.process_messages) return;
  // Pumping the event loop for every one of 100,000 items would dominate the loop;
  // about every 10 ms keeps the window live at a fraction of the cost.
  const auto now = std::chrono::steady_clock::now();
  if (now - h.last_pump < std::chrono::milliseconds(10)) return;
  h.last_pump = now;
  h.process_messages();
}

void SetProcessMessagesHook(std::function<void()> hook) {
  Hooks().process_messages = std::move(hook);
}

int ShowMessage(WStringView text, MessageKind kind) {
  auto& h = Hooks();
  if (h.message) return h.message(text, kind);
  std::string line = Utf8(text);
  for (char& c : line) {
    if (c == '\r') c = '\n';
  }
  std::fprintf(stderr, "Mivaro: %s\n", line.c_str());
  return (kind == MessageKind::Notice || kind == MessageKind::Error) ? kIdOk : kIdNo;
}

namespace {
const MessageStyle*& CurrentStyle() {
  static const MessageStyle plain;
  static const MessageStyle* current = &plain;
  return current;
}
}  // namespace

int ShowMessage(WStringView text, MessageKind kind, const MessageStyle& style) {
  const MessageStyle* outer = CurrentStyle();
  CurrentStyle() = &style;
  const int answer = ShowMessage(text, kind);
  CurrentStyle() = outer;
  return answer;
}

const MessageStyle& CurrentMessageStyle() { return *CurrentStyle(); }

void SetMessageHook(std::function<int(WStringView, MessageKind)> hook) {
  Hooks().message = std::move(hook);
}

bool IsEscapePressed() {
  auto& h = Hooks();
  return h.escape ? h.escape() : false;
}

void SetEscapePressedHook(std::function<bool()> hook) { Hooks().escape = std::move(hook); }

Modifiers HeldModifiers() {
  auto& h = Hooks();
  return h.modifiers ? h.modifiers() : Modifiers{};
}

void SetModifiersHook(std::function<Modifiers()> hook) { Hooks().modifiers = std::move(hook); }

bool IsApplicationTerminating() {
  auto& h = Hooks();
  return h.terminating ? h.terminating() : false;
}

void SetApplicationTerminatingHook(std::function<bool()> hook) {
  Hooks().terminating = std::move(hook);
}

}  // namespace mivaro
