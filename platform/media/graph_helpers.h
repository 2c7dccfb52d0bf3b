// Free functions that build and take apart media graphs: finding filters by friendly
// name, pins by name, connecting filters, removing them, the video renderers the player
// chooses from, the overlay colour-key probe, and ".GRF" graph files.
//
// They keep no state of their own. Results are status codes: S_OK, E_FAIL for "not found
// or not possible", E_POINTER for a missing argument, or the code of the failing call.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/ustring.h"
#include "platform/media/media_graph.h"
#include "platform/media/media_types.h"

namespace mivaro {

// Categories filters are registered in.
enum class TFilterCategory {
  LegacyAmFilter,  // every filter (decoders, renderers, ...)
  AudioRenderer,   // audio outputs
};

// One registered filter: what FindFilterByFriendlyName enumerates.
struct TFilterMoniker {
  WString friendlyName;
  TFilterKind kind = TFilterKind::Other;
  std::string element;  // the engine's element that makes it
};

// The registered filters of a category, in the registry's order. The default catalogue
// reads GStreamer's registry; tests install their own to model other machines.
std::vector<TFilterMoniker> EnumerateFilterCategory(TFilterCategory category);
void SetFilterCatalogue(std::function<std::vector<TFilterMoniker>(TFilterCategory)> catalogue);
// Whether the engine can create an element (the default asks GStreamer's registry).
bool CanCreateElement(const std::string& element);
void SetElementCreator(std::function<bool(const std::string& element)> creator);

// Friendly names the player asks for.
inline constexpr char16_t kVideoRendererName[] = u"Video Renderer";
inline constexpr char16_t kFfdshowVideoDecoderName[] = u"ffdshow Video Decoder";
inline constexpr char16_t kFfdshowAudioDecoderName[] = u"ffdshow Audio Decoder";
inline constexpr char16_t kDefaultAudioDeviceName[] = u"Default DirectSound Device";
inline constexpr char16_t kOverlayMixerName[] = u"Overlay Mixer";
inline constexpr char16_t kVMR7Name[] = u"VMR7";
inline constexpr char16_t kVMR9Name[] = u"VMR9";
inline constexpr char16_t kEVRName[] = u"Enhanced Video Renderer";
inline constexpr char16_t kSampleGrabberName[] = u"Sample Grabber";
// The stream of a ".GRF" compound file that holds the graph's description.
inline constexpr char kGraphStreamName[] = "ActiveMovieGraph";

// Elements behind the renderer kinds.
std::string VideoRendererElement();     // X image renderer
std::string VMR7Element();              // XVideo renderer
std::string VMR9Element();              // OpenGL renderer
std::string EVRElement();               // automatic choice
std::string OverlayMixerElement();      // XVideo with colour key
std::string DefaultAudioSinkElement();  // MIVARO_AUDIO_SINK, else the automatic audio sink

// Creates the graph manager when `graph` is empty (with `factory`, default GStreamer).
HRESULT EnsureFilterGraph(std::shared_ptr<TMediaGraph>& graph,
                          const TMediaGraphFactory& factory = nullptr);

HRESULT FindFilterByFriendlyName(TMediaFilterPtr* filter, TFilterCategory category,
                                 WStringView name);
HRESULT FindPinByName(const TMediaFilter* filter, WStringView name, TMediaPin** pin);
HRESULT FindFreePin(const TMediaFilter* filter, TPinDirection direction, TMediaPin** pin);
HRESULT ConnectPinToFilter(TMediaGraph* graph, TMediaPin* pin, const TMediaFilter* filter);
HRESULT ConnectFilters(TMediaGraph* graph, const TMediaFilter* source,
                       const TMediaFilter* target);
bool HasConnectedPin(const TMediaFilter* filter, TPinDirection direction);
void DisconnectFilterPins(TMediaFilter* filter);
void StopAndDisconnectAll(TMediaGraph* graph);
void RemoveListedFilters(TMediaGraph* graph, const std::vector<TMediaFilterPtr>& filters);
void FindVideoRendererInGraph(TMediaFilterPtr* filter, TMediaGraph* graph);

HRESULT AddVideoRenderer(TMediaFilterPtr* filter, TMediaGraph* graph);
HRESULT AddOverlayMixerRenderer(TMediaFilterPtr* mixer, TMediaFilterPtr* renderer,
                                TMediaGraph* graph);
HRESULT AddVMR7(TMediaFilterPtr* filter, TMediaGraph* graph);
HRESULT AddVMR9(TMediaFilterPtr* filter, TMediaGraph* graph);
HRESULT AddEVR(TMediaFilterPtr* filter, TMediaGraph* graph);
HRESULT AddSampleGrabber(TMediaFilterPtr* filter, TMediaGraph* graph);

// 0 stopped, 1 paused, 2 running (GetState without waiting); 0 without a graph.
int GetGraphState(TMediaGraph* graph);
// The overlay's colour key (0x00BBGGRR); kDefaultOverlayColorKey where no overlay exists.
std::uint32_t ProbeOverlayColorKey(const TMediaGraphFactory& factory = nullptr);

// ".GRF": an OLE2 compound file with one stream "ActiveMovieGraph" holding the graph's
// description (TMediaGraph::SaveDescription).
HRESULT SaveGraphFile(TMediaGraph* graph, WStringView fileName);
HRESULT LoadGraphFile(TMediaGraph* graph, WStringView fileName);
// True when the file is an OLE2 compound file.
bool IsStorageFile(WStringView fileName);

// The file's extension is ".GRF" (any case).
bool IsGraphFileName(WStringView fileName);

}  // namespace mivaro
