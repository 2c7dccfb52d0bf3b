#include "ui/main/file_dialog.h"

#include <QFileDialog>
#include <QStringList>

#include "ui/main/dialog_filters.h"

namespace mivaro {

bool RunFileDialog(QWidget* parent, TMyDialogKind kind, TMyDialogState& state) {
  const QString dir = QString::fromStdU16String(state.initial_dir);
  const QStringList filters = QtFilters(state.filter);
  const QString selected =
      state.filter_index >= 1 && state.filter_index <= filters.size() ? filters[state.filter_index - 1] : QString();
  QString chosen_filter = selected;
  switch (kind) {
    case TMyDialogKind::OpenFile: {
      const QStringList files = QFileDialog::getOpenFileNames(
          parent, state.title, dir, filters.join(QStringLiteral(";;")), &chosen_filter);
      if (files.isEmpty()) return false;
      state.files.clear();
      for (const QString& f : files) state.files.push_back(f.toStdU16String());
      state.file_name = state.files.front();
      break;
    }
    case TMyDialogKind::OpenFolder:
    case TMyDialogKind::OpenThisFolder: {
      const QString folder = QFileDialog::getExistingDirectory(parent, state.title, dir);
      if (folder.isEmpty()) return false;
      state.files = {folder.toStdU16String()};
      state.file_name = folder.toStdU16String();
      break;
    }
    case TMyDialogKind::Save: {
      // The program asks its own overwrite question after the dialog; Qt's would ask twice.
      const QString file = QFileDialog::getSaveFileName(
          parent, state.title, dir, filters.join(QStringLiteral(";;")), &chosen_filter,
          QFileDialog::DontConfirmOverwrite);
      if (file.isEmpty()) return false;
      state.file_name = file.toStdU16String();
      state.files = {state.file_name};
      break;
    }
  }
  const int index = static_cast<int>(filters.indexOf(chosen_filter));
  if (index >= 0) state.filter_index = index + 1;
  return true;
}

}  // namespace mivaro
