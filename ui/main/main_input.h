// The keyboard and the busy guard's input blocking of the main window, seen
// application-wide (an event filter on the application):
// - while a busy command runs, the window's mouse and key input is swallowed, except
//   Escape, which the long loops check to cancel;
// - the form's keys: one table (main_input.cpp) read by the press, which is swallowed so
//   that it does not reach the focused control (a closed combo box would change the entry,
//   a slider would move), and by the release, which runs the command;
// - the keyboard's media keys, which run on press.
// User-interface thread only; the commands it runs may pump messages.
#pragma once

#include <QObject>

namespace mivaro {

class TApp_Mivaro;

class TMyMainInput : public QObject {
 public:
  // Installs itself on the application; a child of `form`.
  explicit TMyMainInput(TApp_Mivaro& form);
  ~TMyMainInput() override;

  // A multimedia key; true when reported handled.
  bool MediaKey(int key);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Both answer true for a key of the table.
  bool KeyDown(int key, Qt::KeyboardModifiers modifiers);
  bool KeyUp(int key, Qt::KeyboardModifiers modifiers);

  TApp_Mivaro& form_;
  // The last key pressed and the Shift/Ctrl held with it: its release runs the command of
  // that combination even when a modifier was let go first.
  int pressed_key_ = 0;
  Qt::KeyboardModifiers pressed_modifiers_;
};

}  // namespace mivaro
