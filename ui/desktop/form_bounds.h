// A window's rectangle as the settings store reads and writes it.
#pragma once

#include <QWidget>

#include "settings/ini_file.h"

namespace mivaro {

class TMyFormBounds : public TMyIniForm {
 public:
  TMyFormBounds(QWidget* form, WString component_name)
      : form_(form), component_name_(std::move(component_name)) {}
  WString ComponentName() const override { return component_name_; }
  // Minimised, maximised or full screen: the rectangle the window comes back to.
  TMyRect BoundsRect() const override;
  // An empty rectangle is ignored. A window never placed that is given its own corner is
  // only resized: its position is left to the window manager.
  void SetBoundsRect(const TMyRect& rect) override;
  // The work area of the screen under the rectangle's centre, else the primary screen's.
  TMyRect WorkAreaNear(const TMyRect& rect) const override;

 private:
  QWidget* form_;
  WString component_name_;
};

}  // namespace mivaro
