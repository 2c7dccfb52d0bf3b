#include "ui/sendto/send_to_dialog.h"

#include <QFileDialog>
#include <QFileSystemModel>
#include <QSortFilterProxyModel>

#include "core/paths.h"

namespace mivaro {

const char16_t kSendToDialogFilter[] =
    u"プログラム (実行可能ファイル)|*|ランチャー (*.desktop)|*.desktop|"
    u"スクリプト (*.sh)|*.sh|すべて (*)|*";

namespace {

QString Q(WStringView s) { return QString::fromStdU16String(WString(s)); }

// "text|patterns|..." as Qt's name filters "text (p1 p2)". A text's own trailing
// parenthesis is replaced, since Qt reads the patterns from there.
QStringList NameFilters(const QString& filter) {
  const QStringList parts = filter.split(QLatin1Char('|'));
  QStringList out;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString text = parts[i];
    const int paren = text.lastIndexOf(QLatin1String(" ("));
    if (paren > 0 && text.endsWith(QLatin1Char(')'))) text.truncate(paren);
    out << text + QStringLiteral(" (") + QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' ')) +
               QLatin1Char(')');
  }
  return out;
}

// Hides every file that cannot be run while the first filter is chosen.
class TExecutableFilter : public QSortFilterProxyModel {
 public:
  bool active = true;

 protected:
  bool filterAcceptsRow(int row, const QModelIndex& parent) const override {
    if (!active) return true;
    auto* model = qobject_cast<QFileSystemModel*>(sourceModel());
    if (model == nullptr) return true;
    const QFileInfo info = model->fileInfo(model->index(row, 0, parent));
    return info.isDir() || (info.isFile() && info.isExecutable());
  }
};

// The dialog set up from `dialog`, with the executable filter when the first is chosen.
struct TDialogSetup {
  QFileDialog box;
  TExecutableFilter* filter = new TExecutableFilter;
  QStringList filters;

  TDialogSetup(QWidget* parent, const TMySendToDialog& dialog) : box(parent, dialog.title) {
    box.setObjectName(dialog.name);
    box.setOption(QFileDialog::DontUseNativeDialog);
    box.setProxyModel(filter);
    filters = NameFilters(dialog.filter);
    box.setNameFilters(filters);
    const int index = dialog.filter_index - 1;
    if (index >= 0 && index < filters.size()) box.selectNameFilter(filters[index]);
    filter->active = index <= 0;
    QObject::connect(&box, &QFileDialog::filterSelected, &box, [this](const QString& f) {
      filter->active = filters.indexOf(f) == 0;
      filter->invalidate();
    });
    if (!dialog.initial_dir.empty()) box.setDirectory(Q(dialog.initial_dir));
  }

  void Remember(TMySendToDialog& dialog) {
    dialog.filter_index = static_cast<int>(filters.indexOf(box.selectedNameFilter())) + 1;
    if (dialog.filter_index < 1) dialog.filter_index = 1;
    dialog.initial_dir = IncludeTrailingPathDelimiter(box.directory().absolutePath().toStdU16String(), u'/');
  }
};

}  // namespace

std::vector<WString> RunSendToOpenDialog(QWidget* parent, TMySendToDialog& dialog, bool multiple) {
  TDialogSetup setup(parent, dialog);
  setup.box.setAcceptMode(QFileDialog::AcceptOpen);
  setup.box.setFileMode(multiple ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
  if (setup.box.exec() != QDialog::Accepted) return {};
  setup.Remember(dialog);
  std::vector<WString> files;
  for (const QString& f : setup.box.selectedFiles()) files.push_back(f.toStdU16String());
  return files;
}

bool RunSendToSaveDialog(QWidget* parent, TMySendToDialog& dialog, WString& path) {
  TMySendToDialog at = dialog;
  at.initial_dir = ExtractFilePath(path);
  at.filter_index = 2;  // launchers
  TDialogSetup setup(parent, at);
  setup.box.setAcceptMode(QFileDialog::AcceptSave);
  setup.box.setFileMode(QFileDialog::AnyFile);
  setup.box.selectFile(Q(ExtractFileName(path)));
  if (setup.box.exec() != QDialog::Accepted || setup.box.selectedFiles().isEmpty()) return false;
  path = setup.box.selectedFiles().first().toStdU16String();
  return true;
}

}  // namespace mivaro
