// Searching the playlist window's list and the search history.
#include <QAction>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QToolButton>
#include <algorithm>
#include <optional>

#include "core/wstrings.h"
#include "ui/list/app_mivaro_list.h"

namespace mivaro {

void TApp_MivaroList::Find(bool down) {
  const WString raw = Edit_Find->text().toStdU16String();
  if (Edit_Find->text().trimmed().isEmpty()) return;
  const int count = playlist_.Count();
  current_find_key_ = NormaliseSearchText(raw);
  AddFindHistory(raw);
  if (count == 0) {
    Beep();
    return;
  }
  const int current = std::clamp(CurrentIndex(), 0, count - 1);
  auto at = [this](size_t i) { return WStringView(playlist_.At(static_cast<int>(i))); };
  const auto n = static_cast<size_t>(count);
  std::optional<size_t> hit;
  if (down && current + 1 < count)
    hit = keys_.Find(current_find_key_, n, static_cast<size_t>(current + 1), true, at);
  else if (!down && current > 0)
    hit = keys_.Find(current_find_key_, n, static_cast<size_t>(current - 1), false, at);
  if (hit) {
    SelectOnly(static_cast<int>(*hit));
    return;
  }
  Beep();
  if (keys_.Matches(current_find_key_, static_cast<size_t>(current), playlist_.At(current)))
    SelectOnly(current);
}

void TApp_MivaroList::AddFindHistory(WStringView text) {
  if (history_.Add(text)) RebuildHistoryMenu();
}

void TApp_MivaroList::LoadFindHistory(const std::vector<WString>& lines) {
  std::vector<WString> texts = lines;
  while (!texts.empty() && texts.back().empty()) texts.pop_back();
  history_.Clear();
  // Newest first in the settings; adding from the oldest rebuilds the same order.
  for (auto it = texts.rbegin(); it != texts.rend(); ++it) history_.Add(*it);
  RebuildHistoryMenu();
}

void TApp_MivaroList::RebuildHistoryMenu() {
  PopupMenu_FindHistory->clear();
  for (const WString& text : history_.entries()) {
    QString caption = QString::fromStdU16String(text);
    caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
    QAction* item = PopupMenu_FindHistory->addAction(caption);
    item->setData(QString::fromStdU16String(text));  // the full text
    connect(item, &QAction::triggered, this, [this, text] { ChooseHistory(text); });
  }
  Button_FindHistory->setEnabled(!history_.entries().empty());
}

void TApp_MivaroList::ChooseHistory(const WString& text) {
  Edit_Find->setText(QString::fromStdU16String(text));
  Edit_Find->setCursorPosition(static_cast<int>(Edit_Find->text().size()));
  Edit_Find->setFocus();
}

}  // namespace mivaro
