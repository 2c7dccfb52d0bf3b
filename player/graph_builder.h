// How the player builds the graph for a file: which renderer for which mode, the
// preferred decoders, automatic rendering with its Windows Media fallback, a saved graph
// for ".GRF", and the clean-up once the video size is known. The graph helpers below it
// (platform/media/graph_helpers.h) only make, connect and remove filters.
#pragma once

#include "core/ustring.h"
#include "platform/media/graph_helpers.h"

namespace mivaro {

// Builds the graph for a file as the player's Open does (renderer for `mode`, preferred
// decoders when `useFFDShow`, automatic rendering with the Windows Media fallback, or a
// saved graph for ".GRF"). The filters put in are handed back for the player to keep.
struct TBuiltGraph {
  TMediaFilterPtr videoDecoder;
  TMediaFilterPtr audioDecoder;
  TMediaFilterPtr videoRenderer;
  TMediaFilterPtr audioRenderer;
  TMediaFilterPtr overlayMixer;
};
// Steps before the notify window is set: decoders and renderer. S_OK or the failure.
HRESULT AddRendererForMode(TMediaGraph* graph, TMyVmMode mode, bool useFFDShow,
                           WStringView fileName, TBuiltGraph* built);
// Rendering (or loading a ".GRF"), with the fallback. S_OK or the failure; the graph's
// VFW_S_OPEN_PENDING when it renders in the background (RenderFallback then follows a
// failed EC_OPEN_COMPLETE).
HRESULT RenderMediaFile(TMediaGraph* graph, WStringView fileName, TBuiltGraph* built);
// The Windows Media fallback after automatic rendering refused the file. S_OK or the
// failure.
HRESULT RenderFallback(TMediaGraph* graph, WStringView fileName, TBuiltGraph* built);
// Clean-up after the size is known: drop the video filters of an audio-only file, or
// replace a bypassed overlay mixer by the renderer actually in use.
void CleanUpAfterOpen(TMediaGraph* graph, TMyVmMode mode, int videoWidth, int videoHeight,
                      TBuiltGraph* built);

}  // namespace mivaro
