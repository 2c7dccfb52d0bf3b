#include "ui/main/menu_builder.h"

#include <QMenu>
#include <QProxyStyle>
#include <QToolBar>
#include <QToolButton>

#include "ui/main/app_mivaro.h"

namespace mivaro {
namespace {

using menu_table::E;

class TMyMenuStyle : public QProxyStyle {
 public:
  explicit TMyMenuStyle(const int* size) : size_(size) {}
  int pixelMetric(PixelMetric metric, const QStyleOption* option,
                  const QWidget* widget) const override {
    if (metric == PM_SmallIconSize) return *size_;
    return QProxyStyle::pixelMetric(metric, option, widget);
  }

 private:
  const int* size_;
};

// A tool button for `action` with `menu` as its drop-down (the arrow opens the menu, the
// button runs the action).
QToolButton* AddDropDown(QToolBar* bar, QAction* action, QMenu* menu) {
  auto* button = new QToolButton(bar);
  button->setDefaultAction(action);
  button->setMenu(menu);
  button->setPopupMode(QToolButton::MenuButtonPopup);
  button->setAutoRaise(true);
  button->setIconSize(bar->iconSize());
  QObject::connect(bar, &QToolBar::iconSizeChanged, button, &QToolButton::setIconSize);
  bar->addWidget(button);
  return button;
}

}  // namespace

QStyle* NewMenuStyle(const int* size, QObject* parent) {
  auto* style = new TMyMenuStyle(size);
  style->setParent(parent);
  return style;
}

QToolBar* MakeToolBar(const char* name, QWidget* parent) {
  auto* bar = new QToolBar(parent);
  bar->setObjectName(QString::fromLatin1(name));
  bar->setIconSize(QSize(16, 16));
  bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
  bar->setMovable(false);
  bar->setFloatable(false);
  bar->setStyleSheet(QStringLiteral("QToolBar { border: 0px; padding: 0px; spacing: 0px; }"));
  return bar;
}

QMenu* TMyMenuBuilder::Make(const QString& title, QWidget* parent, const char* name) const {
  auto* menu = new QMenu(title, parent);
  if (name) menu->setObjectName(QString::fromLatin1(name));
  menu->setStyle(style_);
  menu->setToolTipsVisible(true);
  return menu;
}

void TMyMenuBuilder::Fill(QMenu* menu, std::span<const E> items) const {
  const TMyMainActions& actions = form_;
  for (const E& item : items) {
    switch (item.kind) {
      case E::Action:
        menu->addAction(actions.*item.action);
        break;
      case E::Separator:
        menu->addSeparator();
        break;
      case E::Rates:
        for (QAction* rate : actions.Action_PlayRates) menu->addAction(rate);
        break;
      case E::Inline:
        Fill(menu, item.items);
        break;
      case E::Sub: {
        QMenu* sub = Make(QString::fromUtf16(item.title), menu);
        menu->addMenu(sub);
        Keep(sub, item);
        if (item.disabled) sub->menuAction()->setEnabled(false);
        Fill(sub, item.items);
        break;
      }
      case E::Holder: {
        QAction* action = actions.*item.action;
        QMenu* sub = Make(action->text(), menu);
        sub->setIcon(action->icon());
        QAction* entry = menu->addMenu(sub);
        entry->setEnabled(action->isEnabled());
        QObject::connect(action, &QAction::changed, entry, [entry, action] {
          entry->setEnabled(action->isEnabled());
          entry->setText(action->text());
        });
        Keep(sub, item);
        Fill(sub, item.items);
        break;
      }
      case E::DropDown:
        break;
    }
  }
}

void TMyMenuBuilder::Fill(QToolBar* bar, std::span<const E> items) const {
  const TMyMainActions& actions = form_;
  for (const E& item : items) {
    if (item.kind == E::Separator) {
      bar->addSeparator();
    } else if (item.kind == E::DropDown) {
      AddDropDown(bar, actions.*item.action, form_.*item.store);
    } else {
      bar->addAction(actions.*item.action);
    }
  }
}

void TMyMenuBuilder::Keep(QMenu* menu, const E& item) const {
  if (!item.store || form_.*item.store) return;
  form_.*item.store = menu;
  if (item.name) menu->setObjectName(QString::fromLatin1(item.name));
}

}  // namespace mivaro
