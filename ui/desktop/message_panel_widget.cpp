#include "ui/desktop/message_panel_widget.h"

#include <QSocketNotifier>

namespace mivaro {

TMyMessagePanel::TMyMessagePanel(QWidget* parent)
    : QWidget(parent), channel_(std::make_unique<TMyMessagePanelChannel>()) {
  setObjectName(QStringLiteral("MyMessagePanel1"));
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::white);
  setPalette(pal);
  setGeometry(-1, -1, 0, 0);
  hide();
  channel_->SetTextHandler([this](const WString& text) {
    if (OnTextChange) {
      const TextChangeEvent handler = OnTextChange;
      handler(this, text);
    }
  });
  channel_->SetHostWindowProvider([this]() -> std::uint64_t {
    QWidget* top = window();
    return top && top->isVisible() ? static_cast<std::uint64_t>(top->winId()) : 0;
  });
  if (channel_->Fd() >= 0) {
    notifier_ = new QSocketNotifier(channel_->Fd(), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { Serve(); });
  }
}

TMyMessagePanel::~TMyMessagePanel() {
  // The notifier must stop watching before the socket closes.
  delete notifier_;
  notifier_ = nullptr;
}

void TMyMessagePanel::Serve() {
  // A handler may destroy this panel; the channel notices and stops serving.
  channel_->ProcessPending();
}

}  // namespace mivaro
