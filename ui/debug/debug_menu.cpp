#include "ui/debug/debug_menu.h"

#include <QAction>
#include <QRegularExpression>

#include "core/files.h"
#include "core/paths.h"
#include "core/text_encoding.h"
#include "platform/media/debug_log.h"
#include "platform/media/graph_dump.h"
#include "platform/media/graph_helpers.h"
#include "player/qt/directshow_player.h"
#include "ui/debug/form_debug.h"
#include "ui/main/app_mivaro.h"
#include "ui/main/busy_guard.h"

namespace mivaro {
namespace {

void WriteHeading(const QString& heading) { DebugWrite(heading.toStdString()); }

}  // namespace

QString HeadingOf(const QString& caption) {
  QString text = caption;
  text.remove(QRegularExpression(QStringLiteral("\\(&.\\)")));
  text.remove(QLatin1Char('&'));
  if (text.endsWith(QStringLiteral("..."))) text.chop(3);
  return text.trimmed();
}

void DebugDumpGraph(TMyMediaPlayer& player, const QString& heading) {
  DebugBeginGroup();
  WriteHeading(heading);
  DebugWriteLines(DumpGraph(player.Graph()));
  DebugEndGroup();
}

void DebugListRegistered(const QString& heading) {
  DebugBeginGroup();
  WriteHeading(heading);
  DebugWriteLines(ListRegisteredFilters());
  DebugEndGroup();
}

void DebugSaveGraph(TMyMediaPlayer& player, WStringView fileName, const QString& heading) {
  if (!player.Graph()) {
    player.SaveGraph(fileName);  // tells the user that there is no graph
    return;
  }
  DebugBeginGroup();
  WriteHeading(heading);
  if (SaveGraphFile(player.Graph(), fileName) == S_OK) DebugWrite("   " + ToUtf8(fileName));
  if (GstElement* pipeline = PipelineOf(player.Graph())) {
    const WString dot = ChangeFileExt(fileName, u".dot");
    if (WritePipelineDot(pipeline, ToUtf8(dot))) DebugWrite("   " + ToUtf8(dot));
  }
  DebugEndGroup();
}

void LogUnplayableEntry(TMyMediaPlayer& player, WStringView path) {
  DebugBeginGroup();
  DebugWrite("再生できないファイル: " + ToUtf8(path));
  const std::string error = player.ErrorText();
  if (!FileExists(path)) {
    DebugWrite("   ファイルが見つからない。");
  } else if (!error.empty()) {
    // The engine's message; its debug text is in the log already, from the engine itself.
    DebugWrite("   " + error.substr(0, error.find('\n')));
  } else if (player.IsOpened() && player.DurationSeconds() == 0) {
    DebugWrite("   長さが 0 で、静止画像としても表示できない。");
  } else {
    DebugWrite("   メディアエンジンがファイルを開けなかった。");
  }
  DebugEndGroup();
}

void AttachDebugMenu(TApp_Mivaro& main) {
  TMyDirectShowPlayer* player = main.DShow_Player;
  TMyMediaPlayer::SetEventLogHook(&LogGraphEvent);
  main.Dialog_Debug_SaveAsGRF.title = QStringLiteral("GraphEdit用ファイル書き出し");
  main.Dialog_Debug_SaveAsGRF.filter = QStringLiteral("GraphEdit ファイル (*.grf)|*.grf|すべて|*.*");

  QObject::connect(main.Action_Debug_Window, &QAction::triggered, &main, [] {
    if (!IsBusy()) ShowDebugWindow();
  });
  QObject::connect(main.Action_Debug_Event, &QAction::toggled, &main,
                   [player](bool on) { player->SetShowEvents(on); });
  QObject::connect(main.Action_Debug_EnumFilters, &QAction::triggered, &main, [&main, player] {
    if (IsBusy()) return;
    ShowDebugWindow();
    DebugDumpGraph(*player, HeadingOf(main.Action_Debug_EnumFilters->text()));
  });
  QObject::connect(main.Action_Debug_EnumSytemFilters, &QAction::triggered, &main, [&main] {
    if (IsBusy()) return;
    ShowDebugWindow();
    DebugListRegistered(HeadingOf(main.Action_Debug_EnumSytemFilters->text()));
  });
  QObject::connect(main.Action_Debug_SaveAsGRF, &QAction::triggered, &main, [&main, player] {
    if (IsBusy()) return;
    TMyDialogState& dialog = main.Dialog_Debug_SaveAsGRF;
    if (!main.RunDialog(TMyDialogKind::Save, dialog) || dialog.file_name.empty()) return;
    // A name typed without an extension gets the graph file's own.
    if (ExtractFileExt(dialog.file_name).empty()) dialog.file_name += u".grf";
    dialog.initial_dir = ExtractFileDir(dialog.file_name);
    DebugSaveGraph(*player, dialog.file_name, HeadingOf(main.Action_Debug_SaveAsGRF->text()));
  });
}

}  // namespace mivaro
