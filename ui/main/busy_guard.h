// The busy guard: long commands run between BeginFunc() and EndFunc().
//
// The guard is a process-wide nesting counter. While it is above zero the main window
// takes no input, accepts no drops and runs no action (menus, tool buttons and shortcuts
// do nothing), and the cursor shows the hourglass; the message pump keeps painting and
// Escape still reaches long loops so they can be cancelled. Pairs nest: only the EndFunc
// that brings the counter back to zero gives the windows back.
#pragma once

#include <functional>

namespace mivaro {

void BeginFunc();
// Ends one BeginFunc. An EndFunc without a BeginFunc shows
// "エラー\rBeginFuncとFEndFuncが対で呼ばれていない" and changes nothing.
void EndFunc();

// True while at least one BeginFunc is open.
bool IsBusy();
int BusyDepth();

// Called with true when the counter leaves zero and with false when it returns to zero.
// The main window installs it to block input and drops; one handler at a time.
void SetBusyHandler(std::function<void(bool busy)> handler);

// BeginFunc in the constructor, EndFunc in the destructor: every way out ends the pair.
class TMyBusyScope {
 public:
  TMyBusyScope() { BeginFunc(); }
  ~TMyBusyScope() { EndFunc(); }
  TMyBusyScope(const TMyBusyScope&) = delete;
  TMyBusyScope& operator=(const TMyBusyScope&) = delete;
};

// A step that pumps messages without blocking input (a volume fade, a seek with its fades):
// a close asked for while one runs is carried out once it has ended, not from inside it.
class TMyStepScope {
 public:
  TMyStepScope();
  ~TMyStepScope();
  TMyStepScope(const TMyStepScope&) = delete;
  TMyStepScope& operator=(const TMyStepScope&) = delete;
};
bool InStep();

}  // namespace mivaro
