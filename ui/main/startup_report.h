// Start-up reporting for the benchmark scripts. With MIVARO_REPORT_TIMES set, the time
// from the process start to the main window's first paint goes to standard error as an
// "@metric shown_ms=..." line; with MIVARO_EXIT_WHEN_READY set, the window is closed once
// it was painted and its start-up playlist was added. User-interface thread only.
#pragma once

#include <QObject>

class QWidget;

namespace mivaro {

class TMyStartupReport : public QObject {
 public:
  // Watches `window`'s paints; a child of it.
  explicit TMyStartupReport(QWidget* window);

  // The start-up playlist was added.
  void Filled();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CloseWhenReady();

  QWidget* window_;
  bool painted_ = false;
  bool filled_ = false;
};

}  // namespace mivaro
