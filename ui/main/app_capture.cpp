// The main window's capture command: pauses the player and hands the current file and
// position to the capture tool; the command stays disabled until the tool is closed.
#include <QAction>
#include <QEvent>
#include <QMouseEvent>

#include "player/qt/directshow_player.h"
#include "ui/capture/app_tool_bmp_capture_ex.h"
#include "ui/main/app_mivaro.h"

namespace mivaro {

namespace {

// Runs an action when the middle button is released over the watched widget.
class TMyMiddleButtonAction : public QObject {
 public:
  TMyMiddleButtonAction(QAction* action, QObject* parent) : QObject(parent), action_(action) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::MiddleButton) {
      if (action_->isEnabled()) action_->trigger();
      return true;
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  QAction* action_;
};

}  // namespace

void TApp_Mivaro::AttachCaptureTool() {
  DShow_Player->installEventFilter(new TMyMiddleButtonAction(Action_Zoom_Capture, this));
}

void TApp_Mivaro::Action_Zoom_CaptureExecute(QObject*) {
  if (!DShow_Player->HasVideo()) return;
  DShow_Player->Pause();
  // Kept out of the action-state update (like the commands of windows not yet attached)
  // until the tool returns.
  Action_Zoom_Capture->setProperty("Later", true);
  Action_Zoom_Capture->setEnabled(false);
  TApp_TOOLBmpCaptureEx* tool = CaptureWindow(true);
  tool->OnClosed = [this] {
    Action_Zoom_Capture->setProperty("Later", false);
    UpdateActionStates();
  };
  tool->OpenAt(DShow_Player->FileName(), DShow_Player->Position());
}

}  // namespace mivaro
