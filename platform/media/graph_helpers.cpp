// Graph construction helpers over the engine-independent graph.
#include "platform/media/graph_helpers.h"

#include <gst/gst.h>
#include <unicode/uchar.h>

#include <algorithm>
#include <cstdlib>
#include <mutex>

#include "platform/media/gst_graph.h"

namespace mivaro {

namespace {

std::mutex& HookMutex() {
  static std::mutex m;
  return m;
}
std::function<std::vector<TFilterMoniker>(TFilterCategory)>& CatalogueHook() {
  static std::function<std::vector<TFilterMoniker>(TFilterCategory)> hook;
  return hook;
}
std::function<bool(const std::string&)>& CreatorHook() {
  static std::function<bool(const std::string&)> hook;
  return hook;
}

WString UpperCase(WStringView s) {
  WString out(s);
  for (auto& c : out) c = static_cast<char16_t>(u_toupper(c));
  return out;
}

bool GstFactoryExists(const char* name) {
  GstInitHolder::Ensure();
  GstElementFactory* f = gst_element_factory_find(name);
  if (!f) return false;
  gst_object_unref(f);
  return true;
}

// The GStreamer registry as filter categories: the program's well-known names first
// (when their elements exist), then every element factory of the category by its long name.
std::vector<TFilterMoniker> GstCatalogue(TFilterCategory category) {
  GstInitHolder::Ensure();
  std::vector<TFilterMoniker> out;
  auto add_alias = [&](const char16_t* name, TFilterKind kind, const std::string& element) {
    if (GstFactoryExists(element.c_str())) out.push_back({WString(name), kind, element});
  };
  if (category == TFilterCategory::LegacyAmFilter) {
    add_alias(kVideoRendererName, TFilterKind::VideoRenderer, VideoRendererElement());
    add_alias(kFfdshowVideoDecoderName, TFilterKind::VideoDecoder, "avdec_h264");
    add_alias(kFfdshowAudioDecoderName, TFilterKind::AudioDecoder, "avdec_aac");
  } else {
    add_alias(kDefaultAudioDeviceName, TFilterKind::AudioRenderer, DefaultAudioSinkElement());
  }
  GList* list = gst_element_factory_list_get_elements(
      category == TFilterCategory::AudioRenderer
          ? GST_ELEMENT_FACTORY_TYPE_SINK | GST_ELEMENT_FACTORY_TYPE_MEDIA_AUDIO
          : GST_ELEMENT_FACTORY_TYPE_ANY,
      GST_RANK_NONE);
  list = g_list_sort(list, gst_plugin_feature_rank_compare_func);
  for (GList* l = list; l; l = l->next) {
    auto* f = GST_ELEMENT_FACTORY(l->data);
    const char* longname = gst_element_factory_get_metadata(f, GST_ELEMENT_METADATA_LONGNAME);
    const char* klass = gst_element_factory_get_metadata(f, GST_ELEMENT_METADATA_KLASS);
    if (!longname) continue;
    std::string k = klass ? klass : "";
    TFilterKind kind = TFilterKind::Other;
    if (k.find("Sink/Video") != std::string::npos) kind = TFilterKind::VideoRenderer;
    else if (k.find("Sink/Audio") != std::string::npos) kind = TFilterKind::AudioRenderer;
    else if (k.find("Decoder/Video") != std::string::npos) kind = TFilterKind::VideoDecoder;
    else if (k.find("Decoder/Audio") != std::string::npos) kind = TFilterKind::AudioDecoder;
    out.push_back({U16(longname), kind, gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(f))});
  }
  gst_plugin_feature_list_free(list);
  return out;
}

const char* Env(const char* name) {
  const char* v = std::getenv(name);
  return v && *v ? v : nullptr;
}

// Makes a filter of `kind` when the engine can create its element.
HRESULT CreateFilter(TMediaFilterPtr* out, TFilterKind kind, const std::string& element,
                     WStringView friendly) {
  if (!CanCreateElement(element)) return E_FAIL;
  *out = MakeMediaFilter(kind, element, WString(friendly));
  return S_OK;
}

HRESULT AddNewFilter(TMediaFilterPtr* filter, TMediaGraph* graph, TFilterKind kind,
                     const std::string& element, WStringView name, bool alwaysNew) {
  if (!filter || !graph) return E_POINTER;
  if (!*filter || alwaysNew) {
    HRESULT hr = CreateFilter(filter, kind, element, name);
    if (hr != S_OK) return hr;
  }
  return graph->AddFilter(*filter, name);
}

}  // namespace

std::vector<TFilterMoniker> EnumerateFilterCategory(TFilterCategory category) {
  std::function<std::vector<TFilterMoniker>(TFilterCategory)> hook;
  {
    std::lock_guard lock(HookMutex());
    hook = CatalogueHook();
  }
  return hook ? hook(category) : GstCatalogue(category);
}

void SetFilterCatalogue(std::function<std::vector<TFilterMoniker>(TFilterCategory)> catalogue) {
  std::lock_guard lock(HookMutex());
  CatalogueHook() = std::move(catalogue);
}

bool CanCreateElement(const std::string& element) {
  std::function<bool(const std::string&)> hook;
  {
    std::lock_guard lock(HookMutex());
    hook = CreatorHook();
  }
  if (hook) return hook(element);
  return !element.empty() && GstFactoryExists(element.c_str());
}

void SetElementCreator(std::function<bool(const std::string& element)> creator) {
  std::lock_guard lock(HookMutex());
  CreatorHook() = std::move(creator);
}

std::string VideoRendererElement() { return "ximagesink"; }
std::string VMR7Element() { return "xvimagesink"; }
std::string VMR9Element() { return "glimagesink"; }
std::string EVRElement() { return "autovideosink"; }
std::string OverlayMixerElement() { return "xvimagesink"; }
std::string DefaultAudioSinkElement() {
  const char* sink = Env("MIVARO_AUDIO_SINK");
  return sink ? sink : "autoaudiosink";
}

HRESULT EnsureFilterGraph(std::shared_ptr<TMediaGraph>& graph, const TMediaGraphFactory& factory) {
  if (graph) return S_OK;
  graph = factory ? factory() : CreateGstGraph();
  return graph ? S_OK : E_FAIL;
}

HRESULT FindFilterByFriendlyName(TMediaFilterPtr* filter, TFilterCategory category,
                                 WStringView name) {
  if (!filter) return E_POINTER;
  filter->reset();
  std::vector<TFilterMoniker> monikers = EnumerateFilterCategory(category);
  if (monikers.empty()) return S_FALSE;
  const WString wanted = UpperCase(name);
  for (const auto& m : monikers) {
    if (UpperCase(m.friendlyName) != wanted) continue;
    return CreateFilter(filter, m.kind, m.element, m.friendlyName);
  }
  return E_FAIL;
}

HRESULT FindPinByName(const TMediaFilter* filter, WStringView name, TMediaPin** pin) {
  if (!pin) return E_POINTER;
  *pin = nullptr;
  if (!filter) return E_POINTER;
  const WString wanted = UpperCase(name);
  for (const auto& p : filter->Pins()) {
    if (UpperCase(p->Name()) == wanted) {
      *pin = p.get();
      return S_OK;
    }
  }
  return E_FAIL;
}

HRESULT FindFreePin(const TMediaFilter* filter, TPinDirection direction, TMediaPin** pin) {
  if (pin) *pin = nullptr;
  if (!filter || !pin) return E_POINTER;
  for (const auto& p : filter->Pins()) {
    if (p->Direction() == direction && Failed(p->ConnectedTo(nullptr))) {
      *pin = p.get();
      return S_OK;
    }
  }
  return E_FAIL;
}

HRESULT ConnectPinToFilter(TMediaGraph* graph, TMediaPin* pin, const TMediaFilter* filter) {
  if (!graph || !pin || !filter) return E_POINTER;
  if (pin->Direction() != PINDIR_OUTPUT) return E_FAIL;
  TMediaPin* in = nullptr;
  HRESULT hr = FindFreePin(filter, PINDIR_INPUT, &in);
  if (hr != S_OK) return hr;
  return graph->Connect(pin, in);
}

HRESULT ConnectFilters(TMediaGraph* graph, const TMediaFilter* source, const TMediaFilter* target) {
  if (!graph || !source || !target) return E_POINTER;
  TMediaPin* out = nullptr;
  HRESULT hr = FindFreePin(source, PINDIR_OUTPUT, &out);
  if (hr != S_OK) return hr;
  return ConnectPinToFilter(graph, out, target);
}

bool HasConnectedPin(const TMediaFilter* filter, TPinDirection direction) {
  if (!filter) return false;
  for (const auto& p : filter->Pins()) {
    if (p->Direction() == direction && p->ConnectedTo(nullptr) == S_OK) return true;
  }
  return false;
}

void DisconnectFilterPins(TMediaFilter* filter) {
  if (!filter || !filter->Graph()) return;
  for (const auto& p : filter->Pins()) filter->Graph()->Disconnect(p.get());
}

void StopAndDisconnectAll(TMediaGraph* graph) {
  if (!graph) return;
  graph->Stop();
  for (const auto& f : graph->EnumFilters()) DisconnectFilterPins(f.get());
}

void RemoveListedFilters(TMediaGraph* graph, const std::vector<TMediaFilterPtr>& filters) {
  if (!graph) return;
  bool removed = true;
  while (removed) {
    removed = false;
    for (const auto& f : graph->EnumFilters()) {
      if (std::find(filters.begin(), filters.end(), f) != filters.end()) {
        graph->RemoveFilter(f);
        removed = true;
        break;  // the enumeration is reset after every removal
      }
    }
  }
}

void FindVideoRendererInGraph(TMediaFilterPtr* filter, TMediaGraph* graph) {
  if (!filter) return;
  filter->reset();
  if (!graph) return;
  for (const auto& f : graph->EnumFilters()) {
    for (const auto& p : f->Pins()) {
      TMediaType type;
      if (p->Direction() == PINDIR_INPUT && p->ConnectionMediaType(&type) == S_OK &&
          type.major == TMediaMajor::Video && f->Kind() != TFilterKind::OverlayMixer &&
          f->Kind() != TFilterKind::VideoDecoder && f->Kind() != TFilterKind::SampleGrabber) {
        *filter = f;
        return;
      }
    }
  }
}

HRESULT AddVideoRenderer(TMediaFilterPtr* filter, TMediaGraph* graph) {
  return AddNewFilter(filter, graph, TFilterKind::VideoRenderer, VideoRendererElement(),
                      kVideoRendererName, false);
}

HRESULT AddOverlayMixerRenderer(TMediaFilterPtr* mixer, TMediaFilterPtr* renderer,
                                TMediaGraph* graph) {
  HRESULT hr = AddNewFilter(mixer, graph, TFilterKind::OverlayMixer, OverlayMixerElement(),
                            kOverlayMixerName, false);
  if (hr != S_OK) return hr;
  hr = AddVideoRenderer(renderer, graph);
  if (hr != S_OK) return hr;
  return ConnectFilters(graph, mixer->get(), renderer->get());
}

HRESULT AddVMR7(TMediaFilterPtr* filter, TMediaGraph* graph) {
  if (!filter || !graph) return E_POINTER;
  HRESULT hr = CreateFilter(filter, TFilterKind::VideoRenderer, VMR7Element(), kVMR7Name);
  if (hr != S_OK) return hr;
  graph->AddFilter(*filter, kVMR7Name);  // only the creation counts
  return hr;
}

HRESULT AddVMR9(TMediaFilterPtr* filter, TMediaGraph* graph) {
  return AddNewFilter(filter, graph, TFilterKind::VideoRenderer, VMR9Element(), kVMR9Name,
                      false);
}

HRESULT AddEVR(TMediaFilterPtr* filter, TMediaGraph* graph) {
  return AddNewFilter(filter, graph, TFilterKind::VideoRenderer, EVRElement(), kEVRName, false);
}

HRESULT AddSampleGrabber(TMediaFilterPtr* filter, TMediaGraph* graph) {
  return AddNewFilter(filter, graph, TFilterKind::SampleGrabber, "appsink", kSampleGrabberName,
                      false);
}

int GetGraphState(TMediaGraph* graph) {
  if (!graph) return 0;
  int state = State_Stopped;
  if (Failed(graph->GetState(0, &state))) return 0;
  return state;
}

std::uint32_t ProbeOverlayColorKey(const TMediaGraphFactory& factory) {
  std::uint32_t key = kDefaultOverlayColorKey;
  std::shared_ptr<TMediaGraph> graph;
  if (EnsureFilterGraph(graph, factory) != S_OK) return key;
  TMediaFilterPtr mixer;
  if (CreateFilter(&mixer, TFilterKind::OverlayMixer, OverlayMixerElement(), kOverlayMixerName) !=
      S_OK)
    return key;
  if (graph->AddFilter(mixer, kOverlayMixerName) != S_OK) return key;
  TMediaPin* pin = nullptr;
  if (FindPinByName(mixer.get(), u"Input0", &pin) != S_OK) return key;
  std::uint32_t reported = 0;
  if (ProbeGstColorKey(mixer->Element(), &reported)) key = reported;
  return key;
}

bool IsGraphFileName(WStringView fileName) {
  std::size_t dot = fileName.find_last_of(u'.');
  std::size_t sep = fileName.find_last_of(u"/\\");
  if (dot == WStringView::npos || (sep != WStringView::npos && dot < sep)) return false;
  return UpperCase(fileName.substr(dot)) == u".GRF";
}

}  // namespace mivaro
