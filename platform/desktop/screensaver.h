// Keeps the display awake while media plays, through the desktop's screen-saver inhibit
// call (org.freedesktop.ScreenSaver.Inhibit on the session bus).
//
// Hold() is cheap to call on every timer tick: it asks the bus once and then only
// remembers the cookie; Release() gives the cookie back. Without a session bus, or when no
// screen saver service answers, both do nothing.
#pragma once

#include <QObject>
#include <QString>

namespace mivaro {

class TMyScreenSaverInhibitor : public QObject {
  Q_OBJECT

 public:
  explicit TMyScreenSaverInhibitor(QString application, QObject* parent = nullptr);
  ~TMyScreenSaverInhibitor() override;

  void Hold(const QString& reason);
  void Release();
  bool IsHeld() const { return held_; }

 private:
  QString application_;
  bool held_ = false;     // an inhibit call was made (its answer may still be on the way)
  uint cookie_ = 0;       // the answer; 0 until it arrived
  bool unavailable_ = false;
};

}  // namespace mivaro
