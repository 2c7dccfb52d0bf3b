// The playlist window "再生リスト": a view over the main window's own playlist (the model
// that the playlist combo box shows; no copy) with multi-selection and a search box.
#pragma once

#include <QWidget>

#include "core/search_text.h"

class QLineEdit;
class QListView;

namespace mivaro {

class TApp_Mivaro;

class TApp_MivaroList : public QWidget {
  Q_OBJECT

 public:
  explicit TApp_MivaroList(TApp_Mivaro* main);

  // Searches from the current row towards the end (down) or the start; beeps without a
  // match and does not wrap around.
  void Find(bool down);
  QListView* ListBox_Playlist = nullptr;
  QLineEdit* Edit_Find = nullptr;
  const SearchHistory& FindHistory() const { return history_; }

 protected:
  void keyReleaseEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void SelectOnly(int row);

  TApp_Mivaro* main_;
  SearchKeyCache keys_;
  SearchHistory history_;
};

// Opens (and makes on first use) the main window's playlist window.
TApp_MivaroList* ShowPlaylistWindow(TApp_Mivaro* main);

}  // namespace mivaro
