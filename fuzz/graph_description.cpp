// Fuzz target: a graph's stored description, as read from a ".GRF" file's
// "ActiveMovieGraph" stream. Loading must reject or accept without crashing, and never
// make an element other than those that play the filter's part.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "tests/support/scripted_graph.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  mivaro::TScriptedGraph graph;
  graph.LoadDescription(std::string_view(reinterpret_cast<const char*>(data), size));
  std::string again;
  graph.SaveDescription(&again);
  return 0;
}
