#include "ui/main/capture_link.h"

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

// The capture tool (one per process, made when first used) as the window's capture link.
class TMyCaptureToolLink : public QObject, public TMyCaptureLink {
 public:
  explicit TMyCaptureToolLink(TApp_Mivaro* main) : QObject(main), main_(main) {
    main_->links.capture = this;
  }
  ~TMyCaptureToolLink() override {
    if (main_->links.capture == this) main_->links.capture = nullptr;
  }
  bool IsOpen() const override { return open_; }
  void OpenAt(WStringView file, double seconds) override {
    TApp_TOOLBmpCaptureEx* tool = CaptureWindow(true);
    open_ = true;
    tool->OnClosed = [this] {
      open_ = false;
      main_->UpdateActionStates();
    };
    tool->OpenAt(file, seconds);
  }

 private:
  TApp_Mivaro* main_;
  bool open_ = false;
};

}  // namespace

void AttachCaptureTool(TApp_Mivaro& form) {
  new TMyCaptureToolLink(&form);
  form.DShow_Player->installEventFilter(new TMyMiddleButtonAction(form.Action_Zoom_Capture, &form));
}

}  // namespace mivaro
