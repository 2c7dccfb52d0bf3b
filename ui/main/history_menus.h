// The open histories of the main window: the drop-down menus of the three open buttons,
// each item a path the user opened, newest on top, by the rule of playlist/open_history.h.
// An item keeps the stored form (the settings line) as its data and hint and shows the
// decoded path. Used on the user-interface thread only.
#pragma once

#include <array>
#include <functional>
#include <vector>

#include "core/ustring.h"

class QMenu;

namespace mivaro {

class TMyIniFile;

class TMyOpenHistories {
 public:
  // The menus of opening files, folders with subfolders and folders alone (children of
  // the window, which outlive this object). `clicked(menu, path)` runs when the user picks
  // an item while no busy command runs.
  TMyOpenHistories(std::array<QMenu*, 3> menus,
                   std::function<void(QMenu* menu, const WString& path)> clicked);

  // Puts `path` on top of `menu`.
  void Insert(QMenu* menu, WStringView path);
  // The decoded paths of `menu`, top to bottom.
  static std::vector<WString> Paths(const QMenu* menu);

  // Each menu from its settings section (a missing section leaves the menu as it is; the
  // first line ends on top), and back.
  void Load(TMyIniFile& ini);
  void Save(TMyIniFile& ini) const;

 private:
  // The items' stored forms, top to bottom.
  static std::vector<WString> Lines(const QMenu* menu);
  // The menu's items made anew from the stored forms, top first.
  void Show(QMenu* menu, const std::vector<WString>& stored);

  std::array<QMenu*, 3> menus_;
  std::function<void(QMenu*, const WString&)> clicked_;
};

}  // namespace mivaro
