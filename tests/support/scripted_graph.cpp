// Scripted media graph for tests (see scripted_graph.h).
#include "tests/support/scripted_graph.h"

#include <cmath>

namespace mivaro {

void TScriptedGraph::Complete() {
  position = script.duration;
  PostEvent(EC_COMPLETE, S_OK, 0);
}

HRESULT TScriptedGraph::RenderFile(WStringView file) {
  if (!(background_ && script.openInBackground)) return RenderNow(file);
  // The result is held back for the next Dispatch, as an engine that prerolls on its own
  // threads does.
  pendingOpen_ = RenderNow(file);
  MediaEvent()->Wake();
  return VFW_S_OPEN_PENDING;
}

void TScriptedGraph::Dispatch() {
  if (!pendingOpen_) return;
  if (dispatchesBeforeOpen_-- > 0) {
    MediaEvent()->Wake();  // not yet: ask for another pass
    return;
  }
  const HRESULT hr = *pendingOpen_;
  pendingOpen_.reset();
  PostEvent(EC_OPEN_COMPLETE, hr, 0);
}

HRESULT TScriptedGraph::RenderNow(WStringView file) {
  calls.push_back("RenderFile");
  if (script.renderResult != S_OK) return script.renderResult;
  SetRenderedFile(WString(file));
  rendered_ = true;
  auto source = MakeMediaFilter(TFilterKind::Source, "scripted", WString(file));
  source->SetSourceFile(WString(file));
  AddFilter(source, file);
  auto [mixer, renderer, vdec, adec, arend] = FindRenderFilters();
  TMediaType vt;
  vt.major = TMediaMajor::Video;
  vt.format = script.videoFormat;
  vt.avgTimePerFrame = script.avgTimePerFrame;
  vt.width = script.videoWidth;
  vt.height = script.videoHeight;
  if (script.hasVideo) {
    TMediaFilterPtr target = mixer && !script.bypassMixer ? mixer : renderer;
    if (mixer && script.bypassMixer) {
      // Rendering went around the mixer to a renderer of its own.
      target = MakeMediaFilter(TFilterKind::VideoRenderer, "scripted", u"Video Renderer");
      AddFilter(target, u"Video Renderer 0001");
    }
    if (!target) {
      target = MakeMediaFilter(TFilterKind::VideoRenderer, "scripted", u"Video Renderer");
      AddFilter(target, u"Video Renderer");
    }
    MarkRenderedChain(source->Pins()[0].get(), vdec, target.get(), vt);
  }
  if (script.hasAudio) {
    if (!arend) {
      arend = MakeMediaFilter(TFilterKind::AudioRenderer, "scripted", kDefaultAudioDeviceName);
      AddFilter(arend, kDefaultAudioDeviceName);
    }
    TMediaType at;
    at.major = TMediaMajor::Audio;
    MarkRenderedChain(source->Pins()[1].get(), adec, arend.get(), at);
  }
  return S_OK;
}

HRESULT TScriptedGraph::RenderSource(const TMediaFilterPtr& source) {
  calls.push_back("RenderSource");
  if (!source) return E_POINTER;
  SetRenderedFile(source->SourceFile());
  rendered_ = true;
  script.hasVideo = false;
  return S_OK;
}

void TScriptedGraph::FirstPause() {
  if (!script.autoEvents) return;
  if (!clockPosted_) {
    clockPosted_ = true;
    PostEvent(EC_CLOCK_CHANGED);
  }
  PostEvent(EC_PAUSED, S_OK);
}

HRESULT TScriptedGraph::Run() {
  calls.push_back("Run");
  if (Succeeded(script.runResult)) {
    int before = state;
    state = State_Running;
    if (before == State_Stopped) FirstPause();
  }
  return script.runResult;
}

HRESULT TScriptedGraph::Pause() {
  calls.push_back("Pause");
  if (Succeeded(script.pauseResult)) {
    state = State_Paused;
    FirstPause();
  }
  return script.pauseResult;
}

HRESULT TScriptedGraph::Stop() {
  calls.push_back("Stop");
  if (Succeeded(script.stopResult)) state = State_Stopped;
  return script.stopResult;
}

HRESULT TScriptedGraph::StopWhenReady() {
  calls.push_back("StopWhenReady");
  if (Succeeded(script.stopWhenReadyResult)) state = State_Stopped;
  return script.stopWhenReadyResult;
}

HRESULT TScriptedGraph::GetState(int, int* out) {
  ++getStateCalls;
  if (!out) return E_POINTER;
  *out = state;
  if (script.getStateFailures > 0) {
    --script.getStateFailures;
    return script.getStateFailure;
  }
  return script.getStateResult;
}

HRESULT TScriptedGraph::get_Duration(double* seconds) {
  if (!seconds) return E_POINTER;
  *seconds = rendered_ ? script.duration : 0;
  return S_OK;
}

HRESULT TScriptedGraph::get_CurrentPosition(double* seconds) {
  if (!seconds) return E_POINTER;
  *seconds = position;
  return S_OK;
}

HRESULT TScriptedGraph::put_CurrentPosition(double seconds) {
  calls.push_back("put_CurrentPosition");
  seeks.push_back(seconds);
  if (script.seekResult == S_OK) position = seconds;
  return script.seekResult;
}

HRESULT TScriptedGraph::put_CurrentPositionKeyFrame(double seconds) {
  calls.push_back("put_CurrentPositionKeyFrame");
  keyFrameSeeks.push_back(seconds);
  if (script.seekResult == S_OK) position = seconds;
  return script.seekResult;
}

HRESULT TScriptedGraph::put_Rate(double r) {
  calls.push_back("put_Rate");
  if (r < script.minRate || r > script.maxRate) {
    if (!(r < 0 && script.canSeekBackward)) return E_INVALIDARG;
  }
  rate = r;
  return S_OK;
}

HRESULT TScriptedGraph::get_Rate(double* r) {
  if (!r) return E_POINTER;
  *r = rate;
  return S_OK;
}

HRESULT TScriptedGraph::CanSeekBackward(long* can) {
  if (!can) return E_POINTER;
  *can = script.canSeekBackward;
  return S_OK;
}

HRESULT TScriptedGraph::put_Volume(long v) {
  if (!HasBasicAudio()) return E_NOTIMPL;
  volumes.push_back(v);
  return S_OK;
}

HRESULT TScriptedGraph::put_Balance(long b) {
  if (!HasBasicAudio()) return E_NOTIMPL;
  balances.push_back(b);
  return S_OK;
}

HRESULT TScriptedGraph::GetVideoSize(long* width, long* height) {
  if (!width || !height) return E_POINTER;
  if (!VideoReady()) return E_NOTIMPL;
  *width = script.videoWidth;
  *height = script.videoHeight;
  return S_OK;
}

HRESULT TScriptedGraph::get_AvgTimePerFrame(double* seconds) {
  if (!seconds) return E_POINTER;
  if (!VideoReady()) return E_NOTIMPL;
  *seconds = script.basicVideoTimePerFrame;
  return S_OK;
}

HRESULT TScriptedGraph::CanStep(long) {
  if (!VideoReady()) return E_NOTIMPL;
  return script.canStepResult;
}

HRESULT TScriptedGraph::Step(long count) {
  calls.push_back("Step");
  steps.push_back(count);
  if (script.stepResult == S_OK) state = State_Paused;
  return script.stepResult;
}

HRESULT TScriptedGraph::put_Owner(TMyWindowHandle o) {
  if (!VideoReady()) return E_NOTIMPL;
  owner = o;
  return S_OK;
}

HRESULT TScriptedGraph::put_WindowStyle(std::uint32_t style) {
  if (!VideoReady()) return E_NOTIMPL;
  windowStyle = style;
  return S_OK;
}

HRESULT TScriptedGraph::SetWindowPosition(int left, int top, int width, int height) {
  if (!VideoReady()) return E_NOTIMPL;
  windowPositions.push_back({left, top, width, height});
  return S_OK;
}

HRESULT TScriptedGraph::put_MessageDrain(TMyWindowHandle window) {
  if (!VideoReady()) return E_NOTIMPL;
  messageDrain = window;
  return S_OK;
}

HRESULT TScriptedGraph::SetWindowForeground(long) { return VideoReady() ? S_OK : E_NOTIMPL; }

HRESULT TScriptedGraph::SetAspectRatioMode(int mode) {
  if (!VideoReady()) return E_NOTIMPL;
  aspectModes.push_back(mode);
  return S_OK;
}

TMediaGraphFactory TScriptedGraphMaker::Factory() {
  return [this]() -> std::unique_ptr<TMediaGraph> {
    if (fail) return nullptr;
    auto g = std::make_unique<TScriptedGraph>(script);
    last = g.get();
    ++made;
    return g;
  };
}

TScriptedMachine::TScriptedMachine() {
  SetFilterCatalogue([this](TFilterCategory category) {
    std::vector<TFilterMoniker> out;
    if (category == TFilterCategory::LegacyAmFilter) {
      out.push_back({u"Some Other Filter", TFilterKind::Other, "identity"});
      if (hasFriendlyVideoRenderer)
        out.push_back({kVideoRendererName, TFilterKind::VideoRenderer, VideoRendererElement()});
      if (hasFfdshow) {
        out.push_back({kFfdshowVideoDecoderName, TFilterKind::VideoDecoder, "avdec_h264"});
        out.push_back({kFfdshowAudioDecoderName, TFilterKind::AudioDecoder, "avdec_aac"});
      }
    } else if (hasAudioDevice) {
      out.push_back({kDefaultAudioDeviceName, TFilterKind::AudioRenderer, "fakesink"});
    }
    return out;
  });
  SetElementCreator([this](const std::string& element) {
    return !element.empty() && missingElements.count(element) == 0;
  });
}

TScriptedMachine::~TScriptedMachine() {
  SetFilterCatalogue(nullptr);
  SetElementCreator(nullptr);
}

}  // namespace mivaro
