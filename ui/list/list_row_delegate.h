// Draws one row of the playlist window: "%d: %s" with the 1-based number and the file name
// (or the full path), 2 pixels in, single line, vertically centred, the playing row bold.
// The text is made when the row is painted, so only visible rows cost anything.
#pragma once

#include <QStyledItemDelegate>
#include <functional>

namespace mivaro {

class TMyListRowDelegate : public QStyledItemDelegate {
 public:
  TMyListRowDelegate(std::function<QString(int row)> text, std::function<int()> playing,
                     QObject* parent);

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

  static constexpr int kRowHeight = 16;

 private:
  std::function<QString(int row)> text_;
  std::function<int()> playing_;
};

}  // namespace mivaro
