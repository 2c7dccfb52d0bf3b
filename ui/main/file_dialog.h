// The file and folder dialogs of the main window and its commands: what each dialog keeps
// between runs, and running one.
#pragma once

#include <QString>
#include <vector>

#include "core/ustring.h"

class QWidget;

namespace mivaro {

// What a file or folder dialog keeps between runs: its folder, its chosen paths and, for
// the file dialogs, the file name and filter.
struct TMyDialogState {
  QString title;
  QString filter;        // "text|patterns|text|patterns..." as the program writes filters
  int filter_index = 1;  // 1-based
  WString initial_dir;
  WString file_name;
  std::vector<WString> files;  // the chosen paths (files or folders)
};

enum class TMyDialogKind { OpenFile, OpenFolder, OpenThisFolder, Save };

// Runs the toolkit's modal dialog of `kind` over `parent` (it pumps messages while open)
// and writes the choice into `state`; false when cancelled. The save dialog asks no
// overwrite question: the commands ask their own.
bool RunFileDialog(QWidget* parent, TMyDialogKind kind, TMyDialogState& state);

}  // namespace mivaro
