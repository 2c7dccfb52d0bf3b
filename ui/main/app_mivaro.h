// TApp_Mivaro: the player's main window.
#pragma once

#include <QMainWindow>
#include <memory>

class QCloseEvent;
class QWidget;

namespace mivaro {

class TMyMessagePanel;
class TMySubPlayerLink;

class TApp_Mivaro : public QMainWindow {
  Q_OBJECT

 public:
  explicit TApp_Mivaro(QWidget* parent = nullptr);
  ~TApp_Mivaro() override;

  // The end of start-up: starts the sub player. Called by the program entry before the
  // window is shown.
  void FinishStartup();

  TMySubPlayerLink* SubPlayer() const { return sub_player_.get(); }

  QWidget* Panel_Top = nullptr;
  QWidget* Panel_Video = nullptr;
  QWidget* Panel_Bottom = nullptr;
  TMyMessagePanel* MyMessagePanel1 = nullptr;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  std::unique_ptr<TMySubPlayerLink> sub_player_;
};

}  // namespace mivaro
