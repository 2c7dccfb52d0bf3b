#include "ui/main/playlist_combo.h"

#include <QListView>
#include <QWheelEvent>

#include "core/paths.h"

namespace mivaro {

TMyPlaylistModel::TMyPlaylistModel(QObject* parent) : QAbstractListModel(parent) {}

TMyPlaylistModel::~TMyPlaylistModel() {
  if (store_) store_->RemoveObserver(this);
}

void TMyPlaylistModel::SetStore(TMyStringStore* store) {
  beginResetModel();
  if (store_) store_->RemoveObserver(this);
  store_ = store;
  batch_ = 0;
  if (store_) store_->AddObserver(this);
  endResetModel();
}

void TMyPlaylistModel::SetShowFolder(bool show) {
  if (show == show_folder_) return;
  show_folder_ = show;
  const int n = rowCount();
  if (n > 0) emit dataChanged(index(0), index(n - 1), {Qt::DisplayRole});
}

QString TMyPlaylistModel::ItemText(int row) const {
  if (!store_ || row < 0 || row >= store_->Count()) return {};
  const WString& path = store_->Text(row);
  const WString shown = show_folder_ ? path : ExtractFileName(path);
  return QString::number(row + 1) + QStringLiteral(": ") + QString::fromStdU16String(shown);
}

int TMyPlaylistModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid() || !store_) return 0;
  return store_->Count();
}

QVariant TMyPlaylistModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  switch (role) {
    case Qt::DisplayRole:
      return ItemText(index.row());
    case Qt::ToolTipRole:
      if (store_ && index.row() < store_->Count())
        return QString::fromStdU16String(store_->Text(index.row()));
      return {};
    default:
      return {};
  }
}

void TMyPlaylistModel::StoreAboutToInsert(int first, int count) {
  if (batch_ == 0) beginInsertRows(QModelIndex(), first, first + count - 1);
}
void TMyPlaylistModel::StoreInserted(int, int) {
  if (batch_ == 0) endInsertRows();
}
void TMyPlaylistModel::StoreAboutToRemove(int first, int count) {
  if (batch_ == 0) beginRemoveRows(QModelIndex(), first, first + count - 1);
}
void TMyPlaylistModel::StoreRemoved(int, int) {
  if (batch_ == 0) endRemoveRows();
}
void TMyPlaylistModel::StoreAboutToMove(int from, int to) {
  if (batch_ != 0) return;
  // Qt names the destination as the row before which the item goes.
  const int dest = to > from ? to + 1 : to;
  move_ok_ = from != to && beginMoveRows(QModelIndex(), from, from, QModelIndex(), dest);
  if (!move_ok_) beginResetModel();
}
void TMyPlaylistModel::StoreMoved(int, int) {
  if (batch_ != 0) return;
  if (move_ok_) {
    endMoveRows();
  } else {
    endResetModel();
  }
}
void TMyPlaylistModel::StoreChanged(int first, int last) {
  if (batch_ != 0 || first > last) return;
  emit dataChanged(index(first), index(last), {Qt::DisplayRole});
}
void TMyPlaylistModel::StoreAboutToReset() {
  if (batch_ == 0) beginResetModel();
}
void TMyPlaylistModel::StoreReset() {
  if (batch_ == 0) endResetModel();
}
void TMyPlaylistModel::StoreUpdateBegun() {
  if (batch_++ == 0) beginResetModel();
}
void TMyPlaylistModel::StoreUpdateEnded() {
  if (batch_ > 0 && --batch_ == 0) endResetModel();
}
void TMyPlaylistModel::StoreDestroyed() {
  beginResetModel();
  store_ = nullptr;
  batch_ = 0;
  endResetModel();
}

TMyComboBox::TMyComboBox(QWidget* parent) : QComboBox(parent) {
  setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  setMinimumContentsLength(8);
  setMaxVisibleItems(20);
  setFocusPolicy(Qt::StrongFocus);
  auto* list = new QListView(this);
  list->setUniformItemSizes(true);  // 10,000 rows must not be measured one by one
  list->setTextElideMode(Qt::ElideMiddle);
  setView(list);
}

void TMyComboBox::SetPlaylistModel(TMyPlaylistModel* model) {
  model_ = model;
  setModel(model);
  // A reset would select the first row; keep the current entry instead (rows are
  // appended or rewritten in place inside update brackets, so the number stays right).
  connect(model, &QAbstractItemModel::modelAboutToBeReset, this,
          [this] { saved_index_ = currentIndex(); });
  connect(model, &QAbstractItemModel::modelReset, this, [this] { SetItemIndex(saved_index_); });
}

void TMyComboBox::SetItemIndex(int index) {
  if (index < 0 || index >= count()) index = -1;
  if (index != currentIndex()) setCurrentIndex(index);
}

void TMyComboBox::wheelEvent(QWheelEvent* event) {
  // The wheel never changes the current entry by accident.
  event->accept();
}

}  // namespace mivaro
