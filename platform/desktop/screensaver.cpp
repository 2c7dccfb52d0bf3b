#include "platform/desktop/screensaver.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <utility>

namespace mivaro {
namespace {

const char kService[] = "org.freedesktop.ScreenSaver";
const char kPath[] = "/org/freedesktop/ScreenSaver";
const char kInterface[] = "org.freedesktop.ScreenSaver";

}  // namespace

TMyScreenSaverInhibitor::TMyScreenSaverInhibitor(QString application, QObject* parent)
    : QObject(parent), application_(std::move(application)) {}

TMyScreenSaverInhibitor::~TMyScreenSaverInhibitor() { Release(); }

void TMyScreenSaverInhibitor::Hold(const QString& reason) {
  if (held_ || unavailable_) return;
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected() || !bus.interface() ||
      !bus.interface()->isServiceRegistered(QLatin1String(kService)).value()) {
    unavailable_ = true;
    return;
  }
  held_ = true;
  QDBusMessage call = QDBusMessage::createMethodCall(
      QLatin1String(kService), QLatin1String(kPath), QLatin1String(kInterface),
      QStringLiteral("Inhibit"));
  call << application_ << reason;
  // Asynchronous, so a slow or stuck bus never stalls the timer tick that calls this.
  auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 2000), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this,
          [this](QDBusPendingCallWatcher* w) {
            QDBusPendingReply<uint> reply = *w;
            w->deleteLater();
            if (reply.isError()) {
              held_ = false;
              unavailable_ = true;
              return;
            }
            if (!held_) {
              // Released before the answer came: give the cookie back at once.
              QDBusMessage un = QDBusMessage::createMethodCall(
                  QLatin1String(kService), QLatin1String(kPath), QLatin1String(kInterface),
                  QStringLiteral("UnInhibit"));
              un << reply.value();
              QDBusConnection::sessionBus().asyncCall(un);
              return;
            }
            cookie_ = reply.value();
          });
}

void TMyScreenSaverInhibitor::Release() {
  if (!held_) return;
  held_ = false;
  if (cookie_ == 0) return;
  QDBusMessage un = QDBusMessage::createMethodCall(QLatin1String(kService), QLatin1String(kPath),
                                                   QLatin1String(kInterface),
                                                   QStringLiteral("UnInhibit"));
  un << cookie_;
  cookie_ = 0;
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (bus.isConnected()) bus.asyncCall(un);
}

}  // namespace mivaro
