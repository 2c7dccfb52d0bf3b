#include "ui/tray/tray_icon.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

#include "core/version.h"

namespace mivaro {

namespace {
// How often a missing tray is looked for again.
constexpr int kTrayPollMs = 3000;
}  // namespace

TMyTrayIcon::TMyTrayIcon(QWidget* window, QMenu* popup, const QList<QAction*>& window_entries,
                         TMyTaskBarMenu::CaptionCallback caption)
    : QObject(window), window_(window), popup_(popup), caption_(std::move(caption)) {
  setObjectName(QStringLiteral("MyTrayIcon"));
  host_ = new QMenu(window);
  host_->setObjectName(QStringLiteral("PopupMenu_Tray"));
  host_->addActions(window_entries);
  icon_ = new QSystemTrayIcon(window->windowIcon(), this);
  icon_->setToolTip(QString::fromStdU16String(GetAppProductName()));
  icon_->setContextMenu(host_);
  connect(icon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
    if (r == QSystemTrayIcon::Trigger || r == QSystemTrayIcon::DoubleClick) ShowWindow();
  });
  Rebuild();
  ShowWhenTrayExists();
}

TMyTrayIcon::~TMyTrayIcon() { menu_.reset(); }

void TMyTrayIcon::Rebuild() {
  menu_.reset();
  menu_ = std::make_unique<TMyTaskBarMenu>(popup_, host_, true, caption_, window_);
  // The copy is owned here, not by the host menu.
  menu_->setParent(nullptr);
}

void TMyTrayIcon::ShowWindow() {
  if (window_->isMinimized() || !window_->isVisible()) window_->showNormal();
  window_->raise();
  window_->activateWindow();
}

void TMyTrayIcon::ShowWhenTrayExists() {
  if (QSystemTrayIcon::isSystemTrayAvailable()) {
    icon_->show();
    if (tray_poll_ != nullptr) tray_poll_->stop();
    return;
  }
  if (tray_poll_ == nullptr) {
    tray_poll_ = new QTimer(this);
    tray_poll_->setInterval(kTrayPollMs);
    connect(tray_poll_, &QTimer::timeout, this, &TMyTrayIcon::ShowWhenTrayExists);
    tray_poll_->start();
  }
}

}  // namespace mivaro
