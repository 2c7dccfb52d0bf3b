// Diagnostics over GStreamer: the elements and pads of a pipeline with their negotiated
// media types, the registered elements by category, a Graphviz export, and the log lines
// of bus errors, warnings and missing plug-ins.
#pragma once

#include <string>
#include <vector>

typedef struct _GstElement GstElement;
typedef struct _GstCaps GstCaps;
typedef struct _GstMessage GstMessage;

namespace mivaro {

class TMediaGraph;

// The pipeline of a GStreamer graph, or null (another engine, nothing open).
GstElement* PipelineOf(TMediaGraph* graph);

// Each element (name, factory, vendor), each pad (name, direction, id) and its media type;
// the single line "未接続" without a pipeline.
std::vector<std::string> DumpPipeline(GstElement* pipeline);
inline std::vector<std::string> DumpGraph(TMediaGraph* graph) { return DumpPipeline(PipelineOf(graph)); }

// The media-type lines of caps: major type, subtype, format type and its block.
std::vector<std::string> DumpCaps(const GstCaps* caps);

// The registered elements under each category heading, "無し" where nothing maps.
std::vector<std::string> ListRegisteredFilters();

// Writes the pipeline as a Graphviz dot file; false without a pipeline or on failure.
bool WritePipelineDot(GstElement* pipeline, const std::string& path);

// Writes errors (message and debug text), warnings and missing plug-ins of a bus message
// to the diagnostics log; other messages are ignored.
void LogBusDiagnostics(GstMessage* msg);

// Writes lines to the diagnostics log as one group.
void DebugWriteLines(const std::vector<std::string>& lines);

}  // namespace mivaro
