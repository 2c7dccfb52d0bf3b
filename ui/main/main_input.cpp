#include "ui/main/main_input.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>

#include "ui/main/app_mivaro.h"
#include "ui/main/busy_guard.h"

namespace mivaro {
namespace {

// Which Shift/Ctrl combinations a row takes.
enum class TMyKeyMods { CtrlOnly, ShiftOnly, ShiftCtrl, Any };

struct TMyKeyBinding {
  int key;
  TMyKeyMods mods;
  // The action whose state allows the command, and the command.
  QAction* TApp_Mivaro::*action;
  void (TApp_Mivaro::*command)(QObject*);
  // The press is kept from the focused control.
  bool swallow_press;
};

using W = TApp_Mivaro;
// The first row that matches wins: the Ctrl rows come before the plain ones.
const TMyKeyBinding kKeys[] = {
    {Qt::Key_C, TMyKeyMods::CtrlOnly, &W::Action_List_Copy, &W::Action_List_CopyExecute, true},
    {Qt::Key_F, TMyKeyMods::CtrlOnly, &W::Action_File_OpenFolder, &W::Action_File_OpenFolderExecute, true},
    {Qt::Key_O, TMyKeyMods::CtrlOnly, &W::Action_File_OpenFile, &W::Action_File_OpenFileExecute, true},
    {Qt::Key_V, TMyKeyMods::CtrlOnly, &W::Action_List_Paste, &W::Action_List_PasteExecute, true},
    {Qt::Key_Backspace, TMyKeyMods::Any, &W::Action_Play_Replay, &W::Action_Play_ReplayExecute, true},
    {Qt::Key_Space, TMyKeyMods::Any, &W::Action_Play_PlayPause, &W::Action_Play_PlayPauseExecute, true},
    {Qt::Key_PageUp, TMyKeyMods::Any, &W::Action_Play_Back, &W::Action_Play_BackExecute, true},
    {Qt::Key_PageDown, TMyKeyMods::Any, &W::Action_Play_Next, &W::Action_Play_NextExecute, true},
    {Qt::Key_Left, TMyKeyMods::Any, &W::Action_Play_SkipBack, &W::Action_Play_SkipBackExecute, true},
    {Qt::Key_Right, TMyKeyMods::Any, &W::Action_Play_SkipNext, &W::Action_Play_SkipNextExecute, true},
    {Qt::Key_Delete, TMyKeyMods::Any, &W::Action_List_Del, &W::Action_List_DelExecute, true},
    {Qt::Key_Z, TMyKeyMods::ShiftOnly, &W::Action_Zoom_50, &W::Action_Zoom_50Execute, true},
    {Qt::Key_Z, TMyKeyMods::CtrlOnly, &W::Action_Zoom_100, &W::Action_Zoom_100Execute, true},
    {Qt::Key_Z, TMyKeyMods::ShiftCtrl, &W::Action_Zoom_200, &W::Action_Zoom_200Execute, true},
};

const TMyKeyBinding* FindKey(int key, Qt::KeyboardModifiers modifiers) {
  const Qt::KeyboardModifiers mods = modifiers & (Qt::ShiftModifier | Qt::ControlModifier);
  for (const TMyKeyBinding& row : kKeys) {
    if (row.key != key) continue;
    const bool match = row.mods == TMyKeyMods::Any ||
                       (row.mods == TMyKeyMods::CtrlOnly && mods == Qt::ControlModifier) ||
                       (row.mods == TMyKeyMods::ShiftOnly && mods == Qt::ShiftModifier) ||
                       (row.mods == TMyKeyMods::ShiftCtrl &&
                        mods == (Qt::ShiftModifier | Qt::ControlModifier));
    if (match) return &row;
  }
  return nullptr;
}

bool IsInputEvent(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ContextMenu:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
      return true;
    default:
      return false;
  }
}

}  // namespace

TMyMainInput::TMyMainInput(TApp_Mivaro& form) : QObject(&form), form_(form) {
  qApp->installEventFilter(this);
}

TMyMainInput::~TMyMainInput() { qApp->removeEventFilter(this); }

bool TMyMainInput::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (!IsInputEvent(type) || !watched->isWidgetType()) return QObject::eventFilter(watched, event);
  auto* widget = static_cast<QWidget*>(watched);
  if (widget->window() != &form_) return QObject::eventFilter(watched, event);

  if (IsBusy()) {
    // A disabled window takes no input; Escape still reaches the long loop's check.
    if (type == QEvent::KeyPress || type == QEvent::KeyRelease) {
      if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) return false;
    }
    return true;
  }
  if (type == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    // A key the focused control ignores comes here again for each parent: a media key
    // runs on its first delivery only.
    QWidget* first = QApplication::focusWidget();
    if ((first ? widget == first : widget->isWindow()) && MediaKey(key->key())) return true;
    if (KeyDown(key->key(), key->modifiers())) return true;
  } else if (type == QEvent::KeyRelease) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (!key->isAutoRepeat() && KeyUp(key->key(), key->modifiers())) return true;
  }
  return QObject::eventFilter(watched, event);
}

bool TMyMainInput::KeyDown(int key, Qt::KeyboardModifiers modifiers) {
  if (key != Qt::Key_Shift && key != Qt::Key_Control) {
    pressed_key_ = key;
    pressed_modifiers_ = modifiers;
  }
  const TMyKeyBinding* row = FindKey(key, modifiers);
  return row && row->swallow_press;
}

bool TMyMainInput::KeyUp(int key, Qt::KeyboardModifiers modifiers) {
  // Shift+Z let go as Shift first still means Shift+Z.
  if (key == pressed_key_) modifiers = pressed_modifiers_;
  const TMyKeyBinding* row = FindKey(key, modifiers);
  if (!row) return false;
  if (!row->command || IsBusy()) return true;
  form_.UpdateActionStates();
  QAction* action = form_.*row->action;
  if (action->isEnabled()) (form_.*row->command)(action);
  return true;
}

bool TMyMainInput::MediaKey(int key) {
  TApp_Mivaro& f = form_;
  // Previous and next are reported handled; stop, mute and play/pause run here and are
  // still passed on, so that whatever else listens for them (the desktop) sees them too.
  switch (key) {
    case Qt::Key_Back:
    case Qt::Key_MediaPrevious:
      if (f.Action_Play_Back->isEnabled()) f.Action_Play_BackExecute(f.Action_Play_Back);
      return true;
    case Qt::Key_Forward:
    case Qt::Key_MediaNext:
      if (f.Action_Play_Next->isEnabled()) f.Action_Play_NextExecute(f.Action_Play_Next);
      return true;
    case Qt::Key_Stop:
    case Qt::Key_MediaStop:
      f.StopMedia();
      return false;
    case Qt::Key_VolumeMute:
      f.Action_Play_Mute->toggle();
      f.Action_Play_MuteExecute(f.Action_Play_Mute);
      return false;
    case Qt::Key_MediaPlay:
    case Qt::Key_MediaTogglePlayPause:
    case Qt::Key_MediaPause:
      if (f.Action_Play_PlayPause->isEnabled())
        f.Action_Play_PlayPauseExecute(f.Action_Play_PlayPause);
      return false;
    default:
      return false;
  }
}

}  // namespace mivaro
