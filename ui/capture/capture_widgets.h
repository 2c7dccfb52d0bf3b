// Widgets of the capture window: the video area that shows the latest frame, and one
// thumbnail panel of the strip.
#pragma once

#include <QFrame>
#include <QImage>
#include <QWidget>

class QLabel;

namespace mivaro {

// Paints the latest frame scaled into its area, keeping the aspect. In timer mode the
// renderer draws into the widget's own X window instead, and the widget paints nothing.
class TMyFrameWidget : public QWidget {
  Q_OBJECT

 public:
  explicit TMyFrameWidget(QWidget* parent = nullptr);
  void SetFrame(QImage frame);
  void SetExternal(bool external);
  const QImage& Frame() const { return frame_; }
  // Where a picture of `size` is drawn inside the widget.
  QRect PictureRect(QSize size) const;

 signals:
  void doubleClicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  QImage frame_;
  bool external_ = false;
};

// Panel_k: the thumbnail Image_k over its time label Label_k.
class TMyThumbPanel : public QFrame {
  Q_OBJECT

 public:
  TMyThumbPanel(int index, QWidget* parent);
  int Index() const { return index_; }
  void SetPicture(const QImage& picture);
  void SetTimeText(const QString& text);
  QString TimeText() const;
  void SetHighlighted(bool on);
  bool Highlighted() const { return highlighted_; }
  QLabel* Image = nullptr;
  QLabel* Label = nullptr;
  static constexpr int kWidth = 88;
  static constexpr int kHeight = 84;

 signals:
  void clicked(int index);
  void doubleClicked(int index);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  int index_;
  bool highlighted_ = false;
};

}  // namespace mivaro
