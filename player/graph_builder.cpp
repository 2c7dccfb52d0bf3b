// The player's graph-building rules (see graph_builder.h).
#include "player/graph_builder.h"

namespace mivaro {

HRESULT AddRendererForMode(TMediaGraph* graph, TMyVmMode mode, bool useFFDShow,
                           WStringView fileName, TBuiltGraph* built) {
  if (!graph || !built) return E_POINTER;
  if (IsGraphFileName(fileName)) return S_OK;
  if (useFFDShow) {
    // A decoder that is not installed is simply left out.
    if (FindFilterByFriendlyName(&built->videoDecoder, TFilterCategory::LegacyAmFilter,
                                 kFfdshowVideoDecoderName) == S_OK) {
      if (graph->AddFilter(built->videoDecoder, kFfdshowVideoDecoderName) != S_OK)
        built->videoDecoder.reset();
    }
    if (FindFilterByFriendlyName(&built->audioDecoder, TFilterCategory::LegacyAmFilter,
                                 kFfdshowAudioDecoderName) == S_OK) {
      if (graph->AddFilter(built->audioDecoder, kFfdshowAudioDecoderName) != S_OK)
        built->audioDecoder.reset();
    }
  }
  switch (mode) {
    case vmFriendlyVideoRenderer: {
      HRESULT hr = FindFilterByFriendlyName(&built->videoRenderer,
                                            TFilterCategory::LegacyAmFilter, kVideoRendererName);
      if (hr != S_OK) return hr;
      return graph->AddFilter(built->videoRenderer, kVideoRendererName);
    }
    case vmVideoRenderer:
      return AddVideoRenderer(&built->videoRenderer, graph);
    case vmOverlayMixer:
      return AddOverlayMixerRenderer(&built->overlayMixer, &built->videoRenderer, graph);
    case vmVMR7:
      return AddVMR7(&built->videoRenderer, graph);
    case vmVMR9:
      return AddVMR9(&built->videoRenderer, graph);
    case vmEVR:
      return AddEVR(&built->videoRenderer, graph);
  }
  return E_INVALIDARG;
}

HRESULT RenderMediaFile(TMediaGraph* graph, WStringView fileName, TBuiltGraph* built) {
  if (!graph || !built) return E_POINTER;
  if (IsGraphFileName(fileName)) {
    LoadGraphFile(graph, fileName);  // a graph that did not load shows as a file without media
    return S_OK;
  }
  HRESULT hr = graph->RenderFile(fileName);
  if (Succeeded(hr)) return hr;
  return RenderFallback(graph, fileName, built);
}

HRESULT RenderFallback(TMediaGraph* graph, WStringView fileName, TBuiltGraph* built) {
  if (!graph || !built) return E_POINTER;
  // Windows Media files that automatic rendering refuses: the ASF reader straight into the
  // default audio device; only that stream is played.
  TMediaFilterPtr reader;
  if (!CanCreateElement("asfdemux")) return E_FAIL;
  reader = MakeMediaFilter(TFilterKind::Source, "asfdemux", WString(fileName));
  reader->SetSourceFile(WString(fileName));
  if (graph->AddFilter(reader, fileName) != S_OK) return E_FAIL;
  if (FindFilterByFriendlyName(&built->audioRenderer, TFilterCategory::AudioRenderer,
                               kDefaultAudioDeviceName) == S_OK) {
    graph->AddFilter(built->audioRenderer, kDefaultAudioDeviceName);
  }
  HRESULT hr = ConnectFilters(graph, reader.get(), built->audioRenderer.get());
  if (hr != S_OK) return hr == E_POINTER ? E_FAIL : hr;
  hr = graph->RenderSource(reader);
  return Succeeded(hr) ? S_OK : hr;
}

void CleanUpAfterOpen(TMediaGraph* graph, TMyVmMode mode, int videoWidth, int videoHeight,
                      TBuiltGraph* built) {
  if (!graph || !built) return;
  if (videoWidth < 1 || videoHeight < 1) {
    RemoveListedFilters(graph, {built->overlayMixer, built->videoRenderer, built->videoDecoder});
    return;
  }
  if (mode == vmOverlayMixer && built->overlayMixer &&
      !HasConnectedPin(built->overlayMixer.get(), PINDIR_INPUT)) {
    DisconnectFilterPins(built->overlayMixer.get());
    DisconnectFilterPins(built->videoRenderer.get());
    RemoveListedFilters(graph, {built->overlayMixer, built->videoRenderer});
    built->overlayMixer.reset();
    built->videoRenderer.reset();
    FindVideoRendererInGraph(&built->videoRenderer, graph);
  }
}

}  // namespace mivaro
