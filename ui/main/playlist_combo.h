// The playlist combo box of the main window and the model that shows the playlist in it.
//
// TMyPlaylistModel reads the items straight from the playlist's TMyStringStore (no copy)
// and follows its change notifications; each row shows "%d: %s" with the 1-based number
// and either the file name or the full path. Changes inside BeginUpdate/EndUpdate reach
// the views as one reset, so adding 10,000 files repaints once.
//
// TMyComboBox keeps its current item across those resets (a reset would otherwise jump
// to the first row): the current item is the current playlist entry, -1 when none. Only a
// choice by the user emits `activated` (the main window's OnSelect); the wheel never
// changes the entry while the list is closed.
#pragma once

#include <QAbstractListModel>
#include <QComboBox>

#include "core/wstrings.h"

namespace mivaro {

class TMyPlaylistModel : public QAbstractListModel, public TMyStringStoreObserver {
  Q_OBJECT

 public:
  explicit TMyPlaylistModel(QObject* parent = nullptr);
  ~TMyPlaylistModel() override;

  // The store to show (nullptr: none). The model does not own it.
  void SetStore(TMyStringStore* store);
  TMyStringStore* Store() const { return store_; }

  // Full paths (true) or file names only (false).
  void SetShowFolder(bool show);
  bool ShowFolder() const { return show_folder_; }

  // The text drawn for row i: "%d: %s".
  QString ItemText(int row) const;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;

  // TMyStringStoreObserver
  void StoreAboutToInsert(int first, int count) override;
  void StoreInserted(int first, int count) override;
  void StoreAboutToRemove(int first, int count) override;
  void StoreRemoved(int first, int count) override;
  void StoreAboutToMove(int from, int to) override;
  void StoreMoved(int from, int to) override;
  void StoreChanged(int first, int last) override;
  void StoreAboutToReset() override;
  void StoreReset() override;
  void StoreUpdateBegun() override;
  void StoreUpdateEnded() override;
  void StoreDestroyed() override;

 private:
  TMyStringStore* store_ = nullptr;
  bool show_folder_ = false;
  int batch_ = 0;  // > 0 inside an update bracket: single notifications are folded
  bool move_ok_ = false;
};

class TMyComboBox : public QComboBox {
  Q_OBJECT

 public:
  explicit TMyComboBox(QWidget* parent = nullptr);

  void SetPlaylistModel(TMyPlaylistModel* model);
  TMyPlaylistModel* PlaylistModel() const { return model_; }

  // The current entry, -1 when none.
  int ItemIndex() const { return currentIndex(); }
  // Sets the current entry without emitting `activated`; out of range gives -1.
  void SetItemIndex(int index);

 protected:
  void wheelEvent(QWheelEvent* event) override;

 private:
  TMyPlaylistModel* model_ = nullptr;
  int saved_index_ = -1;
};

}  // namespace mivaro
