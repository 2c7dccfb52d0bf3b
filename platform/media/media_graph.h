// The media graph: one playable file with its filters, pins, control, position, audio,
// video window and event queue.
//
// `TMediaGraph` is the engine-independent face of a graph. The player, the tag probe and
// the capture tool use only these operations; `CreateGstGraph()` (gst_graph.h) builds one
// over GStreamer, and the tests' `TScriptedGraph` (tests/support/scripted_graph.h) is a
// graph whose results and events a test dictates.
//
// Filters are bookkeeping objects with named pins. Adding a renderer or a preferred
// decoder to a graph before `RenderFile` tells the engine what to use; after rendering,
// the engine marks which pins carry a stream and with what media type.
//
// Threads: every operation is called from one thread (the user-interface thread), except
// that engines post events from their own threads; `GetEvent` and the notify callback are
// safe across threads.
#pragma once

#include <cstdint>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/ustring.h"
#include "platform/media/media_types.h"

namespace mivaro {

enum class TPinDirection : int { Input = 0, Output = 1 };
inline constexpr TPinDirection PINDIR_INPUT = TPinDirection::Input;
inline constexpr TPinDirection PINDIR_OUTPUT = TPinDirection::Output;

// Major type of a stream.
enum class TMediaMajor { None, Video, Audio, Stream };
// Layout of a connection's format block.
enum class TMediaFormat { None, VideoInfo, VideoInfo2, MPEGVideo, MPEG2Video, WaveFormatEx };

// Media type of a connection.
struct TMediaType {
  TMediaMajor major = TMediaMajor::None;
  TMediaFormat format = TMediaFormat::None;
  std::int64_t avgTimePerFrame = 0;  // 100-ns units; 0 when unknown
  int width = 0;
  int height = 0;
};

// What a filter is, which tells an engine how to use it.
enum class TFilterKind {
  Other,
  Source,          // reads the file (also the ASF reader of the fallback)
  VideoDecoder,    // preferred video decoder
  AudioDecoder,    // preferred audio decoder
  VideoRenderer,   // any video renderer
  AudioRenderer,   // audio output
  OverlayMixer,    // colour-keyed overlay in front of a video renderer
  SampleGrabber,   // hands frames to the program
};

class TMediaFilter;
class TMediaGraph;

class TMediaPin {
 public:
  TMediaPin(TMediaFilter* filter, WString name, TPinDirection direction, TMediaMajor accepts)
      : filter_(filter), name_(std::move(name)), direction_(direction), accepts_(accepts) {}

  TMediaFilter* Filter() const { return filter_; }
  const WString& Name() const { return name_; }
  TPinDirection Direction() const { return direction_; }
  // The major type this pin takes or gives (None: anything).
  TMediaMajor Accepts() const { return accepts_; }

  // S_OK and the peer when connected; E_FAIL (and nullptr) otherwise.
  HRESULT ConnectedTo(TMediaPin** peer) const;
  TMediaPin* Peer() const { return peer_; }
  // The connection's media type; E_FAIL when not connected.
  HRESULT ConnectionMediaType(TMediaType* type) const;

 private:
  friend class TMediaGraph;
  TMediaFilter* filter_;
  WString name_;
  TPinDirection direction_;
  TMediaMajor accepts_;
  TMediaPin* peer_ = nullptr;
  TMediaType type_;
};

class TMediaFilter {
 public:
  // `element` names the engine's element (a GStreamer factory name) or is empty.
  TMediaFilter(TFilterKind kind, std::string element, WString friendlyName = {});
  TMediaFilter(const TMediaFilter&) = delete;
  TMediaFilter& operator=(const TMediaFilter&) = delete;

  TFilterKind Kind() const { return kind_; }
  const std::string& Element() const { return element_; }
  const WString& FriendlyName() const { return friendlyName_; }
  // Name in the graph; empty while the filter is in no graph.
  const WString& Name() const { return name_; }
  TMediaGraph* Graph() const { return graph_; }

  TMediaPin* AddPin(WString name, TPinDirection direction, TMediaMajor accepts);
  const std::vector<std::unique_ptr<TMediaPin>>& Pins() const { return pins_; }

  // Colour key of an overlay mixer's input (0x00BBGGRR); 0 when the filter has none.
  std::uint32_t ColorKey() const { return colorKey_; }
  void SetColorKey(std::uint32_t key) { colorKey_ = key; }
  // For a source filter: the file it reads.
  const WString& SourceFile() const { return sourceFile_; }
  void SetSourceFile(WString file) { sourceFile_ = std::move(file); }

 private:
  friend class TMediaGraph;
  TFilterKind kind_;
  std::string element_;
  WString friendlyName_;
  WString name_;
  TMediaGraph* graph_ = nullptr;
  std::vector<std::unique_ptr<TMediaPin>> pins_;
  std::uint32_t colorKey_ = 0;
  WString sourceFile_;
};

using TMediaFilterPtr = std::shared_ptr<TMediaFilter>;

// Makes the filter objects the graph helpers add (renderers, mixer, grabber, decoders,
// the ASF reader, the audio device), with their usual pins.
TMediaFilterPtr MakeMediaFilter(TFilterKind kind, std::string element, WString friendlyName);

// The event queue of a graph (IMediaEventEx): engines post, the player pumps.
class TMediaEventQueue {
 public:
  // `notify` is called (from any thread) whenever an event is queued, until
  // SetNotifyFlags(AM_MEDIAEVENT_NONOTIFY). It must only post, never call back in.
  void SetNotifyWindow(std::function<void()> notify);
  void SetNotifyFlags(int flags);
  // Pops the next event; E_ABORT when the queue is empty (no waiting beyond timeoutMs).
  HRESULT GetEvent(int* code, std::intptr_t* param1, std::intptr_t* param2, int timeoutMs);
  HRESULT FreeEventParams(int, std::intptr_t, std::intptr_t) { return S_OK; }
  void PostEvent(int code, std::intptr_t param1 = 0, std::intptr_t param2 = 0);
  // Notifies without queueing an event (the engine has deferred work for the UI thread).
  void Wake();
  std::size_t PendingEvents() const;

 private:
  struct Event {
    int code;
    std::intptr_t param1;
    std::intptr_t param2;
  };
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  std::deque<Event> events_;
  std::function<void()> notify_;
  bool noNotify_ = false;
};

class TMediaGraph {
 public:
  TMediaGraph() = default;
  TMediaGraph(const TMediaGraph&) = delete;
  TMediaGraph& operator=(const TMediaGraph&) = delete;
  virtual ~TMediaGraph();

  // --- filters (IFilterGraph / IGraphBuilder) ---
  // Adds the filter under `name`; E_POINTER without a filter, E_FAIL when it is in a graph.
  virtual HRESULT AddFilter(const TMediaFilterPtr& filter, WStringView name);
  // Removes the filter (its pins are disconnected first); E_FAIL when not in this graph.
  virtual HRESULT RemoveFilter(const TMediaFilterPtr& filter);
  // Filters in the order they were added.
  std::vector<TMediaFilterPtr> EnumFilters() const { return filters_; }
  // Connects an output pin to an input pin; E_FAIL when the types cannot meet.
  virtual HRESULT Connect(TMediaPin* out, TMediaPin* in);
  virtual HRESULT Disconnect(TMediaPin* pin);
  // Builds the playback of `file` around the filters already in the graph. S_OK when the
  // graph is ready; VFW_S_OPEN_PENDING when the engine finishes on its own and posts
  // EC_OPEN_COMPLETE with the result; a failure otherwise.
  virtual HRESULT RenderFile(WStringView file) = 0;
  // With `on`, RenderFile starts the engine's preparation and returns VFW_S_OPEN_PENDING
  // without waiting for it; the result follows as EC_OPEN_COMPLETE (param1: S_OK or the
  // failure) from a later Dispatch(). Off (the default), RenderFile returns when done.
  // Engines that always finish at once ignore it.
  virtual void SetOpenInBackground(bool on) { (void)on; }
  // Plays a file through a source filter already in the graph (the ASF fallback) once
  // the source is connected to its renderer.
  virtual HRESULT RenderSource(const TMediaFilterPtr& source) { (void)source; return E_NOTIMPL; }

  // --- control (IMediaControl) ---
  virtual HRESULT Run() = 0;
  virtual HRESULT Pause() = 0;
  virtual HRESULT Stop() = 0;
  virtual HRESULT StopWhenReady() = 0;
  // State_Stopped/Paused/Running; S_OK when settled, VFW_S_STATE_INTERMEDIATE while a
  // change is still under way after `timeoutMs`, VFW_S_CANT_CUE, or a failure.
  virtual HRESULT GetState(int timeoutMs, int* state) = 0;

  // --- events (IMediaEventEx) ---
  // The graph's event queue. It may outlive the graph (the player keeps it after Close).
  const std::shared_ptr<TMediaEventQueue>& MediaEvent() const { return events_; }
  // Queues an event and notifies (engines call this from any thread).
  void PostEvent(int code, std::intptr_t param1 = 0, std::intptr_t param2 = 0) {
    events_->PostEvent(code, param1, param2);
  }

  // --- position (IMediaPosition); seconds ---
  virtual HRESULT get_Duration(double* seconds) = 0;
  virtual HRESULT get_CurrentPosition(double* seconds) = 0;
  virtual HRESULT put_CurrentPosition(double seconds) = 0;
  // A quick seek to the nearest key frame (while the seek bar is dragged).
  virtual HRESULT put_CurrentPositionKeyFrame(double seconds) { return put_CurrentPosition(seconds); }
  virtual HRESULT put_Rate(double rate) = 0;
  virtual HRESULT get_Rate(double* rate) = 0;
  // *can = 1 when the graph plays backwards.
  virtual HRESULT CanSeekBackward(long* can) = 0;

  // --- audio (IBasicAudio); E_NOTIMPL when the graph has no audio ---
  virtual bool HasBasicAudio() = 0;
  virtual HRESULT put_Volume(long hundredthsDb) = 0;  // -10000 .. 0
  virtual HRESULT put_Balance(long balance) = 0;      // -10000 .. 10000

  // --- video (IBasicVideo, IVideoFrameStep) ---
  virtual HRESULT GetVideoSize(long* width, long* height) = 0;
  virtual HRESULT get_AvgTimePerFrame(double* seconds) = 0;
  virtual HRESULT CanStep(long count) = 0;
  virtual HRESULT Step(long count) = 0;

  // --- video window (IVideoWindow, aspect-ratio control) ---
  virtual HRESULT put_Owner(TMyWindowHandle owner) = 0;
  virtual HRESULT put_WindowStyle(std::uint32_t style) = 0;
  virtual HRESULT SetWindowPosition(int left, int top, int width, int height) = 0;
  virtual HRESULT put_MessageDrain(TMyWindowHandle window) = 0;
  virtual HRESULT SetWindowForeground(long focus) = 0;
  virtual HRESULT SetAspectRatioMode(int mode) = 0;
  // Draws the current picture again (after the owner window was exposed).
  virtual HRESULT Expose() { return E_NOTIMPL; }

  // --- persistent form (IPersistStream): the graph's own description ---
  virtual HRESULT SaveDescription(std::string* out);
  virtual HRESULT LoadDescription(std::string_view in);

  // --- engine work and reports ---
  // Runs what the engine deferred to the UI thread (its bus messages). The player calls
  // this at the start of every pass of its event pump.
  virtual void Dispatch() {}
  // The last error: the engine's message and its debug text (empty when none).
  virtual std::string ErrorText() const { return {}; }
  // Warnings and missing plug-ins noted since the file was rendered, oldest first.
  virtual std::vector<std::string> Notices() const { return {}; }

  // File most recently rendered (empty before RenderFile).
  const WString& RenderedFile() const { return renderedFile_; }

 protected:
  void SetRenderedFile(WString file) { renderedFile_ = std::move(file); }
  // Marks a connection that the engine made itself (while rendering).
  void MarkConnected(TMediaPin* out, TMediaPin* in, const TMediaType& type);

  // The first filter of each rendering role already in the graph: rendering reuses them.
  struct TRenderFilters {
    TMediaFilterPtr mixer, renderer, videoDecoder, audioDecoder, audioRenderer;
  };
  TRenderFilters FindRenderFilters() const;
  // Marks the chain that rendering made: `from` -> `decoder` (when there is one) -> a free
  // input pin of `target`.
  void MarkRenderedChain(TMediaPin* from, const TMediaFilterPtr& decoder,
                         const TMediaFilter* target, const TMediaType& type);

 private:
  std::vector<TMediaFilterPtr> filters_;
  WString renderedFile_;
  std::shared_ptr<TMediaEventQueue> events_ = std::make_shared<TMediaEventQueue>();
};

// Creates a graph. The player uses a factory so that tests can hand it scripted graphs.
using TMediaGraphFactory = std::function<std::unique_ptr<TMediaGraph>()>;

}  // namespace mivaro
