#include "ui/capture/capture_widgets.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

namespace mivaro {

TMyFrameWidget::TMyFrameWidget(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_NativeWindow);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMinimumSize(64, 48);
}

void TMyFrameWidget::SetFrame(QImage frame) {
  frame_ = std::move(frame);
  if (!external_) update();
}

void TMyFrameWidget::SetExternal(bool external) {
  external_ = external;
  setAttribute(Qt::WA_PaintOnScreen, external);
  update();
}

QRect TMyFrameWidget::PictureRect(QSize size) const {
  if (size.isEmpty()) return {};
  const QSize shown = size.scaled(this->size(), Qt::KeepAspectRatio);
  return QRect(QPoint((width() - shown.width()) / 2, (height() - shown.height()) / 2), shown);
}

void TMyFrameWidget::paintEvent(QPaintEvent*) {
  if (external_) return;
  QPainter p(this);
  p.fillRect(rect(), Qt::black);
  if (frame_.isNull()) return;
  p.setRenderHint(QPainter::SmoothPixmapTransform, frame_.width() < width());
  p.drawImage(PictureRect(frame_.size()), frame_);
}

void TMyFrameWidget::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) emit doubleClicked();
}

TMyThumbPanel::TMyThumbPanel(int index, QWidget* parent) : QFrame(parent), index_(index) {
  setObjectName(QStringLiteral("Panel_%1").arg(index));
  setFixedSize(kWidth, kHeight);
  setFrameShape(QFrame::StyledPanel);
  setAutoFillBackground(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(3, 3, 3, 2);
  layout->setSpacing(1);
  Image = new QLabel(this);
  Image->setObjectName(QStringLiteral("Image_%1").arg(index));
  Image->setAlignment(Qt::AlignCenter);
  Image->setFixedSize(kWidth - 6, kHeight - 22);
  Image->setStyleSheet(QStringLiteral("background:#202020;"));
  Label = new QLabel(this);
  Label->setObjectName(QStringLiteral("Label_%1").arg(index));
  Label->setAlignment(Qt::AlignCenter);
  layout->addWidget(Image);
  layout->addWidget(Label);
  for (QWidget* w : {static_cast<QWidget*>(this), static_cast<QWidget*>(Image),
                     static_cast<QWidget*>(Label)}) {
    w->installEventFilter(this);
  }
}

void TMyThumbPanel::SetPicture(const QImage& picture) {
  if (picture.isNull()) {
    Image->clear();
    return;
  }
  Image->setPixmap(QPixmap::fromImage(
      picture.scaled(Image->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

void TMyThumbPanel::SetTimeText(const QString& text) { Label->setText(text); }
QString TMyThumbPanel::TimeText() const { return Label->text(); }

void TMyThumbPanel::SetHighlighted(bool on) {
  highlighted_ = on;
  setFrameShape(on ? QFrame::Box : QFrame::StyledPanel);
  setLineWidth(on ? 2 : 1);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, on ? pal.color(QPalette::Highlight).lighter(160)
                                    : parentWidget()->palette().color(QPalette::Window));
  pal.setColor(QPalette::WindowText, on ? pal.color(QPalette::Highlight) : Qt::black);
  setPalette(pal);
}

bool TMyThumbPanel::eventFilter(QObject*, QEvent* event) {
  if (!isEnabled()) return false;
  if (event->type() == QEvent::MouseButtonPress &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    emit clicked(index_);
    return true;
  }
  if (event->type() == QEvent::MouseButtonDblClick &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    emit doubleClicked(index_);
    return true;
  }
  return false;
}

}  // namespace mivaro
