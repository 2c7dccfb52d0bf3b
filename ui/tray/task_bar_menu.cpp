#include "ui/tray/task_bar_menu.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <algorithm>

#include "core/version.h"

namespace mivaro {

// ---- Entries ----------------------------------------------------------------------------

TMyTaskBarMenuItem::TMyTaskBarMenuItem(TMyTaskBarMenu* owner, QMenu* menu, QAction* source,
                                       QAction* entry, int command)
    : owner_(owner), menu_(menu), source_(source), entry_(entry), command_(command) {}

QString TMyTaskBarMenuItem::GetText() const { return entry_->text(); }

void TMyTaskBarMenuItem::SetText(const QString& text) {
  entry_->setText(owner_->Caption(source_, text));
}

bool TMyTaskBarMenuItem::GetChecked() const { return entry_->isChecked(); }
void TMyTaskBarMenuItem::SetChecked(bool checked) { entry_->setChecked(checked); }
bool TMyTaskBarMenuItem::GetEnabled() const { return entry_->isEnabled(); }
void TMyTaskBarMenuItem::SetEnabled(bool enabled) { entry_->setEnabled(enabled); }

void TMyTaskBarMenuItem::FollowSource() {
  if (entry_->isSeparator()) return;
  // A property that already shows the source's value is left alone.
  const QString caption = owner_->Caption(source_, source_->text());
  if (entry_->text() != caption) entry_->setText(caption);
  if (entry_->isCheckable() && entry_->isChecked() != source_->isChecked())
    entry_->setChecked(source_->isChecked());
  if (entry_->isEnabled() != source_->isEnabled()) entry_->setEnabled(source_->isEnabled());
}

// ---- The copy ---------------------------------------------------------------------------

TMyTaskBarMenu::TMyTaskBarMenu(QMenu* popup, QMenu* host, bool grouped, CaptionCallback caption,
                               QObject* user_data)
    : QObject(host), host_(host), caption_(std::move(caption)), user_data_(user_data) {
  if (popup == nullptr || host == nullptr) return;
  grouped_ = grouped;
  if (!grouped) {
    CopyItems(popup, host);
    return;
  }
  // The product sub-menu and a separator go before the host's own entries.
  product_menu_ = new QMenu(QString::fromStdU16String(GetAppProductName()));
  product_menu_->setObjectName(QStringLiteral("TaskBarMenu_Product"));
  sub_menus_.push_back(product_menu_);
  QAction* first = host->actions().isEmpty() ? nullptr : host->actions().first();
  product_line_ = host->insertSeparator(first);
  product_header_ = host->insertMenu(product_line_, product_menu_);
  CopyItems(popup, product_menu_);
}

TMyTaskBarMenu::~TMyTaskBarMenu() {
  if (!entries_.empty() && product_header_ != nullptr) {
    host_->removeAction(product_header_);
    host_->removeAction(product_line_);
  }
  delete product_line_;
  product_line_ = nullptr;
  // Entries from the last to the first, then the sub-menus.
  for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
    QAction* entry = (*it)->Entry();
    if (entry->parent() == this) delete entry;
  }
  entries_.clear();
  for (auto it = sub_menus_.rbegin(); it != sub_menus_.rend(); ++it) delete *it;
  sub_menus_.clear();
}

QString TMyTaskBarMenu::Caption(QAction* item, const QString& text) const {
  QString caption = text;
  if (caption_) caption_(user_data_, item, caption);
  return caption;
}

void TMyTaskBarMenu::CopyItems(QMenu* source, QMenu* target) {
  for (QAction* item : source->actions()) {
    if (!item->isVisible()) continue;  // with everything below it
    if (QMenu* sub = item->menu()) {
      const bool named = !item->objectName().isEmpty() || !sub->objectName().isEmpty();
      if (!grouped_ && !named) {
        CopyItems(sub, target);
        continue;
      }
      auto* menu = new QMenu;
      sub_menus_.push_back(menu);
      QAction* header = target->addMenu(menu);
      header->setIcon(item->icon());
      Register(target, item, header);
      CopyItems(sub, menu);
      continue;
    }
    QAction* entry = nullptr;
    if (item->isSeparator()) {
      entry = new QAction(this);
      entry->setSeparator(true);
    } else if (!item->objectName().isEmpty()) {
      entry = new QAction(item->icon(), QString(), this);
      entry->setCheckable(item->isCheckable());
      QActionGroup* group = item->actionGroup();
      if (group != nullptr && group->isExclusive()) {
        // The radio look: a group of copies beside the source's group.
        auto found = std::find_if(groups_.begin(), groups_.end(),
                                  [group](const auto& g) { return g.first == group; });
        if (found == groups_.end()) {
          auto* copy = new QActionGroup(this);
          copy->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
          groups_.emplace_back(group, copy);
          found = groups_.end() - 1;
        }
        found->second->addAction(entry);
      }
    } else {
      continue;  // unnamed items without sub-items are not copied
    }
    target->addAction(entry);
    if (source->defaultAction() == item) target->setDefaultAction(entry);
    TMyTaskBarMenuItem* registered = Register(target, item, entry);
    if (!item->isSeparator()) {
      const int command = registered->Command();
      connect(entry, &QAction::triggered, this, [this, command] { ExecuteCommand(command); });
    }
  }
}

TMyTaskBarMenuItem* TMyTaskBarMenu::Register(QMenu* menu, QAction* source, QAction* entry) {
  entries_.push_back(
      std::make_unique<TMyTaskBarMenuItem>(this, menu, source, entry, next_command_++));
  TMyTaskBarMenuItem* item = entries_.back().get();
  item->FollowSource();
  // The link: caption, check mark and enabled state follow the source.
  if (!source->isSeparator())
    connect(source, &QAction::changed, this, [item] { item->FollowSource(); });
  return item;
}

bool TMyTaskBarMenu::ExecuteCommand(int command) {
  if (command >= kSystemCommandBase) return false;
  const auto it = std::find_if(entries_.begin(), entries_.end(),
                               [command](const auto& e) { return e->Command() == command; });
  if (it == entries_.end()) return false;
  TMyTaskBarMenuItem* item = it->get();
  QAction* source = item->Source();
  // A sub-menu header has nothing to run. trigger() toggles a checkable action and runs
  // its handler; a disabled action does nothing.
  if (source->menu() == nullptr && !source->isSeparator()) source->trigger();
  // The entry toggled itself when clicked; it shows the source's state again.
  item->FollowSource();
  return true;
}

QAction* TMyTaskBarMenu::FindMenuItem(int command) const {
  for (const auto& e : entries_)
    if (e->Command() == command) return e->Source();
  return nullptr;
}

TMyTaskBarMenuItem* TMyTaskBarMenu::FindEntry(const QAction* source) const {
  for (const auto& e : entries_)
    if (e->Source() == source) return e.get();
  return nullptr;
}

}  // namespace mivaro
