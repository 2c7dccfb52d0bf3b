#include "ui/main/startup_report.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <cstdio>

#include "platform/os/process_clock.h"

namespace mivaro {

TMyStartupReport::TMyStartupReport(QWidget* window) : QObject(window), window_(window) {
  window_->installEventFilter(this);
}

void TMyStartupReport::Filled() {
  filled_ = true;
  CloseWhenReady();
}

bool TMyStartupReport::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Paint && !painted_ && watched == window_) {
    painted_ = true;
    if (qEnvironmentVariableIsSet("MIVARO_REPORT_TIMES"))
      std::fprintf(stderr, "@metric shown_ms=%.0f\n", os::MsSinceProcessStart());
    CloseWhenReady();
  }
  return QObject::eventFilter(watched, event);
}

void TMyStartupReport::CloseWhenReady() {
  if (painted_ && filled_ && qEnvironmentVariableIsSet("MIVARO_EXIT_WHEN_READY"))
    QTimer::singleShot(0, window_, &QWidget::close);
}

}  // namespace mivaro
