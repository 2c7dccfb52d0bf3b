#include "ui/main/sub_player_link.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QProcess>
#include <QStringList>
#include <QThread>

#include "settings/message_panel.h"
#include "settings/param.h"
#include "ui/desktop/message_panel_widget.h"

namespace mivaro {

TMySubPlayerLink::TMySubPlayerLink(TMyMessagePanel* panel) : panel_(panel) {}

bool TMySubPlayerLink::Start(int wait_ms) {
  if (!panel_ || panel_->Handle() == 0) return false;
  const QString exe = QCoreApplication::applicationFilePath();
  const QStringList args{QStringLiteral("/SUBPLAYER"),
                         QStringLiteral("/FROM:%1").arg(panel_->Handle())};
  qint64 pid = 0;
  // Detached: the sub player is not a child to reap, and it ends by itself when this
  // process has gone.
  if (!QProcess::startDetached(exe, args, QString(), &pid)) return false;
  pid_ = pid;
  greeted_ = false;
  // Wait for the greeting, serving the panel from the event loop; user input waits.
  QDeadlineTimer deadline(wait_ms);
  while (!greeted_ && !deadline.hasExpired()) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents |
                                        QEventLoop::WaitForMoreEvents,
                                    static_cast<int>(std::min<qint64>(deadline.remainingTime(), 50)));
  }
  return IsAvailable();
}

bool TMySubPlayerLink::HandleText(const WString& text) {
  const TMyParam param(text);
  bool stored = false;
  for (int i = 0; i < param.Count(); ++i) {
    const TMyParamOption& item = param.Item(i);
    if (item.IsOption && item.IsName(u"TO_SUBPLAYER")) {
      handle_ = item.AsInteger();
      stored = true;
    }
  }
  if (stored) greeted_ = true;
  return stored;
}

bool TMySubPlayerLink::Need() {
  if (!IsAvailable()) Start();
  return IsAvailable();
}

bool TMySubPlayerLink::IsAvailable() const { return IsPanelAlive(handle_); }

std::uint64_t TMySubPlayerLink::HostWindow() const { return PanelHostWindow(handle_); }

void TMySubPlayerLink::Close() { SendPanelText(handle_, u"/CLOSE"); }

}  // namespace mivaro
