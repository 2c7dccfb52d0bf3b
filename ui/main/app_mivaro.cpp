#include "ui/main/app_mivaro.h"

#include <QCloseEvent>
#include <QVBoxLayout>
#include <QWidget>

#include "ui/desktop/message_panel_widget.h"
#include "ui/main/sub_player_link.h"

namespace mivaro {

TApp_Mivaro::TApp_Mivaro(QWidget* parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("App_Mivaro"));
  setWindowTitle(QStringLiteral("Mivaro"));
  resize(640, 480);

  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  Panel_Top = new QWidget(central);
  Panel_Top->setObjectName(QStringLiteral("Panel_Top"));
  Panel_Top->setFixedHeight(28);
  Panel_Video = new QWidget(central);
  Panel_Video->setObjectName(QStringLiteral("Panel_Video"));
  Panel_Video->setAutoFillBackground(true);
  QPalette pal = Panel_Video->palette();
  pal.setColor(QPalette::Window, Qt::black);
  Panel_Video->setPalette(pal);
  Panel_Bottom = new QWidget(central);
  Panel_Bottom->setObjectName(QStringLiteral("Panel_Bottom"));
  Panel_Bottom->setFixedHeight(28);
  layout->addWidget(Panel_Top);
  layout->addWidget(Panel_Video, 1);
  layout->addWidget(Panel_Bottom);
  setCentralWidget(central);

  MyMessagePanel1 = new TMyMessagePanel(this);
  sub_player_ = std::make_unique<TMySubPlayerLink>(MyMessagePanel1);
  MyMessagePanel1->OnTextChange = [this](QObject*, const WString& text) {
    sub_player_->HandleText(text);
  };
}

TApp_Mivaro::~TApp_Mivaro() = default;

void TApp_Mivaro::FinishStartup() { sub_player_->Start(); }

void TApp_Mivaro::closeEvent(QCloseEvent* event) {
  sub_player_->Close();
  event->accept();
}

}  // namespace mivaro
