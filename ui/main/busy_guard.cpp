#include "ui/main/busy_guard.h"

#include <utility>

#include "core/hooks.h"

namespace mivaro {
namespace {

struct BusyState {
  int depth = 0;
  int steps = 0;
  std::function<void(bool)> handler;
};

BusyState& State() {
  static BusyState state;
  return state;
}

}  // namespace

void BeginFunc() {
  BusyState& s = State();
  if (s.depth++ == 0 && s.handler) s.handler(true);
}

void EndFunc() {
  BusyState& s = State();
  if (s.depth <= 0) {
    ShowMessage(u"エラー\rBeginFuncとFEndFuncが対で呼ばれていない", MessageKind::Error);
    return;
  }
  if (--s.depth == 0 && s.handler) s.handler(false);
}

bool IsBusy() { return State().depth > 0; }
int BusyDepth() { return State().depth; }

void SetBusyHandler(std::function<void(bool)> handler) { State().handler = std::move(handler); }

TMyStepScope::TMyStepScope() { ++State().steps; }
TMyStepScope::~TMyStepScope() { --State().steps; }
bool InStep() { return State().steps > 0; }

}  // namespace mivaro
