// The information area of the playlist window: the current row's tag texts and file facts,
// read by a job off the user-interface thread and shown in two steps.
#include <QAction>
#include <QApplication>
#include <QListView>
#include <QPointer>
#include <QTableWidget>
#include <algorithm>

#include "core/files.h"
#include "core/natural.h"
#include "core/wstrings.h"
#include "ui/list/app_mivaro_list.h"

namespace mivaro {

namespace {

enum InfoRow { kRowTitle = 0, kRowArtist = 1, kRowAlbum = 2, kRowFileInfo = 3 };

}  // namespace

void TApp_MivaroList::RowClicked() {
  Action_Zoom_Capture->setEnabled(false);
  ClearInfo();
  if (fetch_stop_) fetch_stop_->store(true);
  fetch_stop_.reset();
  const int count = playlist_.Count();
  const int current = CurrentIndex();
  if (count > 0 && current >= 0) {
    const int index = std::clamp(current, 0, count - 1);
    const WString path = playlist_.At(index);
    InfoFetchPlan plan =
        PlanInfoFetch(path, static_cast<const TMyCustomTag*>(playlist_.GetObject(index)));
    InfoFetchCalls calls = FetchCalls;
    // Hand-overs wait in the application's queue; a window gone by then takes none.
    QPointer<TApp_MivaroList> self(this);
    calls.post = [](std::function<void()> call) {
      QMetaObject::invokeMethod(qApp, std::move(call), Qt::QueuedConnection);
    };
    calls.showTags = [self](std::int32_t i, const TMyTag* tag) {
      if (self) self->ShowTags(i, tag);
    };
    calls.showFileInfo = [self](std::int32_t i, const TMyTag* tag) {
      if (self) self->ShowFileInfo(i, tag);
    };
    fetch_stop_ = StartInfoFetch(index, path, std::move(plan), calls);
  }
  UpdateActionStates();
}

void TApp_MivaroList::SetInfoText(int row, const QString& text) {
  Grid_Info->item(row, 1)->setText(text);
}

QString TApp_MivaroList::InfoText(int row) const { return Grid_Info->item(row, 1)->text(); }

void TApp_MivaroList::ClearInfo() {
  for (int r = 0; r < 4; ++r) SetInfoText(r, QString());
}

void TApp_MivaroList::ShowTags(int index, const TMyTag* tag) {
  // A stale result (its job was stopped when the row changed) leaves the texts alone.
  if (CurrentIndex() != index) return;
  ClearInfo();
  const auto* shown = tag ? tag : static_cast<const TMyCustomTag*>(playlist_.GetObject(index));
  if (!shown || CompareTextIgnoreCaseLocale(playlist_.At(index), shown->FileName) != 0) return;
  const InfoTagTexts texts = MakeInfoTagTexts(*shown);
  SetInfoText(kRowTitle, QString::fromStdU16String(texts.title));
  SetInfoText(kRowArtist, QString::fromStdU16String(texts.artist));
  SetInfoText(kRowAlbum, QString::fromStdU16String(texts.album));
}

void TApp_MivaroList::ShowFileInfo(int index, const TMyTag* tag) {
  if (CurrentIndex() != index) return;
  const auto* shown = tag ? tag : static_cast<const TMyCustomTag*>(playlist_.GetObject(index));
  if (!shown || CompareTextIgnoreCaseLocale(playlist_.At(index), shown->FileName) != 0) return;
  const bool exists = FileExists(playlist_.At(index));
  SetInfoText(kRowFileInfo, QString::fromStdU16String(MakeFileInfoText(*shown, exists)));
  if (exists && shown->HasVideoSize() && OpenCapture) Action_Zoom_Capture->setEnabled(true);
}

}  // namespace mivaro
