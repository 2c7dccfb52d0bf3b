// Where the playlist window appears and what it keeps in the settings store: its bounds
// under "Bounds", the folder-name toggle under "List" and the search history as the
// lines of "FindHistory".
#include <QAction>
#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

#include "core/wstrings.h"
#include "player/monitor_model.h"
#include "settings/ini_file.h"
#include "ui/list/app_mivaro_list.h"

namespace mivaro {

namespace {

TMyRect ToRect(const QRect& r) { return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}; }

// The monitors as the toolkit sees them now, the primary first.
TMyScreen ScreensNow() {
  std::vector<TMyMonitor> monitors;
  QScreen* primary = QGuiApplication::primaryScreen();
  if (primary) monitors.push_back({ToRect(primary->geometry()), ToRect(primary->availableGeometry())});
  for (QScreen* s : QGuiApplication::screens())
    if (s != primary) monitors.push_back({ToRect(s->geometry()), ToRect(s->availableGeometry())});
  return TMyScreen(std::move(monitors));
}

class TMyListFormBounds : public TMyIniForm {
 public:
  explicit TMyListFormBounds(QWidget* form) : form_(form) {}
  WString ComponentName() const override { return u"App_MivaroList"; }
  TMyRect BoundsRect() const override { return ToRect(form_->geometry()); }
  void SetBoundsRect(const TMyRect& rect) override {
    const int w = RectWidth(rect);
    const int h = RectHeight(rect);
    if (w > 0 && h > 0) form_->setGeometry(rect.left, rect.top, w, h);
  }
  TMyRect WorkAreaNear(const TMyRect& rect) const override {
    const TMyScreen screens = ScreensNow();
    const int i = screens.NearestMonitorIndexOfRect(rect);
    return i < 0 ? rect : screens.Monitors(i).WorkareaRect;
  }

 private:
  QWidget* form_;
};

}  // namespace

void TApp_MivaroList::PlaceUnderCursor() {
  const QPoint cursor = QCursor::pos();
  const TMyRect area = ScreensNow().WorkareaOfPoint({cursor.x(), cursor.y()});
  if (RectWidth(area) <= 0 || RectHeight(area) <= 0) return;
  // Integer halving rounds towards zero, also for a window larger than the area.
  move(area.left + (RectWidth(area) - width()) / 2, area.top + (RectHeight(area) - height()) / 2);
}

void TApp_MivaroList::LoadSettings(TMyIniFile& ini, bool with_bounds) {
  if (with_bounds) {
    TMyListFormBounds bounds(this);
    ini.ReadFormBounds(u"Bounds", bounds);
  }
  Action_List_FolderName->setChecked(
      ini.ReadBool(u"List", u"List_FolderName", Action_List_FolderName->isChecked()));
  TMyWStrings lines;
  ini.ReadSectionLines(u"FindHistory", lines);
  std::vector<WString> texts;
  for (int i = 0; i < lines.Count(); ++i) texts.push_back(lines.Get(i));
  LoadFindHistory(texts);
}

void TApp_MivaroList::SaveSettings(TMyIniFile& ini) const {
  if (!isMinimized()) {
    TMyListFormBounds bounds(const_cast<TApp_MivaroList*>(this));
    ini.WriteFormBounds(u"Bounds", bounds);
  }
  ini.WriteBool(u"List", u"List_FolderName", Action_List_FolderName->isChecked());
  if (!history_.entries().empty()) {
    TMyWStrings lines;
    for (const WString& text : history_.entries()) lines.Add(text);
    ini.WriteSectionLines(u"FindHistory", lines);
  }
}

}  // namespace mivaro
