// TScriptedGraph: a media graph whose results, facts and events a test dictates.
//
// It plays nothing. Each operation returns what its `script` says and records what it was
// asked (volume, balance, window rectangle, ...); events arrive only when the test posts
// them (PostEvent), or, with `script.autoEvents`, the way the real engine posts them
// (EC_CLOCK_CHANGED then EC_PAUSED when the graph first pauses or runs, EC_COMPLETE from
// Complete()). RenderFile connects the renderers in the graph to the streams the script
// describes, so the graph helpers and the player's clean-up see a realistic graph.
//
// `TScriptedMachine` replaces the filter registry for a test: which friendly names exist
// and which elements can be created, restored when it goes out of scope.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/media/graph_helpers.h"
#include "platform/media/media_graph.h"

namespace mivaro {

struct TScriptedGraphScript {
  HRESULT renderResult = S_OK;
  HRESULT runResult = S_OK;
  HRESULT pauseResult = S_OK;
  HRESULT stopResult = S_OK;
  HRESULT stopWhenReadyResult = S_OK;
  // GetState: this many calls fail (with getStateFailure) before it answers.
  int getStateFailures = 0;
  HRESULT getStateFailure = VFW_S_STATE_INTERMEDIATE;
  HRESULT getStateResult = S_OK;
  HRESULT seekResult = S_OK;
  bool autoEvents = false;
  // Told to open in the background, RenderFile answers VFW_S_OPEN_PENDING and the result
  // follows as EC_OPEN_COMPLETE from the Dispatch after `openDispatches` passes.
  bool openInBackground = false;
  int openDispatches = 0;

  bool hasVideo = true;
  bool hasAudio = true;
  // The overlay mixer is bypassed by rendering (the video goes to a renderer of its own).
  bool bypassMixer = false;
  double duration = 10.0;
  int videoWidth = 640;
  int videoHeight = 480;
  std::int64_t avgTimePerFrame = 400000;  // 100-ns units (25 fps)
  TMediaFormat videoFormat = TMediaFormat::VideoInfo;
  // IBasicVideo's own frame time in seconds (0: none).
  double basicVideoTimePerFrame = 0.04;
  long canSeekBackward = 0;
  HRESULT canStepResult = S_OK;
  HRESULT stepResult = S_OK;
  // Rates the graph accepts (others leave the rate as it was and fail).
  double minRate = 0.1;
  double maxRate = 4.0;
};

class TScriptedGraph : public TMediaGraph {
 public:
  explicit TScriptedGraph(TScriptedGraphScript initial = {}) : script(initial) {}

  TScriptedGraphScript script;

  // What the graph was asked, for the test to read.
  int state = State_Stopped;
  double position = 0;
  double rate = 1.0;
  std::vector<long> volumes;
  std::vector<long> balances;
  TMyWindowHandle owner = 0;
  TMyWindowHandle messageDrain = 0;
  std::uint32_t windowStyle = 0;
  std::vector<TMyBounds> windowPositions;  // every SetWindowPosition
  std::vector<int> aspectModes;
  std::vector<long> steps;
  std::vector<double> seeks;
  std::vector<double> keyFrameSeeks;  // put_CurrentPositionKeyFrame (seek-bar drags)
  std::vector<std::string> calls;  // operation names in order
  int getStateCalls = 0;

  // Ends the stream: the position becomes the duration and EC_COMPLETE is posted.
  void Complete();

  HRESULT RenderFile(WStringView file) override;
  void SetOpenInBackground(bool on) override {
    background_ = on;
    dispatchesBeforeOpen_ = script.openDispatches;
  }
  void Dispatch() override;
  HRESULT RenderSource(const TMediaFilterPtr& source) override;
  HRESULT Run() override;
  HRESULT Pause() override;
  HRESULT Stop() override;
  HRESULT StopWhenReady() override;
  HRESULT GetState(int timeoutMs, int* state) override;
  HRESULT get_Duration(double* seconds) override;
  HRESULT get_CurrentPosition(double* seconds) override;
  HRESULT put_CurrentPosition(double seconds) override;
  HRESULT put_CurrentPositionKeyFrame(double seconds) override;
  HRESULT put_Rate(double rate) override;
  HRESULT get_Rate(double* rate) override;
  HRESULT CanSeekBackward(long* can) override;
  bool HasBasicAudio() override { return rendered_ && script.hasAudio; }
  HRESULT put_Volume(long hundredthsDb) override;
  HRESULT put_Balance(long balance) override;
  HRESULT GetVideoSize(long* width, long* height) override;
  HRESULT get_AvgTimePerFrame(double* seconds) override;
  HRESULT CanStep(long count) override;
  HRESULT Step(long count) override;
  HRESULT put_Owner(TMyWindowHandle owner) override;
  HRESULT put_WindowStyle(std::uint32_t style) override;
  HRESULT SetWindowPosition(int left, int top, int width, int height) override;
  HRESULT put_MessageDrain(TMyWindowHandle window) override;
  HRESULT SetWindowForeground(long focus) override;
  HRESULT SetAspectRatioMode(int mode) override;

 private:
  bool VideoReady() const { return rendered_ && script.hasVideo; }
  void FirstPause();
  HRESULT RenderNow(WStringView file);
  bool rendered_ = false;
  bool background_ = false;
  int dispatchesBeforeOpen_ = 0;
  std::optional<HRESULT> pendingOpen_;
  bool clockPosted_ = false;
};

// A factory that makes scripted graphs from `script` and remembers the last one made.
struct TScriptedGraphMaker {
  TScriptedGraphScript script;
  TScriptedGraph* last = nullptr;
  int made = 0;
  bool fail = false;  // the factory cannot make a graph
  TMediaGraphFactory Factory();
};

// A machine for the graph helpers: the friendly names it registers and the elements it
// can create. Installs itself; the destructor restores the real registry.
class TScriptedMachine {
 public:
  TScriptedMachine();
  ~TScriptedMachine();
  TScriptedMachine(const TScriptedMachine&) = delete;
  TScriptedMachine& operator=(const TScriptedMachine&) = delete;

  bool hasFfdshow = true;
  bool hasFriendlyVideoRenderer = true;
  bool hasAudioDevice = true;
  std::set<std::string> missingElements;
};

}  // namespace mivaro
