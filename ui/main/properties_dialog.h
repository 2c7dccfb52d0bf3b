// The properties window of a playlist entry: file facts (folder, name, size, times), the
// media properties (length, video size, frame rate, bit rate) and every tag text that is
// not empty. The information is read when the window opens; a missing file shows that it
// is missing instead of failing.
#pragma once

#include <QDialog>

#include "core/ustring.h"

namespace mivaro {

class TApp_MivaroProperties : public QDialog {
  Q_OBJECT

 public:
  TApp_MivaroProperties(WStringView path, QWidget* parent = nullptr);

  // The rows shown, as (label, value) pairs; for tests.
  QList<QPair<QString, QString>> Rows() const { return rows_; }

 private:
  QList<QPair<QString, QString>> rows_;
};

// The version window: product name, version and the libraries the program runs on.
class TApp_MivaroVersion : public QDialog {
  Q_OBJECT

 public:
  explicit TApp_MivaroVersion(QWidget* parent = nullptr);
};

}  // namespace mivaro
