// Selection, the zoomable preview, the clipboard and saving of the capture window.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMessageBox>
#include <QScrollArea>
#include <algorithm>

#include "capture/save_names.h"
#include "core/files.h"
#include "core/hooks.h"
#include "core/numbers.h"
#include "core/paths.h"
#include "core/shell.h"
#include "ui/capture/app_tool_bmp_capture_ex.h"
#include "ui/capture/capture_widgets.h"

namespace mivaro {

namespace {
QString Q(WStringView s) { return QString::fromStdU16String(WString(s)); }
}  // namespace

void TApp_TOOLBmpCaptureEx::SelectThumb(int k) {
  if (k < 0 || k >= ThumbCount() || Capturing) return;
  capture::T_TimeBitmap thumb = Strip.Thumb(k);
  if (thumb.Empty()) return;
  Selected = k;
  for (TMyThumbPanel* p : panels_) p->SetHighlighted(p->Index() == k);
  Preview = std::move(thumb);
  PreviewTime = Preview.Time;
  Image_Bitmap = QImage(Preview.rgb.data(), Preview.width, Preview.height, Preview.width * 3,
                        QImage::Format_RGB888);
  ShowPreview();
  Action_Image_CopyExecute(nullptr);
}

void TApp_TOOLBmpCaptureEx::ShowPreview() {
  if (Image_Bitmap.isNull()) {
    Image_Preview->clear();
    Image_Preview->resize(0, 0);
    return;
  }
  if (Action_Zoom_Auto->isChecked()) {
    const QSize area = ScrollBox_Bitmap->viewport()->size();
    scale_ = std::min(static_cast<double>(area.width()) / Image_Bitmap.width(),
                      static_cast<double>(area.height()) / Image_Bitmap.height());
    if (!(scale_ > 0)) scale_ = 1.0;
  }
  const QSize shown(std::max(1, static_cast<int>(Image_Bitmap.width() * scale_ + 0.5)),
                    std::max(1, static_cast<int>(Image_Bitmap.height() * scale_ + 0.5)));
  Image_Preview->setPixmap(QPixmap::fromImage(
      scale_ == 1.0 ? Image_Bitmap
                    : Image_Bitmap.scaled(shown, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
  Image_Preview->resize(shown);
}

void TApp_TOOLBmpCaptureEx::SetScale(double scale) {
  Action_Zoom_Auto->setChecked(false);
  scale_ = scale;
  ShowPreview();
}

void TApp_TOOLBmpCaptureEx::Action_Zoom_UpExecute(QObject*) {
  if (Image_Bitmap.isNull()) return;
  SetScale(capture::ZoomStep(static_cast<double>(Image_Preview->width()) / Image_Bitmap.width(),
                             true));
}

void TApp_TOOLBmpCaptureEx::Action_Zoom_DownExecute(QObject*) {
  if (Image_Bitmap.isNull()) return;
  SetScale(capture::ZoomStep(static_cast<double>(Image_Preview->width()) / Image_Bitmap.width(),
                             false));
}

void TApp_TOOLBmpCaptureEx::Action_Zoom_ActualExecute(QObject*) { SetScale(1.0); }

void TApp_TOOLBmpCaptureEx::Action_Zoom_AutoExecute(QObject*) { ShowPreview(); }

void TApp_TOOLBmpCaptureEx::Action_Image_CopyExecute(QObject*) {
  if (Image_Bitmap.isNull()) return;
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (!clipboard) {
    ShowMessage(u"クリップボードへコピーできませんでした", MessageKind::Error);
    return;
  }
  // A deep copy: the preview's bytes change with the next selection.
  clipboard->setImage(Image_Bitmap.copy());
}

WString TApp_TOOLBmpCaptureEx::SavePreview(WStringView file) {
  if (Preview.Empty()) return {};
  const capture::SaveTarget target = capture::SaveTargetFor(file);
  const std::string name = Utf8(target.name);
  bool ok = false;
  switch (target.kind) {
    case capture::ImageKind::Gif:
      ok = Preview.transparentColor
               ? capture::SaveBitmapAsGifTransparent(Preview, name, *Preview.transparentColor)
               : capture::SaveBitmapAsGif(Preview, name);
      break;
    case capture::ImageKind::Jpeg:
      ok = capture::SaveBitmapAsJpeg(Preview, name, 80);
      break;
    case capture::ImageKind::Bmp:
      ok = capture::SaveBitmapAsBmp(Preview, name);
      break;
  }
  return ok ? target.name : WString();
}

void TApp_TOOLBmpCaptureEx::Action_Image_SaveExecute(QObject* sender) {
  SaveWithFilter(sender, Dialog_Save.filter_index);
}

void TApp_TOOLBmpCaptureEx::SaveWithFilter(QObject* sender, int filter_index) {
  if (Image_Bitmap.isNull()) return;
  Dialog_Save.filter_index = filter_index;
  // The suggested name: the video's title and the frame's time.
  WString stamp = FormatSecondsFraction(3, PreviewTime);
  std::replace(stamp.begin(), stamp.end(), u':', u'-');
  WString suggested = ExtractFileTitle(FileName) + u"_" + stamp;
  if (Shift()) {
    Dialog_Save.initial_dir = GetMyPicturesFolder();
  } else if (!Dialog_Save.initial_dir.empty()) {
    suggested = ExtractFilePath(Dialog_Save.initial_dir + u"/") + suggested;
  }
  Dialog_Save.file_name = suggested;
  if (sender && ExecuteDialog && !ExecuteDialog(TMyCaptureDialogKind::Save, Dialog_Save)) return;
  if (Dialog_Save.file_name.empty()) return;
  const WString chosen = capture::WithFilterExtension(Dialog_Save.file_name, Dialog_Save.filter_index);
  Dialog_Save.initial_dir = ExtractFileDir(chosen);
  // The question is about the file that will be written (".jpg" names end in ".jpeg").
  const WString written = capture::SaveTargetFor(chosen).name;
  if (sender && FileExists(written)) {
    const QString text = Q(written) + QStringLiteral("\rは既に存在します。上書きしますか?");
    if (!AskOverwrite || !AskOverwrite(text, QStringLiteral("名前を付けて保存"))) return;
  }
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const WString saved = SavePreview(chosen);
  QApplication::restoreOverrideCursor();
  if (saved.empty()) ShowMessage(written + u"\r保存できませんでした", MessageKind::Error);
}

}  // namespace mivaro
