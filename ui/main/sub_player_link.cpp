#include "ui/main/sub_player_link.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <string>
#include <vector>

#include "platform/os/launch.h"
#include "settings/message_panel.h"
#include "settings/param.h"
#include "ui/desktop/message_panel_widget.h"

namespace mivaro {

TMySubPlayerLink::TMySubPlayerLink(TMyMessagePanel* panel) : panel_(panel) {}

bool TMySubPlayerLink::Start(int wait_ms) {
  // Once closing has begun no sub player is started: it would outlive its player.
  if (closing_ || !panel_ || panel_->Handle() == 0) return false;
  // A start asked for while one waits for its greeting (the events served meanwhile) would
  // leave two sub players; the waiting one answers for both.
  if (starting_) return false;
  const std::vector<std::string> argv{QCoreApplication::applicationFilePath().toStdString(),
                                      "/SUBPLAYER", "/FROM:" + std::to_string(panel_->Handle())};
  // Detached, so the system reaps it; it inherits no descriptor but the standard three (an
  // open media file would keep its medium from being unmounted for the helper's life).
  int pid = 0;
  if (!os::SpawnProgram(argv, pid)) return false;
  pid_ = pid;
  greeted_ = false;
  starting_ = true;
  // Wait for the greeting, serving the panel from the event loop; user input waits.
  QDeadlineTimer deadline(wait_ms);
  while (!greeted_ && !deadline.hasExpired()) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents |
                                        QEventLoop::WaitForMoreEvents,
                                    static_cast<int>(std::min<qint64>(deadline.remainingTime(), 50)));
  }
  starting_ = false;
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
  // The player began closing while this sub player was starting: it goes too.
  if (stored && closing_ && starting_) Close();
  return stored;
}

bool TMySubPlayerLink::Need() {
  if (!IsAvailable()) Start();
  return IsAvailable();
}

bool TMySubPlayerLink::IsAvailable() const { return IsPanelAlive(handle_); }

std::uint64_t TMySubPlayerLink::HostWindow() const { return PanelHostWindow(handle_); }

void TMySubPlayerLink::Close() {
  closing_ = true;
  SendPanelText(handle_, u"/CLOSE");
}

}  // namespace mivaro
