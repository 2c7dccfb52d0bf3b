#include "platform/desktop/desktop_hooks.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QWidget>

#include "core/hooks.h"
#include "core/message_style.h"

namespace mivaro {
namespace {

bool& Terminating() {
  static bool terminating = false;
  return terminating;
}

QString& Caption() {
  static QString caption = QStringLiteral("Mivaro");
  return caption;
}

// Watches every key event of the application for Escape. Auto-repeat presses are
// ignored; the release clears the state. A focus loss of the application also clears it,
// since the release would then go to another program.
class EscapeTracker : public QObject {
 public:
  using QObject::QObject;
  bool held = false;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape) held = true;
        break;
      }
      case QEvent::KeyRelease: {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape && !key->isAutoRepeat()) held = false;
        break;
      }
      case QEvent::ApplicationDeactivate:
        held = false;
        break;
      default:
        break;
    }
    return QObject::eventFilter(watched, event);
  }
};

EscapeTracker* Tracker() {
  static EscapeTracker* tracker = nullptr;
  if (!tracker && QCoreApplication::instance()) {
    tracker = new EscapeTracker(QCoreApplication::instance());
    QCoreApplication::instance()->installEventFilter(tracker);
  }
  return tracker;
}

int ShowBox(WStringView text, MessageKind kind) {
  QString body = QString::fromStdU16String(WString(text));
  body.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  QWidget* parent = QApplication::activeWindow();
  QMessageBox box(parent);
  const MessageStyle& style = CurrentMessageStyle();
  box.setWindowTitle(style.caption.empty() ? Caption()
                                           : QString::fromStdU16String(WString(style.caption)));
  box.setText(body);
  switch (kind) {
    case MessageKind::Notice:
      box.setIcon(QMessageBox::Information);
      box.setStandardButtons(QMessageBox::Ok);
      break;
    case MessageKind::Error:
      box.setIcon(QMessageBox::Critical);
      box.setStandardButtons(QMessageBox::Ok);
      break;
    case MessageKind::YesNo:
      box.setIcon(QMessageBox::Question);
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      if (style.default_no) box.setDefaultButton(QMessageBox::No);
      break;
    case MessageKind::YesNoCancel:
      box.setIcon(QMessageBox::Question);
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
      break;
  }
  switch (box.exec()) {
    case QMessageBox::Yes:
      return kIdYes;
    case QMessageBox::No:
      return kIdNo;
    case QMessageBox::Cancel:
      return kIdCancel;
    case QMessageBox::Ok:
      return kIdOk;
    default:
      // Closing the box with the window button answers like Cancel, or No when there is
      // no Cancel button: never as Yes.
      return kind == MessageKind::YesNo ? kIdNo : (kind == MessageKind::YesNoCancel ? kIdCancel : kIdOk);
  }
}

}  // namespace

void InstallDesktopHooks(const QString& caption) {
  if (!caption.isEmpty()) Caption() = caption;
  Tracker();
  SetProcessMessagesHook([] { QCoreApplication::processEvents(QEventLoop::AllEvents); });
  SetMessageHook(&ShowBox);
  SetEscapePressedHook([] { return DesktopEscapeHeld(); });
  SetApplicationTerminatingHook([] { return Terminating() || QCoreApplication::closingDown(); });
  SetModifiersHook([] {
    const Qt::KeyboardModifiers held = QGuiApplication::queryKeyboardModifiers();
    Modifiers m;
    m.shift = held.testFlag(Qt::ShiftModifier);
    m.ctrl = held.testFlag(Qt::ControlModifier);
    m.alt = held.testFlag(Qt::AltModifier);
    return m;
  });
}

bool DesktopEscapeHeld() {
  EscapeTracker* tracker = Tracker();
  return tracker && tracker->held;
}

QString MessageCaption() { return Caption(); }

void SetDesktopTerminating(bool terminating) { Terminating() = terminating; }

}  // namespace mivaro
