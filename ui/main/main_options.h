// The start-up choices of the main window (TApp_Mivaro); the program runs with the
// defaults, tests and benchmarks change them.
#pragma once

#include <QFlags>
#include <Qt>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "core/ustring.h"

namespace mivaro {

// From the media engine (platform/media/media_graph.h), declared here so that this header
// stays light.
class TMediaGraph;
using TMediaGraphFactory = std::function<std::unique_ptr<TMediaGraph>()>;

// Start-up choices; the defaults are those of the program.
struct TApp_MivaroOptions {
  // Every token after the program path (options included); unset: the process's own
  // command line.
  std::optional<std::vector<WString>> arguments;
  // Start the sub player process at the end of start-up.
  bool start_sub_player = true;
  // Offer the MPRIS interface on the session bus.
  bool register_mpris = true;
  // Graphs for the player (tests give scripted graphs); empty: the real media engine.
  TMediaGraphFactory graph_factory;
  // Install the Qt hooks of core/hooks.h (message boxes, message pump, keys). Tests that
  // answer message boxes themselves install their own.
  bool install_hooks = true;
  // The modifier keys as commands read them (start-up and exit included); unset: the
  // keyboard's.
  std::function<Qt::KeyboardModifiers()> held_keys;
};

}  // namespace mivaro
