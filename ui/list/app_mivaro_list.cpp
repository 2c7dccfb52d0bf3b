#include "ui/list/app_mivaro_list.h"

#include <algorithm>
#include <optional>

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QToolButton>
#include <QVBoxLayout>

#include "ui/main/app_mivaro.h"
#include "ui/main/playlist_combo.h"

namespace mivaro {

TApp_MivaroList::TApp_MivaroList(TApp_Mivaro* main)
    : QWidget(main, Qt::Window), main_(main) {
  setObjectName(QStringLiteral("App_MivaroList"));
  setWindowTitle(QStringLiteral("再生リスト"));
  auto* top = new QHBoxLayout;
  Edit_Find = new QLineEdit(this);
  Edit_Find->setObjectName(QStringLiteral("Edit_Find"));
  Edit_Find->installEventFilter(this);
  auto* up = new QToolButton(this);
  up->setText(QStringLiteral("▲"));
  up->setToolTip(QStringLiteral("上へ検索"));
  auto* down = new QToolButton(this);
  down->setText(QStringLiteral("▼"));
  down->setToolTip(QStringLiteral("下へ検索"));
  connect(up, &QToolButton::clicked, this, [this] { Find(false); });
  connect(down, &QToolButton::clicked, this, [this] { Find(true); });
  top->addWidget(Edit_Find, 1);
  top->addWidget(up);
  top->addWidget(down);

  ListBox_Playlist = new QListView(this);
  ListBox_Playlist->setObjectName(QStringLiteral("ListBox_Playlist"));
  ListBox_Playlist->setUniformItemSizes(true);  // rows are laid out without measuring each
  ListBox_Playlist->setSelectionMode(QAbstractItemView::ExtendedSelection);
  ListBox_Playlist->setModel(main_->PlaylistModel);
  connect(ListBox_Playlist, &QListView::doubleClicked, this,
          [this](const QModelIndex& i) { main_->PlayIndex(i.row()); });
  // Any change of the list drops the cached search forms.
  QAbstractItemModel* m = main_->PlaylistModel;
  auto drop = [this] { keys_.Invalidate(); };
  connect(m, &QAbstractItemModel::modelReset, this, drop);
  connect(m, &QAbstractItemModel::rowsInserted, this, drop);
  connect(m, &QAbstractItemModel::rowsRemoved, this, drop);
  connect(m, &QAbstractItemModel::rowsMoved, this, drop);
  connect(m, &QAbstractItemModel::dataChanged, this, drop);

  auto* box = new QVBoxLayout(this);
  box->setContentsMargins(2, 2, 2, 2);
  box->addLayout(top);
  box->addWidget(ListBox_Playlist, 1);
  resize(480, 600);
}

void TApp_MivaroList::SelectOnly(int row) {
  const QModelIndex i = main_->PlaylistModel->index(row, 0);
  ListBox_Playlist->selectionModel()->setCurrentIndex(i, QItemSelectionModel::ClearAndSelect);
  ListBox_Playlist->scrollTo(i, QAbstractItemView::PositionAtTop);
}

void TApp_MivaroList::Find(bool down) {
  TMyWStrings& list = main_->Playlist();
  const int count = list.Count();
  if (count == 0) return;
  const int current = std::clamp(ListBox_Playlist->currentIndex().row(), 0, count - 1);
  const WString raw = Edit_Find->text().toStdU16String();
  const WString key = NormaliseSearchText(raw);
  if (!raw.empty()) history_.Add(raw);
  auto at = [&list](size_t i) { return list.Get(static_cast<int>(i)); };
  std::optional<size_t> hit;
  if (down && current + 1 < count)
    hit = keys_.Find(key, static_cast<size_t>(count), static_cast<size_t>(current + 1), true, at);
  else if (!down && current > 0)
    hit = keys_.Find(key, static_cast<size_t>(count), static_cast<size_t>(current - 1), false, at);
  if (hit) {
    SelectOnly(static_cast<int>(*hit));
    return;
  }
  QApplication::beep();
  if (keys_.Matches(key, static_cast<size_t>(current), list.Get(current))) SelectOnly(current);
}

bool TApp_MivaroList::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Edit_Find && event->type() == QEvent::KeyPress) {
    const int k = static_cast<QKeyEvent*>(event)->key();
    if (k == Qt::Key_Return || k == Qt::Key_Enter || k == Qt::Key_Up || k == Qt::Key_Down)
      return true;
  }
  if (watched == Edit_Find && event->type() == QEvent::KeyRelease) {
    auto* e = static_cast<QKeyEvent*>(event);
    if (e->key() == Qt::Key_Up) Find(false);
    if (e->key() == Qt::Key_Down) Find(true);
    if (e->key() == Qt::Key_F3) Find(!(e->modifiers() & Qt::ShiftModifier));
    return e->key() == Qt::Key_Up || e->key() == Qt::Key_Down || e->key() == Qt::Key_F3;
  }
  return QWidget::eventFilter(watched, event);
}

void TApp_MivaroList::keyReleaseEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_F3) {
    Find(!(event->modifiers() & Qt::ShiftModifier));
    return;
  }
  QWidget::keyReleaseEvent(event);
}

TApp_MivaroList* ShowPlaylistWindow(TApp_Mivaro* main) {
  auto* w = main->findChild<TApp_MivaroList*>(QString(), Qt::FindDirectChildrenOnly);
  if (!w) w = new TApp_MivaroList(main);
  w->show();
  w->raise();
  w->activateWindow();
  return w;
}

}  // namespace mivaro
