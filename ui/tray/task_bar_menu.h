// TMyTaskBarMenu: a copy of a pop-up menu inside the menu that the desktop shows for the
// program (the tray icon's menu here), so that the player can be driven while its window
// is hidden, minimised or covered.
//
// The copy is made depth first: invisible items are left out with everything below them,
// sub-menus become sub-menus, and with `grouped` the whole copy sits in one sub-menu named
// after the product, followed by a separator, at the top of the host menu (whose own
// entries follow). Each copied entry follows its source action's caption, check mark and
// enabled state (not its visibility: the copy is rebuilt, never patched, when the source's
// structure changes). Choosing an entry runs ExecuteCommand with its command identifier.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

class QAction;
class QActionGroup;
class QMenu;

namespace mivaro {

class TMyTaskBarMenu;

// One copied item: a command, a separator or a sub-menu header.
class TMyTaskBarMenuItem {
 public:
  TMyTaskBarMenuItem(TMyTaskBarMenu* owner, QMenu* menu, QAction* source, QAction* entry,
                     int command);

  TMyTaskBarMenu* Owner() const { return owner_; }
  QMenu* Menu() const { return menu_; }        // the menu that holds the copy
  QAction* Source() const { return source_; }  // the item copied
  QAction* Entry() const { return entry_; }    // the copy
  int Command() const { return command_; }

  QString GetText() const;
  // Offers the text to the caption callback first.
  void SetText(const QString& text);
  bool GetChecked() const;
  void SetChecked(bool checked);
  bool GetEnabled() const;
  void SetEnabled(bool enabled);

  // Takes the source's caption, check mark and enabled state (the action link).
  void FollowSource();

 private:
  TMyTaskBarMenu* owner_;
  QMenu* menu_;
  QAction* source_;
  QAction* entry_;
  int command_;
};

class TMyTaskBarMenu : public QObject {
  Q_OBJECT

 public:
  // May change the caption that a copied entry shows.
  using CaptionCallback = std::function<void(QObject* user_data, QAction* item, QString& caption)>;

  // Builds the copy of `popup` into `host` (the tray icon's menu).
  TMyTaskBarMenu(QMenu* popup, QMenu* host, bool grouped, CaptionCallback caption = nullptr,
                 QObject* user_data = nullptr);
  // Removes the copy: the host holds only its own entries again.
  ~TMyTaskBarMenu() override;

  // Runs the entry with that identifier; false for system commands (0xF000 and above) and
  // identifiers of no entry.
  bool ExecuteCommand(int command);
  // The source item of the entry with that identifier, or nullptr.
  QAction* FindMenuItem(int command) const;
  // The entry copied from `source`, or nullptr.
  TMyTaskBarMenuItem* FindEntry(const QAction* source) const;
  const std::vector<std::unique_ptr<TMyTaskBarMenuItem>>& Entries() const { return entries_; }
  // The product sub-menu (grouped copies only).
  QMenu* ProductMenu() const { return product_menu_; }

  // System commands start here; they are never entries.
  static constexpr int kSystemCommandBase = 0xF000;

 private:
  friend class TMyTaskBarMenuItem;
  void CopyItems(QMenu* source, QMenu* target);
  TMyTaskBarMenuItem* Register(QMenu* menu, QAction* source, QAction* entry);
  QString Caption(QAction* item, const QString& text) const;

  QMenu* host_;
  CaptionCallback caption_;
  QObject* user_data_;
  std::vector<std::unique_ptr<TMyTaskBarMenuItem>> entries_;
  std::vector<QMenu*> sub_menus_;  // every sub-menu made for the copy, in creation order
  std::vector<std::pair<QActionGroup*, QActionGroup*>> groups_;  // source group, copies
  QMenu* product_menu_ = nullptr;
  QAction* product_header_ = nullptr;
  QAction* product_line_ = nullptr;
  bool grouped_ = false;
  int next_command_ = 1;
};

}  // namespace mivaro
