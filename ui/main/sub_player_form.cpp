#include "ui/main/sub_player_form.h"

#include <QApplication>
#include <QCloseEvent>
#include <QTimer>

#include "platform/desktop/wallpaper_store.h"
#include "settings/message_panel.h"
#include "settings/param.h"
#include "ui/desktop/message_panel_widget.h"

namespace mivaro {

TApp_MivaroSubForm::TApp_MivaroSubForm(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::Tool |
                          Qt::X11BypassWindowManagerHint | Qt::WindowDoesNotAcceptFocus) {
  setObjectName(QStringLiteral("App_MivaroSubForm"));
  setWindowTitle(QStringLiteral("Mivaro - Blank"));
  setAttribute(Qt::WA_ShowWithoutActivating);
  // The overlay colour key of the video renderer.
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, QColor(16, 0, 16));
  setPalette(pal);
  resize(261, 160);

  MyMessagePanel1 = new TMyMessagePanel(this);
  MyMessagePanel1->OnTextChange = [this](QObject* sender, const WString& text) {
    MyMessagePanel1TextChange(sender, text);
  };
  Timer2 = new QTimer(this);
  Timer2->setObjectName(QStringLiteral("Timer2"));
  Timer2->setInterval(1000);
  connect(Timer2, &QTimer::timeout, this, [this] { Timer2Timer(); });
}

TApp_MivaroSubForm::~TApp_MivaroSubForm() = default;

void TApp_MivaroSubForm::Start(const WString& start_text) {
  setWindowIcon(QApplication::windowIcon());
  setGeometry(0, 0, 0, 0);
  MyMessagePanel1TextChange(MyMessagePanel1, start_text);
  if (closed_) return;
  show();
  lower();
  Timer2->start();
}

void TApp_MivaroSubForm::MyMessagePanel1TextChange(QObject* /*sender*/, const WString& text) {
  const TMyParam param(text);
  if (param.HasOption(u"CLOSE")) {
    closed_ = true;
    close();
  } else if (param.HasOption(u"FROM")) {
    TMyParamOption from;
    from.Value = param.Option(u"FROM");
    player_handle_ = from.AsInteger();
    SendPanelText(player_handle_, u"/TO_SUBPLAYER:" + U16(std::to_string(MyMessagePanel1->Handle())));
  }
}

void TApp_MivaroSubForm::Timer2Timer() {
  if (!IsPanelAlive(player_handle_)) {
    Timer2->stop();
    // A player that was killed in wallpaper mode left its record: its wallpaper comes back.
    RestoreLeftBehindWallpaper();
    close();
  }
}

void TApp_MivaroSubForm::closeEvent(QCloseEvent* event) {
  closed_ = true;
  Timer2->stop();
  event->accept();
  emit Closed();
}

}  // namespace mivaro
