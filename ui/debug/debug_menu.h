// The main window's diagnostics menu: show the log window, log the player's graph events,
// dump the current pipeline, list the registered elements, and save the graph as a ".GRF"
// file with a Graphviz dot file of the pipeline beside it.
#pragma once

#include <QString>

#include "core/ustring.h"

namespace mivaro {

class TApp_Mivaro;
class TMyMediaPlayer;

// Connects and enables the five diagnostics actions of the main window, and sends the
// player's graph events to the log while "イベントを表示" is checked.
void AttachDebugMenu(TApp_Mivaro& main);

// The caption as a heading line: without its accelerator ("(&F)" or "&") and a trailing
// "...".
QString HeadingOf(const QString& caption);

// The heading, then the dump of the player's pipeline ("未接続" when nothing is open).
void DebugDumpGraph(TMyMediaPlayer& player, const QString& heading);
// The heading, then the registered elements by category.
void DebugListRegistered(const QString& heading);
// The player's graph as a ".GRF" file and the pipeline as a dot file with the same name
// and the extension ".dot" beside it; the heading and the files written go to the log.
// Without a graph the player tells the user so.
void DebugSaveGraph(TMyMediaPlayer& player, WStringView fileName, const QString& heading);

// Why an entry did not play, for the log (written whether or not the window is open): the
// file, then the engine's error text, a missing file, or a length of zero.
void LogUnplayableEntry(TMyMediaPlayer& player, WStringView path);

}  // namespace mivaro
