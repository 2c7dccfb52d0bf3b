#include "ui/list/list_row_delegate.h"

#include <QApplication>
#include <QPainter>
#include <algorithm>
#include <utility>

namespace mivaro {

TMyListRowDelegate::TMyListRowDelegate(std::function<QString(int row)> text,
                                       std::function<int()> playing, QObject* parent)
    : QStyledItemDelegate(parent), text_(std::move(text)), playing_(std::move(playing)) {}

void TMyListRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
  const bool selected = option.state.testFlag(QStyle::State_Selected);
  const QPalette::ColorGroup group =
      option.state.testFlag(QStyle::State_Active) ? QPalette::Active : QPalette::Inactive;
  painter->save();
  painter->fillRect(option.rect, selected ? option.palette.brush(group, QPalette::Highlight)
                                          : option.palette.brush(group, QPalette::Base));
  QFont font = option.font;
  if (index.row() == playing_()) font.setBold(true);
  painter->setFont(font);
  painter->setPen(option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
  const QRect text_rect = option.rect.adjusted(2, 0, 0, 0);
  painter->drawText(text_rect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                    text_(index.row()));
  if (option.state.testFlag(QStyle::State_HasFocus)) {
    QStyleOptionFocusRect focus;
    focus.rect = option.rect;
    focus.state = option.state;
    focus.backgroundColor = option.palette.color(group, QPalette::Highlight);
    QApplication::style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, option.widget);
  }
  painter->restore();
}

QSize TMyListRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
  // The bold font of the playing row must fit as well.
  QFont bold = option.font;
  bold.setBold(true);
  return {option.rect.width(), std::max(kRowHeight, QFontMetrics(bold).height())};
}

}  // namespace mivaro
