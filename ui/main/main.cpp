// Program entry: runs the player window, or the sub player with /SUBPLAYER.
#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QMainWindow window;
  window.setWindowTitle(QStringLiteral("Mivaro"));
  window.show();
  return app.exec();
}
