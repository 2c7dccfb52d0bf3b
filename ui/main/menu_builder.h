// Menus and tool bars made from tables: an entry names an action of the main window's set,
// a separator, a sub-menu, a sub-menu that follows an action's caption and state, the
// play-rate choices or a tool button with a drop-down menu. The main window's tables are
// in app_menus.cpp.
#pragma once

#include <QString>
#include <span>

class QAction;
class QMenu;
class QObject;
class QStyle;
class QToolBar;
class QWidget;

namespace mivaro {

class TApp_Mivaro;
struct TMyMainActions;

namespace menu_table {

// One entry of a menu or a tool bar.
struct TMyMenuEntry {
  enum Kind { Action, Separator, Sub, Holder, Inline, Rates, DropDown };
  Kind kind;
  // Action, DropDown: the action; Holder: the action whose caption and state the
  // sub-menu follows.
  QAction* TMyMainActions::*action = nullptr;
  const char16_t* title = nullptr;      // Sub
  std::span<const TMyMenuEntry> items;  // Sub, Holder, Inline
  const char* name = nullptr;           // Sub, Holder: the menu's object name
  // Sub, Holder: the member that keeps the menu (the first one made, when a table is used
  // twice; the later copies stay unnamed). DropDown: the button's menu.
  QMenu* TApp_Mivaro::*store = nullptr;
  bool disabled = false;  // Sub: off until its part fills it
};
using A = TMyMainActions;
using E = TMyMenuEntry;
using MenuSlot = QMenu* TApp_Mivaro::*;

constexpr E Act(QAction* A::*action) { return {E::Action, action, nullptr, {}}; }
constexpr E kSep{E::Separator, nullptr, nullptr, {}};
constexpr E kRateItems{E::Rates, nullptr, nullptr, {}};
constexpr E Sub(const char16_t* title, std::span<const E> items, const char* name = nullptr,
                MenuSlot store = nullptr, bool disabled = false) {
  return {E::Sub, nullptr, title, items, name, store, disabled};
}
constexpr E Holder(QAction* A::*action, std::span<const E> items, const char* name = nullptr,
                   MenuSlot store = nullptr) {
  return {E::Holder, action, nullptr, items, name, store};
}
constexpr E Inline(std::span<const E> items) { return {E::Inline, nullptr, nullptr, items}; }
constexpr E DropDown(QAction* A::*action, MenuSlot menu) {
  return {E::DropDown, action, nullptr, {}, nullptr, menu};
}

}  // namespace menu_table

// A style for menus that draws their icons at the size `*size` says (16 or 32 pixels),
// read each time so that the icon option takes effect at once.
QStyle* NewMenuStyle(const int* size, QObject* parent);

// A tool bar as the main window's panels hold them: 16-pixel icons, fixed, no border.
QToolBar* MakeToolBar(const char* name, QWidget* parent);

// Makes the menus and fills menus and tool bars from the tables; the menus it makes keep
// `style`. The menus kept by an entry's `store` are written into `form`.
class TMyMenuBuilder {
 public:
  TMyMenuBuilder(TApp_Mivaro& form, QStyle* style) : form_(form), style_(style) {}

  QMenu* Make(const QString& title, QWidget* parent, const char* name = nullptr) const;
  void Fill(QMenu* menu, std::span<const menu_table::TMyMenuEntry> items) const;
  void Fill(QToolBar* bar, std::span<const menu_table::TMyMenuEntry> items) const;

 private:
  void Keep(QMenu* menu, const menu_table::TMyMenuEntry& item) const;

  TApp_Mivaro& form_;
  QStyle* style_;
};

}  // namespace mivaro
