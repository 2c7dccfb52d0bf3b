// mivaro-tool graph: the diagnostics dump of a file's pipeline, or the registered elements.
#include <cstdio>

#include "core/text_encoding.h"
#include "platform/media/debug_log.h"
#include "platform/media/graph_dump.h"
#include "platform/media/gst_graph.h"
#include "tools/tool_command.h"

namespace mivaro::tool {
namespace {

void Print(const std::vector<std::string>& lines) {
  for (const auto& line : lines) std::printf("%s\n", line.c_str());
}

int RunGraph(const std::vector<std::string>& args) {
  if (args.size() != 1) return UsageError("graph needs one FILE or --registered");
  if (!GstInitHolder::Ensure()) return Failure("GStreamer does not start");
  if (args[0] == "--registered") {
    Print(ListRegisteredFilters());
    return 0;
  }
  std::unique_ptr<TMediaGraph> graph = CreateGstGraph();
  HRESULT hr = graph->RenderFile(FromUtf8(args[0]));
  if (hr < 0) {
    // Whatever the engine logged (error text, missing plug-ins) explains why.
    Print(TDebugLog::Instance().Lines());
    return Failure("cannot play '" + args[0] + "'");
  }
  Print(DumpGraph(graph.get()));
  return 0;
}

}  // namespace

MIVARO_TOOL_COMMAND("graph", "FILE | --registered",
                    "prints the elements, pads and media types of FILE's pipeline, or the "
                    "registered elements by category",
                    RunGraph);

}  // namespace mivaro::tool
