// GStreamer engine of the media graph (see gst_graph.h).
//
// This file stays long because one private class holds the pipeline and every state it
// shares with the streaming threads under one mutex: the bus handler, the seek, step and
// pause bookkeeping and the window calls read and write the same fields, and splitting
// them over files would spread that locking over files too. What stands alone lives
// beside it: the audio filter (gst_audio_chain), the graph bookkeeping (media_graph), the
// diagnostics (debug_log, graph_dump).
#include "platform/media/gst_graph.h"
#include "platform/media/graph_dump.h"
#include "platform/media/debug_log.h"

#include <dlfcn.h>
#include <gst/gl/gl.h>
#include <gst/gst.h>
#include <gst/video/video.h>
#include <gst/video/videooverlay.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gst/pbutils/missing-plugins.h>

#include "platform/media/graph_helpers.h"
#include "platform/media/gst_audio_chain.h"
#include "platform/media/gst_reaper.h"
#include "platform/media/x_display_facts.h"
#include "platform/os/native_path.h"

namespace mivaro {

namespace {

// playbin flags (GstPlayFlags is not in a public header).
constexpr unsigned kPlayVideo = 1u << 0;
constexpr unsigned kPlayAudio = 1u << 1;
constexpr unsigned kPlayText = 1u << 2;
constexpr unsigned kPlaySoftVolume = 1u << 4;
constexpr unsigned kPlayNativeVideo = 1u << 6;  // no converter of its own in front of the sink

// How long Open waits for the first frame (or the first audio) at most.
constexpr int kPrerollTimeoutMs = 15000;
// How long a file may take to show its first stream.
constexpr int kNoStreamTimeoutMs = 3000;

// The ASF header object's GUID: the start of every Windows Media file. Only regular files
// are read: a FIFO, device or socket would block the reader (false for them).
bool LooksLikeAsf(const std::string& path) {
  static const unsigned char kAsf[16] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                         0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
  unsigned char head[16] = {};
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return false;
  struct stat st {};
  ssize_t n = -1;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) n = ::read(fd, head, sizeof head);
  ::close(fd);
  return n == static_cast<ssize_t>(sizeof head) && std::memcmp(head, kAsf, sizeof head) == 0;
}

std::atomic<long> g_xErrors{0};

// The OpenGL renderer opens a display connection, with an event thread and a context
// thread, for every pipeline, and never closes it when the pipeline goes: one playlist
// entry after another would pile up threads and memory. Every pipeline that asks is given
// one display connection made once for the process instead.
void GiveDisplayContext(GstElement* element) {
  static GstGLDisplay* const display = gst_gl_display_new();
  if (!display || !element) return;
  GstContext* context = gst_context_new(GST_GL_DISPLAY_CONTEXT_TYPE, TRUE);
  gst_context_set_gl_display(context, display);
  gst_element_set_context(element, context);
  gst_context_unref(context);
}

void AnswerDisplayContext(GstMessage* msg) {
  const gchar* type = nullptr;
  if (gst_message_parse_context_type(msg, &type) && type &&
      std::strcmp(type, GST_GL_DISPLAY_CONTEXT_TYPE) == 0 && GST_IS_ELEMENT(GST_MESSAGE_SRC(msg)))
    GiveDisplayContext(GST_ELEMENT(GST_MESSAGE_SRC(msg)));
}

int IgnoreXError(void* /*display*/, void* /*event*/) {
  g_xErrors.fetch_add(1);
  return 0;
}

const char* Env(const char* name) {
  const char* v = std::getenv(name);
  return v && *v ? v : nullptr;
}

bool HaveDisplay() { return Env("DISPLAY") != nullptr; }

GstElement* MakeElement(const std::string& factory) {
  if (factory.empty()) return nullptr;
  return gst_element_factory_make(factory.c_str(), nullptr);
}

// Tries to bring an element to READY (opens its device or display); false when it cannot.
bool Starts(GstElement* e) {
  if (!e) return false;
  // An OpenGL renderer started on its own would open a display connection of its own.
  GiveDisplayContext(e);
  GstStateChangeReturn r = gst_element_set_state(e, GST_STATE_READY);
  if (r == GST_STATE_CHANGE_FAILURE) {
    gst_element_set_state(e, GST_STATE_NULL);
    return false;
  }
  return true;
}

// The file system's bytes of a name (names that are not UTF-8 keep their bytes).
std::string Path8(WStringView file) { return os::NativePath(file); }

bool IsLibavDecoder(GstElementFactory* f) {
  return std::strncmp(gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(f)), "avdec_", 6) == 0;
}

bool IsDecoder(GstElementFactory* f) {
  return gst_element_factory_list_is_type(f, GST_ELEMENT_FACTORY_TYPE_DECODER);
}

// decodebin's "autoplug-sort" while the libav decoders are preferred: among the decoders
// it would try for a stream, the libav ones come first; the other decoders keep their
// order after them, and parsers and demuxers keep their places. Nothing in the registry
// changes, so other pipelines (and the tag readers' discoverers) rank as always.
G_GNUC_BEGIN_IGNORE_DEPRECATIONS
GValueArray* SortLibavFirst(GstElement*, GstPad*, GstCaps*, GValueArray* factories, gpointer) {
  std::vector<guint> slots;
  std::vector<GstElementFactory*> libav, others;
  for (guint i = 0; i < factories->n_values; ++i) {
    auto* f = GST_ELEMENT_FACTORY(g_value_get_object(g_value_array_get_nth(factories, i)));
    if (!IsDecoder(f)) continue;
    slots.push_back(i);
    (IsLibavDecoder(f) ? libav : others).push_back(f);
  }
  // Already in order (no libav decoder, or the libav ones lead): decodebin keeps its list.
  bool inOrder = true;
  for (std::size_t k = 0; k < libav.size() && inOrder; ++k)
    inOrder = IsLibavDecoder(GST_ELEMENT_FACTORY(
        g_value_get_object(g_value_array_get_nth(factories, slots[k]))));
  if (libav.empty() || inOrder) return nullptr;
  GValueArray* sorted = g_value_array_copy(factories);
  libav.insert(libav.end(), others.begin(), others.end());
  for (std::size_t k = 0; k < slots.size(); ++k)
    g_value_set_object(g_value_array_get_nth(sorted, slots[k]), libav[k]);
  return sorted;
}
G_GNUC_END_IGNORE_DEPRECATIONS

class TGstGraph;

// What a pipeline's threads reach the graph through: the bus handler, the video caps
// probe and the calls made off the streaming thread. The graph cuts it when it lets the
// pipeline go; from then on nothing of that pipeline reaches the graph, its events or its
// window, while the pipeline itself is taken down on the reaper thread.
class TGraphLink {
 public:
  explicit TGraphLink(TGstGraph* graph) : graph_(graph) {}
  // The graph, counted as in use until Leave(); nullptr once cut.
  TGstGraph* Enter() {
    std::lock_guard lock(mutex_);
    if (graph_) ++inside_;
    return graph_;
  }
  void Leave() {
    std::lock_guard lock(mutex_);
    if (--inside_ == 0) idle_.notify_all();
  }
  // Cuts the link and waits for the callbacks still inside the graph.
  void Cut() {
    std::unique_lock lock(mutex_);
    graph_ = nullptr;
    idle_.wait(lock, [this] { return inside_ == 0; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable idle_;
  TGstGraph* graph_;
  int inside_ = 0;
};
using TGraphLinkPtr = std::shared_ptr<TGraphLink>;

// A heap copy of the link for a GStreamer callback's user data, and its destroy notify.
gpointer LinkData(const TGraphLinkPtr& link) { return new TGraphLinkPtr(link); }
void FreeLinkData(gpointer data) { delete static_cast<TGraphLinkPtr*>(data); }

class TGstGraph final : public TMediaGraph, public TGstGraphExtras {
 public:
  TGstGraph() = default;
  ~TGstGraph() override { Teardown(); }

  HRESULT RenderFile(WStringView file) override;
  HRESULT RenderSource(const TMediaFilterPtr& source) override;
  void SetOpenInBackground(bool on) override { openInBackground_ = on; }
  void Dispatch() override;

  HRESULT Run() override;
  HRESULT Pause() override;
  HRESULT Stop() override;
  HRESULT StopWhenReady() override { return Stop(); }
  HRESULT GetState(int timeoutMs, int* state) override;

  HRESULT get_Duration(double* seconds) override;
  HRESULT get_CurrentPosition(double* seconds) override;
  HRESULT put_CurrentPosition(double seconds) override;
  HRESULT put_CurrentPositionKeyFrame(double seconds) override;
  HRESULT put_Rate(double rate) override;
  HRESULT get_Rate(double* rate) override;
  HRESULT CanSeekBackward(long* can) override;

  bool HasBasicAudio() override { return pipeline_ && nAudio_ > 0; }
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
  HRESULT Expose() override {
    if (!overlay_) return E_NOTIMPL;
    gst_video_overlay_expose(GST_VIDEO_OVERLAY(overlay_));
    return S_OK;
  }

  std::string ErrorText() const override {
    std::lock_guard lock(mutex_);
    if (errorDebug_.empty()) return error_;
    return error_ + "\n" + errorDebug_;
  }
  std::vector<std::string> Notices() const override {
    std::lock_guard lock(mutex_);
    return notices_;
  }
  GstElement* Pipeline() const override { return pipeline_; }

  bool WaitUntilSettled(int timeoutMs) override;
  std::string VideoSinkName() const override { return videoSinkName_; }
  std::string AudioSinkName() const override { return audioSinkName_; }
  std::string LastError() const override {
    std::lock_guard lock(mutex_);
    return error_;
  }

 private:
  static GstBusSyncReply OnBusSync(GstBus* bus, GstMessage* msg, gpointer self);
  static void OnElementSetup(GstElement* pipeline, GstElement* element, gpointer);
  static GstPadProbeReturn OnVideoCaps(GstPad* pad, GstPadProbeInfo* info, gpointer self);
  GstBusSyncReply HandleMessage(GstMessage* msg);
  void AddNotice(std::string text);
  static void RestartClock(GstElement* pipeline, gpointer);
  static void LengthFromEnd(GstElement* pipeline, gpointer self);
  static void SendPendingSteps(GstElement* pipeline, gpointer self);
  // Runs `fn(pipeline, this)` off the streaming thread, unless the pipeline was let go
  // meanwhile; Teardown waits for those still running, so none outlives the graph.
  void CallAsync(void (*fn)(GstElement*, gpointer));
  // The current pipeline's link (see TGraphLink); nullptr without a pipeline.
  TGraphLinkPtr link_;
  // Sends a step of `count` frames to the video sink.
  bool SendStep(long count);
  // Reads the length again when it was not known; true when it changed.
  bool RefreshDuration();
  // The element that draws: the sink itself, or the overlay inside an automatic bin.
  GstElement* Overlay() const { return overlay_; }
  void NoteVideoCaps(GstCaps* caps);

  HRESULT BuildPipeline(const std::string& uri, bool videoToo);
  GstElement* BuildScalingChain(GstBin* bin, GstElement* sink);
  GstElement* ChooseVideoSink(TMediaFilterPtr* used);
  void NoteSinkFallback(const std::string& refused, const std::string& used);
  // Pauses the pipeline: S_OK when it prerolled at once, S_FALSE when it goes on in the
  // streaming threads (WaitPreroll follows), a failure otherwise.
  HRESULT StartPreroll();
  // Waits for the preroll to end; E_ABORT when CancelOpen() asked it to stop.
  HRESULT WaitPreroll();
  HRESULT Preroll();
  // What rendering does once the pipeline has prerolled (or failed): reads the streams,
  // marks the filters, gives the video its window; tears the pipeline down on failure.
  HRESULT FinishRender(HRESULT prerolled);
  // Stops a preroll waited for in the background and joins its thread.
  void CancelOpen();
  void ReadStreamFacts();
  void Teardown();
  bool HasVideoStream() const { return pipeline_ && nVideo_ > 0 && videoSink_; }
  void ApplyWindow();
  // Gives the sink the owner and the rectangle (when it asks for its window, on a
  // streaming thread, or when it is made) and notes them as shown.
  void GiveSinkWindow(GstVideoOverlay* overlay);
  void UpdateScalerCaps();
  // A flushing seek; `accurate` to the exact time, else to the nearest key frame. One seek
  // is in flight at a time: asked for meanwhile, the newest target waits for the first
  // one's ASYNC_DONE and those before it are dropped.
  HRESULT SeekTo(double seconds, double rate, bool accurate = true);
  bool SendSeek(double seconds, double rate, bool accurate);
  static void SendNextSeek(GstElement* pipeline, gpointer self);

  GstElement* pipeline_ = nullptr;
  GstElement* videoSink_ = nullptr;  // the sink given to playbin, own reference
  GstElement* overlay_ = nullptr;    // the GstVideoOverlay in it (or nullptr), own reference
  GstElement* scaler_ = nullptr;     // capsfilter in front of a non-scaling sink
  std::unique_ptr<TGstAudioChain> audio_;
  std::string videoSinkName_;
  std::string audioSinkName_;

  mutable std::mutex mutex_;
  std::condition_variable cv_;
  bool asyncDone_ = false;
  struct TSeek {
    double seconds = 0;
    double rate = 1.0;
    bool accurate = true;
  };
  bool seekInFlight_ = false;  // guarded by mutex_, as the three below
  std::chrono::steady_clock::time_point seekSent_;
  double seekTarget_ = 0;  // where the seek in flight (or the one waiting) goes
  std::optional<TSeek> nextSeek_;
  bool errored_ = false;
  bool eos_ = false;
  bool opened_ = false;
  std::string error_;
  std::string errorDebug_;
  std::vector<std::string> notices_;
  int capsWidth_ = 0;
  int capsHeight_ = 0;
  TMyWindowHandle owner_ = 0;
  TMyBounds rect_;
  // The owner and rectangle the sink was last given (guarded by mutex_).
  TMyWindowHandle shownOwner_ = 0;
  TMyBounds shownRect_;

  int logical_ = State_Stopped;
  bool clockPosted_ = false;  // guarded by mutex_, as the two below
  // Run or Pause asked for a state the pipeline has not reported yet: the pause event
  // follows the pipeline's own state change.
  bool awaitPlaying_ = false;
  bool awaitPaused_ = false;
  double duration_ = 0;
  double frameTime_ = 0;
  int width_ = 0;
  int height_ = 0;
  int nVideo_ = 0;
  int nAudio_ = 0;
  double rate_ = 1.0;
  int aspectMode_ = VMR_ARMODE_LETTER_BOX;
  // The open in the background: the thread that waits for the preroll, and what it found
  // (the three flags below it are guarded by mutex_). openPending_ is the UI thread's.
  bool openInBackground_ = false;
  bool openPending_ = false;
  // Prerolled on the first frame by the open, and not moved since (UI thread only): a seek
  // to the start has nothing to do.
  bool atStart_ = false;
  // A paused picture waits to be drawn again at the window's new size (UI thread only):
  // the next Dispatch() does it by a seek, unless playing or a seek has come first. The
  // open's own layout is followed at once by the replay, and a seek for it would only
  // hold up the start of playing.
  bool redrawPending_ = false;
  std::thread opener_;
  bool cancelOpen_ = false;
  bool prerollFinished_ = false;
  HRESULT prerollResult_ = S_OK;
  // Position of the frame shown after frame steps (-1: none; guarded by mutex_).
  double stepBase_ = -1;
  // Frames asked for while the pipeline was still changing state (guarded by mutex_):
  // they are stepped once it has settled.
  long pendingSteps_ = 0;
};

GstBusSyncReply TGstGraph::OnBusSync(GstBus*, GstMessage* msg, gpointer data) {
  TGraphLink& link = **static_cast<TGraphLinkPtr*>(data);
  TGstGraph* graph = link.Enter();
  if (!graph) {
    gst_message_unref(msg);
    return GST_BUS_DROP;
  }
  GstBusSyncReply reply = graph->HandleMessage(msg);
  link.Leave();
  return reply;
}

GstBusSyncReply TGstGraph::HandleMessage(GstMessage* msg) {
  LogBusDiagnostics(msg);
  if (gst_is_video_overlay_prepare_window_handle_message(msg)) {
    if (GST_IS_VIDEO_OVERLAY(GST_MESSAGE_SRC(msg)))
      GiveSinkWindow(GST_VIDEO_OVERLAY(GST_MESSAGE_SRC(msg)));
    gst_message_unref(msg);
    return GST_BUS_DROP;
  }
  bool post = false;
  bool events_clock = false;  // a clock event goes out before the event below
  int code = 0;
  std::intptr_t p1 = 0;
  switch (GST_MESSAGE_TYPE(msg)) {
    case GST_MESSAGE_ERROR: {
      GError* err = nullptr;
      gchar* dbg = nullptr;
      gst_message_parse_error(msg, &err, &dbg);
      std::lock_guard lock(mutex_);
      errored_ = true;
      seekInFlight_ = false;
      nextSeek_.reset();
      error_ = err ? err->message : "error";
      errorDebug_ = dbg ? dbg : "";
      if (err) g_error_free(err);
      g_free(dbg);
      if (opened_) {
        post = true;
        code = EC_ERRORABORT;
        p1 = E_FAIL;
      }
      cv_.notify_all();
      break;
    }
    case GST_MESSAGE_EOS: {
      std::lock_guard lock(mutex_);
      eos_ = true;
      if (opened_) {
        post = true;
        code = EC_COMPLETE;
        p1 = S_OK;
        // A length never learnt while playing is known now: where the stream ended.
        if (duration_ <= 0) CallAsync(LengthFromEnd);
      }
      cv_.notify_all();
      break;
    }
    case GST_MESSAGE_ASYNC_DONE: {
      if (GST_MESSAGE_SRC(msg) == GST_OBJECT(pipeline_)) {
        std::lock_guard lock(mutex_);
        asyncDone_ = true;
        seekInFlight_ = false;
        if (nextSeek_) CallAsync(SendNextSeek);
        if (pendingSteps_ > 0) CallAsync(SendPendingSteps);
        cv_.notify_all();
      }
      break;
    }
    case GST_MESSAGE_WARNING: {
      GError* err = nullptr;
      gchar* dbg = nullptr;
      gst_message_parse_warning(msg, &err, &dbg);
      AddNotice(std::string("warning: ") + (err ? err->message : "?") + (dbg ? std::string(" (") + dbg + ")" : ""));
      if (err) g_error_free(err);
      g_free(dbg);
      post = true;
      code = EC_ENGINE_NOTICE;
      break;
    }
    case GST_MESSAGE_ELEMENT: {
      if (gst_is_missing_plugin_message(msg)) {
        gchar* what = gst_missing_plugin_message_get_description(msg);
        AddNotice(std::string("missing plug-in: ") + (what ? what : "?"));
        g_free(what);
        post = true;
        code = EC_ENGINE_NOTICE;
      }
      break;
    }
    case GST_MESSAGE_NEW_CLOCK: {
      std::lock_guard lock(mutex_);
      if (opened_ && !clockPosted_) {
        clockPosted_ = true;
        post = true;
        code = EC_CLOCK_CHANGED;
      }
      break;
    }
    case GST_MESSAGE_STATE_CHANGED: {
      if (GST_MESSAGE_SRC(msg) != GST_OBJECT(pipeline_)) break;
      GstState from, to, pending;
      gst_message_parse_state_changed(msg, &from, &to, &pending);
      std::lock_guard lock(mutex_);
      if (to == GST_STATE_PLAYING && awaitPlaying_) {
        awaitPlaying_ = false;
        post = true;
      } else if (to == GST_STATE_PAUSED && pending == GST_STATE_VOID_PENDING && awaitPaused_) {
        awaitPaused_ = false;
        post = true;
        if (!clockPosted_) {
          // Paused before it ever played: GStreamer chooses its clock only for playing,
          // and the player takes a pause as started only after a clock.
          clockPosted_ = true;
          events_clock = true;
        }
      }
      if (post) {
        code = EC_PAUSED;
        p1 = S_OK;
      }
      break;
    }
    case GST_MESSAGE_NEED_CONTEXT:
      AnswerDisplayContext(msg);
      break;
    case GST_MESSAGE_CLOCK_LOST:
      // The clock went away (an audio device closed): a new one is chosen by pausing and
      // playing again, off the streaming thread.
      gst_element_call_async(pipeline_, RestartClock, nullptr, nullptr);
      break;
    case GST_MESSAGE_DURATION_CHANGED: {
      bool open;
      {
        std::lock_guard lock(mutex_);
        open = opened_;
      }
      if (open) CallAsync([](GstElement*, gpointer self) {
        auto* g = static_cast<TGstGraph*>(self);
        if (g->RefreshDuration()) g->PostEvent(EC_LENGTH_CHANGED);
      });
      break;
    }
    case GST_MESSAGE_STEP_DONE: {
      std::lock_guard lock(mutex_);
      // The step-done message comes from the element that drew (inside a bin for the
      // automatic sink).
      if (opened_ && (GST_MESSAGE_SRC(msg) == GST_OBJECT(videoSink_) ||
                      (overlay_ && GST_MESSAGE_SRC(msg) == GST_OBJECT(overlay_)))) {
        // The sink does not move its reported position over stepped frames: keep the
        // position of the frame now shown.
        GstFormat format;
        guint64 amount = 0, duration = 0;
        gdouble rate = 1.0;
        gboolean flush = FALSE, intermediate = FALSE, eos = FALSE;
        gst_message_parse_step_done(msg, &format, &amount, &rate, &flush, &intermediate,
                                    &duration, &eos);
        if (stepBase_ >= 0 && GST_CLOCK_TIME_IS_VALID(duration))
          stepBase_ += static_cast<double>(duration) / GST_SECOND;
        post = true;
        code = EC_STEP_COMPLETE;
      }
      break;
    }
    default:
      break;
  }
  gst_message_unref(msg);
  if (events_clock) PostEvent(EC_CLOCK_CHANGED);
  if (post) PostEvent(code, p1, 0);
  return GST_BUS_DROP;
}

void TGstGraph::AddNotice(std::string text) {
  std::lock_guard lock(mutex_);
  if (notices_.size() < 200) notices_.push_back(std::move(text));
}

void TGstGraph::RestartClock(GstElement* pipeline, gpointer) {
  GstState state = GST_STATE_NULL, pending = GST_STATE_VOID_PENDING;
  gst_element_get_state(pipeline, &state, &pending, 0);
  if (state != GST_STATE_PLAYING && pending != GST_STATE_PLAYING) return;
  gst_element_set_state(pipeline, GST_STATE_PAUSED);
  gst_element_set_state(pipeline, GST_STATE_PLAYING);
}

void TGstGraph::CallAsync(void (*fn)(GstElement*, gpointer)) {
  struct Call {
    TGraphLinkPtr link;
    void (*fn)(GstElement*, gpointer);
  };
  gst_element_call_async(
      pipeline_,
      [](GstElement* pipeline, gpointer data) {
        auto* call = static_cast<Call*>(data);
        if (TGstGraph* graph = call->link->Enter()) {
          call->fn(pipeline, graph);
          call->link->Leave();
        }
      },
      new Call{link_, fn}, [](gpointer data) { delete static_cast<Call*>(data); });
}

void TGstGraph::LengthFromEnd(GstElement* pipeline, gpointer self) {
  auto* g = static_cast<TGstGraph*>(self);
  if (g->RefreshDuration()) {
    g->PostEvent(EC_LENGTH_CHANGED);
    return;
  }
  gint64 pos = -1;
  if (!gst_element_query_position(pipeline, GST_FORMAT_TIME, &pos) || pos <= 0) return;
  {
    std::lock_guard lock(g->mutex_);
    if (g->duration_ > 0) return;
    g->duration_ = static_cast<double>(pos) / GST_SECOND;
  }
  g->PostEvent(EC_LENGTH_CHANGED);
}

bool TGstGraph::RefreshDuration() {
  if (!pipeline_) return false;
  gint64 d = -1;
  if (!gst_element_query_duration(pipeline_, GST_FORMAT_TIME, &d) || d <= 0) return false;
  double seconds = static_cast<double>(d) / GST_SECOND;
  std::lock_guard lock(mutex_);
  if (std::fabs(seconds - duration_) < 0.0005) return false;
  duration_ = seconds;
  return true;
}

// Every decodebin that playbin makes for this file sorts its decoders libav first.
void TGstGraph::OnElementSetup(GstElement*, GstElement* element, gpointer) {
  GstElementFactory* f = gst_element_get_factory(element);
  if (f && std::strcmp(gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(f)), "decodebin") == 0)
    g_signal_connect(element, "autoplug-sort", G_CALLBACK(SortLibavFirst), nullptr);
}

GstPadProbeReturn TGstGraph::OnVideoCaps(GstPad*, GstPadProbeInfo* info, gpointer data) {
  GstEvent* ev = GST_PAD_PROBE_INFO_EVENT(info);
  if (ev && GST_EVENT_TYPE(ev) == GST_EVENT_CAPS) {
    GstCaps* caps = nullptr;
    gst_event_parse_caps(ev, &caps);
    TGraphLink& link = **static_cast<TGraphLinkPtr*>(data);
    if (TGstGraph* graph = link.Enter()) {
      graph->NoteVideoCaps(caps);
      link.Leave();
    }
  }
  return GST_PAD_PROBE_OK;
}

void TGstGraph::NoteVideoCaps(GstCaps* caps) {
  GstVideoInfo vi;
  if (!caps || !gst_video_info_from_caps(&vi, caps)) return;
  int w = GST_VIDEO_INFO_WIDTH(&vi);
  int h = GST_VIDEO_INFO_HEIGHT(&vi);
  // The size shown: square pixels, so anamorphic video keeps its picture shape.
  if (GST_VIDEO_INFO_PAR_N(&vi) > 0 && GST_VIDEO_INFO_PAR_D(&vi) > 0 &&
      GST_VIDEO_INFO_PAR_N(&vi) != GST_VIDEO_INFO_PAR_D(&vi)) {
    w = static_cast<int>(std::lround(static_cast<double>(w) * GST_VIDEO_INFO_PAR_N(&vi) /
                                     GST_VIDEO_INFO_PAR_D(&vi)));
  }
  bool post = false;
  {
    std::lock_guard lock(mutex_);
    post = opened_ && (w != capsWidth_ || h != capsHeight_) && capsWidth_ > 0;
    capsWidth_ = w;
    capsHeight_ = h;
    if (GST_VIDEO_INFO_FPS_N(&vi) > 0 && GST_VIDEO_INFO_FPS_D(&vi) > 0)
      frameTime_ = static_cast<double>(GST_VIDEO_INFO_FPS_D(&vi)) / GST_VIDEO_INFO_FPS_N(&vi);
  }
  if (post) {
    PostEvent(EC_VIDEO_SIZE_CHANGED,
              static_cast<std::intptr_t>((w & 0xFFFF) | ((h & 0xFFFF) << 16)), 0);
  }
}

GstElement* TGstGraph::ChooseVideoSink(TMediaFilterPtr* used) {
  // Candidates in order: the overlay mixer's renderer, the graph's video renderer, then
  // what any display offers.
  std::vector<std::pair<TMediaFilterPtr, std::string>> candidates;
  TMediaFilterPtr mixer, renderer;
  for (const auto& f : EnumFilters()) {
    if (f->Kind() == TFilterKind::OverlayMixer && !mixer) mixer = f;
    if (f->Kind() == TFilterKind::VideoRenderer && !renderer) renderer = f;
  }
  const char* forced = Env("MIVARO_VIDEO_SINK");
  if (forced || !HaveDisplay()) {
    *used = mixer ? mixer : renderer;
    GstElement* e = MakeElement(forced ? forced : "fakesink");
    if (e && g_object_class_find_property(G_OBJECT_GET_CLASS(e), "sync"))
      g_object_set(e, "sync", TRUE, nullptr);
    return e;
  }
  if (mixer) candidates.emplace_back(mixer, mixer->Element());
  if (renderer) candidates.emplace_back(renderer, renderer->Element());
  candidates.emplace_back(nullptr, VideoRendererElement());
  // The renderers asked for that did not start, for the notice below.
  std::string refused;
  for (auto& [filter, element] : candidates) {
    GstElement* e = MakeElement(element);
    if (!Starts(e)) {
      if (e) gst_object_unref(e);
      if (filter && refused.find(element) == std::string::npos)
        refused += (refused.empty() ? "" : ", ") + element;
      continue;
    }
    *used = filter;
    if (!refused.empty()) NoteSinkFallback(refused, element);
    return e;
  }
  *used = nullptr;
  NoteSinkFallback(refused.empty() ? VideoRendererElement() : refused, "fakesink");
  GstElement* e = MakeElement("fakesink");
  if (e) g_object_set(e, "sync", TRUE, nullptr);
  return e;
}

// A renderer that was asked for but did not start is replaced by the next one that does;
// the replacement is never silent: it goes to the diagnostics log and the graph's notices,
// and the player hears of it as an engine notice.
void TGstGraph::NoteSinkFallback(const std::string& refused, const std::string& used) {
  const std::string text = "video renderer " + refused + " did not start; using " + used;
  DebugWrite("ビデオレンダラ " + refused + " を開始できません: " + used + " を使います");
  AddNotice(text);
  PostEvent(EC_ENGINE_NOTICE);
}

// The scaler in front of the X image renderer, in `bin` with `sink` behind it; returns the
// chain's first element (the sink itself when the elements are missing). One element
// converts and scales in a single pass, straight from the decoder's frame to the
// window-sized picture in the display's RGB: no full-size RGB copy of a 1080p frame is
// kept, and the frame is touched once. Without it (GStreamer before 1.22) the frame is
// scaled in the decoder's format and converted afterwards.
GstElement* TGstGraph::BuildScalingChain(GstBin* bin, GstElement* sink) {
  std::vector<GstElement*> chain;
  if (GstElement* both = gst_element_factory_make("videoconvertscale", nullptr)) {
    chain = {both};
  } else {
    chain = {gst_element_factory_make("videoconvert", nullptr),
             gst_element_factory_make("videoscale", nullptr)};
  }
  scaler_ = gst_element_factory_make("capsfilter", nullptr);
  chain.push_back(scaler_);
  if (chain.size() > 2) chain.push_back(gst_element_factory_make("videoconvert", nullptr));
  if (std::find(chain.begin(), chain.end(), nullptr) != chain.end()) {
    for (GstElement* e : chain)
      if (e) gst_object_unref(e);
    scaler_ = nullptr;
    gst_bin_add(bin, sink);
    return sink;
  }
  // Scaled to the rectangle as given: black bars are the renderer's (keep-aspect).
  for (GstElement* e : chain)
    if (g_object_class_find_property(G_OBJECT_GET_CLASS(e), "add-borders"))
      g_object_set(e, "add-borders", FALSE, nullptr);
  // Two window sizes in quick succession (wallpaper mode on and off at once) leave frames
  // of the first size on their way when the second is set; taken strictly, they fail
  // negotiation and stop the stream. The filter accepts the previous size until the
  // scaler has switched.
  gst_util_set_object_arg(G_OBJECT(scaler_), "caps-change-mode", "delayed");
  GstElement* prev = nullptr;
  for (GstElement* e : chain) {
    gst_bin_add(bin, e);
    if (prev) gst_element_link(prev, e);
    prev = e;
  }
  gst_bin_add(bin, sink);
  gst_element_link(prev, sink);
  gst_object_ref(scaler_);
  return chain.front();
}

HRESULT TGstGraph::BuildPipeline(const std::string& uri, bool videoToo) {
  Teardown();
  pipeline_ = gst_element_factory_make("playbin", nullptr);
  if (!pipeline_) return E_FAIL;
  gst_object_ref_sink(pipeline_);
  link_ = std::make_shared<TGraphLink>(this);
  unsigned flags = kPlayAudio | kPlaySoftVolume;
  if (videoToo) flags |= kPlayVideo | kPlayText;
  g_object_set(pipeline_, "uri", uri.c_str(), "flags", flags, nullptr);

  // Audio: the audio renderer in the graph, else the default device.
  std::string audio = DefaultAudioSinkElement();
  for (const auto& f : EnumFilters()) {
    if (f->Kind() == TFilterKind::AudioRenderer && !f->Element().empty()) {
      audio = f->Element();
      break;
    }
  }
  GstElement* asink = MakeElement(audio);
  if (!asink) asink = MakeElement("autoaudiosink");
  if (!asink) asink = MakeElement("fakesink");
  if (asink) {
    if (audio == "fakesink") g_object_set(asink, "sync", TRUE, nullptr);
    audioSinkName_ = GST_OBJECT_NAME(gst_element_get_factory(asink));
    g_object_set(pipeline_, "audio-sink", asink, nullptr);
  }
  // Rate changes that keep the pitch, and the balance.
  audio_ = std::make_unique<TGstAudioChain>();
  if (GstElement* abin = audio_->Build()) g_object_set(pipeline_, "audio-filter", abin, nullptr);

  if (videoToo) {
    TMediaFilterPtr used;
    GstElement* sink = ChooseVideoSink(&used);
    if (!sink) return E_FAIL;
    videoSink_ = GST_ELEMENT(gst_object_ref(sink));
    videoSinkName_ = GST_OBJECT_NAME(gst_element_get_factory(sink));
    GstElement* bin = gst_bin_new("videorenderer");
    GstElement* head = sink;
    if (videoSinkName_ == "ximagesink") {
      // The X image renderer only centres frames: scale them to the window rectangle.
      // The player's own converter would scale first and keep the aspect with black bars,
      // so that a stretched picture (keep-aspect off) never filled the window: the chain
      // converts and scales by itself, and the player is told to leave frames as they are.
      head = BuildScalingChain(GST_BIN(bin), sink);
      if (head != sink) g_object_set(pipeline_, "flags", flags | kPlayNativeVideo, nullptr);
    } else {
      gst_bin_add(GST_BIN(bin), sink);
    }
    GstPad* target = gst_element_get_static_pad(head, "sink");
    GstPad* ghost = gst_ghost_pad_new("sink", target);
    gst_object_unref(target);
    gst_pad_add_probe(ghost, GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, OnVideoCaps, LinkData(link_),
                      FreeLinkData);
    gst_element_add_pad(bin, ghost);
    g_object_set(pipeline_, "video-sink", bin, nullptr);
    if (g_object_class_find_property(G_OBJECT_GET_CLASS(sink), "force-aspect-ratio"))
      g_object_set(sink, "force-aspect-ratio", aspectMode_ == VMR_ARMODE_LETTER_BOX, nullptr);
    // The overlay: the sink itself, or the sink an automatic bin made when it started.
    if (GST_IS_VIDEO_OVERLAY(sink)) overlay_ = GST_ELEMENT(gst_object_ref(sink));
    else if (GST_IS_BIN(sink))
      overlay_ = gst_bin_get_by_interface(GST_BIN(sink), GST_TYPE_VIDEO_OVERLAY);
    if (overlay_) {
      gst_video_overlay_handle_events(GST_VIDEO_OVERLAY(overlay_), FALSE);
      GiveSinkWindow(GST_VIDEO_OVERLAY(overlay_));
    }
    // The first frame is scaled to the window as it stands, so that it is drawn once.
    UpdateScalerCaps();
  }
  GstBus* bus = gst_element_get_bus(pipeline_);
  gst_bus_set_sync_handler(bus, OnBusSync, LinkData(link_), FreeLinkData);
  gst_object_unref(bus);
  return S_OK;
}

HRESULT TGstGraph::StartPreroll() {
  {
    std::lock_guard lock(mutex_);
    asyncDone_ = errored_ = eos_ = false;
    error_.clear();
  }
  GstStateChangeReturn r = gst_element_set_state(pipeline_, GST_STATE_PAUSED);
  if (r == GST_STATE_CHANGE_FAILURE) {
    std::unique_lock lock(mutex_);
    if (error_.empty()) error_ = "the pipeline did not start";
    return VFW_E_CANNOT_RENDER;
  }
  if (r != GST_STATE_CHANGE_SUCCESS) return S_FALSE;
  std::lock_guard lock(mutex_);
  return errored_ ? VFW_E_CANNOT_RENDER : S_OK;
}

HRESULT TGstGraph::Preroll() {
  HRESULT hr = StartPreroll();
  return hr == S_FALSE ? WaitPreroll() : hr;
}

HRESULT TGstGraph::WaitPreroll() {
  std::unique_lock lock(mutex_);
  // A demuxer that fails while the decoder bin is still trying it can have its error
  // swallowed; the pipeline then waits for ever. A file that shows no stream at all after
  // kNoStreamTimeoutMs is taken as unplayable.
  const auto start = std::chrono::steady_clock::now();
  for (;;) {
    if (cv_.wait_for(lock, std::chrono::milliseconds(100),
                     [this] { return asyncDone_ || errored_ || eos_ || cancelOpen_; }))
      break;
    auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::steady_clock::now() - start).count();
    if (waited >= kPrerollTimeoutMs) {
      error_ = "timed out while opening";
      return VFW_E_TIMEOUT;
    }
    if (waited >= kNoStreamTimeoutMs) {
      lock.unlock();
      gint video = 0, audio = 0;
      g_object_get(pipeline_, "n-video", &video, "n-audio", &audio, nullptr);
      lock.lock();
      if (video == 0 && audio == 0) {
        error_ = "no playable stream found";
        return VFW_E_CANNOT_RENDER;
      }
    }
  }
  if (cancelOpen_) return E_ABORT;
  if (errored_) return VFW_E_CANNOT_RENDER;
  return S_OK;
}

void TGstGraph::CancelOpen() {
  if (opener_.joinable()) {
    {
      std::lock_guard lock(mutex_);
      cancelOpen_ = true;
      cv_.notify_all();
    }
    opener_.join();
  }
  openPending_ = false;
  std::lock_guard lock(mutex_);
  cancelOpen_ = false;
  prerollFinished_ = false;
}

void TGstGraph::Dispatch() {
  if (redrawPending_) {
    redrawPending_ = false;
    bool atEnd;
    {
      std::lock_guard lock(mutex_);
      atEnd = eos_;
    }
    double pos = 0;
    if (pipeline_ && logical_ != State_Running && !atEnd && get_CurrentPosition(&pos) == S_OK)
      SeekTo(pos, rate_);
  }
  if (!openPending_) return;
  HRESULT prerolled;
  {
    std::lock_guard lock(mutex_);
    if (!prerollFinished_) return;
    prerolled = prerollResult_;
  }
  opener_.join();
  openPending_ = false;
  {
    std::lock_guard lock(mutex_);
    prerollFinished_ = false;
  }
  PostEvent(EC_OPEN_COMPLETE, FinishRender(prerolled), 0);
}

void TGstGraph::ReadStreamFacts() {
  g_object_get(pipeline_, "n-video", &nVideo_, "n-audio", &nAudio_, nullptr);
  gint64 d = -1;
  duration_ = gst_element_query_duration(pipeline_, GST_FORMAT_TIME, &d) && d > 0
                  ? static_cast<double>(d) / GST_SECOND
                  : 0.0;
  {
    std::lock_guard lock(mutex_);
    width_ = nVideo_ > 0 ? capsWidth_ : 0;
    height_ = nVideo_ > 0 ? capsHeight_ : 0;
  }
  if (nVideo_ > 0 && width_ == 0) {
    // No caps seen yet (no frame reached the sink): ask the stream's pad.
    GstPad* pad = nullptr;
    g_signal_emit_by_name(pipeline_, "get-video-pad", 0, &pad);
    if (pad) {
      GstCaps* caps = gst_pad_get_current_caps(pad);
      if (caps) {
        NoteVideoCaps(caps);
        gst_caps_unref(caps);
      }
      gst_object_unref(pad);
      std::lock_guard lock(mutex_);
      width_ = capsWidth_;
      height_ = capsHeight_;
    }
  }

  // Mark what automatic rendering connected: source -> (preferred decoder) -> renderer.
  WString file = RenderedFile();
  TMediaFilterPtr source = MakeMediaFilter(TFilterKind::Source, "uridecodebin", file);
  source->SetSourceFile(file);
  AddFilter(source, file);
  auto [mixer, renderer, vdec, adec, arend] = FindRenderFilters();
  TMediaType vt;
  vt.major = TMediaMajor::Video;
  vt.format = TMediaFormat::VideoInfo2;
  vt.avgTimePerFrame = frameTime_ > 0 ? std::llround(frameTime_ * 1e7) : 0;
  vt.width = width_;
  vt.height = height_;
  TMediaType at;
  at.major = TMediaMajor::Audio;
  at.format = TMediaFormat::WaveFormatEx;
  const auto& spins = source->Pins();
  if (nVideo_ > 0 && videoSink_) {
    // Which filter draws: the one whose element is the sink in use, else a new renderer.
    TMediaFilterPtr target;
    if (mixer && mixer->Element() == videoSinkName_) target = mixer;
    else if (renderer && renderer->Element() == videoSinkName_) target = renderer;
    else if (renderer && (Env("MIVARO_VIDEO_SINK") || !HaveDisplay())) target = mixer ? mixer : renderer;
    if (!target) {
      target = MakeMediaFilter(TFilterKind::VideoRenderer, videoSinkName_, kVideoRendererName);
      WString name = kVideoRendererName;
      for (int i = 1; ; ++i) {
        bool taken = false;
        for (const auto& f : EnumFilters()) taken = taken || f->Name() == name;
        if (!taken) break;
        char buf[16];
        std::snprintf(buf, sizeof buf, " %04d", i);
        name = WString(kVideoRendererName) + U16(buf);
      }
      AddFilter(target, name);
    }
    MarkRenderedChain(spins[0].get(), vdec, target.get(), vt);
    if (target == mixer && renderer) {
      // The mixer's output already feeds its renderer; give that link the video type too.
      TMediaPin* out = nullptr;
      FindPinByName(mixer.get(), u"Output", &out);
      if (out && out->Peer()) MarkConnected(out, out->Peer(), vt);
    }
  }
  if (nAudio_ > 0) {
    if (!arend) {
      arend = MakeMediaFilter(TFilterKind::AudioRenderer, audioSinkName_, kDefaultAudioDeviceName);
      AddFilter(arend, kDefaultAudioDeviceName);
    }
    MarkRenderedChain(spins[1].get(), adec, arend.get(), at);
  }
}

HRESULT TGstGraph::RenderFile(WStringView file) {
  if (!GstInitHolder::Ensure()) return E_FAIL;
  std::string path = Path8(file);
  struct stat st {};
  if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
    return VFW_E_NOT_FOUND;
  if (st.st_size == 0) return VFW_E_CANNOT_RENDER;
  gchar* uri = gst_filename_to_uri(path.c_str(), nullptr);
  if (!uri) return VFW_E_NOT_FOUND;
  bool preferred = false;
  for (const auto& f : EnumFilters())
    preferred = preferred || f->Kind() == TFilterKind::VideoDecoder ||
                f->Kind() == TFilterKind::AudioDecoder;
  SetRenderedFile(WString(file));
  HRESULT hr = BuildPipeline(uri, true);
  if (hr == S_OK && preferred)
    g_signal_connect(pipeline_, "element-setup", G_CALLBACK(OnElementSetup), nullptr);
  g_free(uri);
  if (hr != S_OK) {
    Teardown();
    return hr;
  }
  hr = StartPreroll();
  if (hr == S_FALSE && openInBackground_) {
    // The window goes on while the pipeline prerolls: a thread waits for it and wakes the
    // UI thread, whose next Dispatch() finishes the rendering there.
    openPending_ = true;
    opener_ = std::thread([this] {
      HRESULT r = WaitPreroll();
      {
        std::lock_guard lock(mutex_);
        prerollResult_ = r;
        prerollFinished_ = true;
      }
      MediaEvent()->Wake();
    });
    return VFW_S_OPEN_PENDING;
  }
  if (hr == S_FALSE) hr = WaitPreroll();
  return FinishRender(hr);
}

HRESULT TGstGraph::FinishRender(HRESULT hr) {
  if (hr == S_OK) {
    ReadStreamFacts();
    if (nVideo_ == 0 && nAudio_ == 0) hr = VFW_E_CANNOT_RENDER;
  }
  if (hr != S_OK) {
    std::string err = LastError();
    Teardown();
    std::lock_guard lock(mutex_);
    error_ = err;
    return hr;
  }
  {
    std::lock_guard lock(mutex_);
    opened_ = true;
  }
  atStart_ = true;
  // The sink drew the first frame into the window and rectangle it was given while it
  // prerolled; only a change since then has it draw again.
  bool moved;
  {
    std::lock_guard lock(mutex_);
    moved = owner_ != shownOwner_ || !(rect_ == shownRect_);
  }
  if (moved) ApplyWindow();
  return S_OK;
}

HRESULT TGstGraph::RenderSource(const TMediaFilterPtr& source) {
  if (!source || !GstInitHolder::Ensure()) return E_POINTER;
  std::string path = Path8(source->SourceFile());
  // The Windows Media reader takes Windows Media files only.
  if (!LooksLikeAsf(path)) return VFW_E_CANNOT_RENDER;
  gchar* uri = gst_filename_to_uri(path.c_str(), nullptr);
  if (!uri) return VFW_E_NOT_FOUND;
  SetRenderedFile(source->SourceFile());
  HRESULT hr = BuildPipeline(uri, false);
  g_free(uri);
  if (hr == S_OK) hr = Preroll();
  if (hr == S_OK) {
    g_object_get(pipeline_, "n-audio", &nAudio_, nullptr);
    nVideo_ = 0;
    gint64 d = -1;
    duration_ = gst_element_query_duration(pipeline_, GST_FORMAT_TIME, &d) && d > 0
                    ? static_cast<double>(d) / GST_SECOND
                    : 0.0;
    if (nAudio_ == 0) hr = VFW_E_CANNOT_RENDER;
  }
  if (hr != S_OK) {
    Teardown();
    return hr;
  }
  std::lock_guard lock(mutex_);
  opened_ = true;
  return S_OK;
}

void TGstGraph::Teardown() {
  CancelOpen();
  if (link_) {
    link_->Cut();
    link_.reset();
  }
  // The pipeline goes down on the reaper thread, with the elements it was held by and the
  // audio filter whose probes it may still call until it is stopped.
  std::shared_ptr<TGstAudioChain> audio(std::move(audio_));
  if (pipeline_ || videoSink_ || overlay_ || scaler_ || audio) {
    ReapLater([pipeline = pipeline_, held = std::array{videoSink_, overlay_, scaler_}, audio] {
      if (pipeline) gst_element_set_state(pipeline, GST_STATE_NULL);
      for (GstElement* e : held)
        if (e) gst_object_unref(e);
      if (pipeline) gst_object_unref(pipeline);
    });
  }
  pipeline_ = videoSink_ = overlay_ = scaler_ = nullptr;
  redrawPending_ = false;
  std::lock_guard lock(mutex_);
  opened_ = false;
  notices_.clear();
  capsWidth_ = capsHeight_ = 0;
  shownOwner_ = 0;  // the next sink has been given nothing yet
  shownRect_ = {};
  nVideo_ = nAudio_ = 0;
  width_ = height_ = 0;
  duration_ = 0;
  frameTime_ = 0;
  logical_ = State_Stopped;
  atStart_ = false;
  stepBase_ = -1;
  pendingSteps_ = 0;
  clockPosted_ = awaitPlaying_ = awaitPaused_ = false;
  seekInFlight_ = false;
  nextSeek_.reset();
}

HRESULT TGstGraph::Run() {
  if (!pipeline_) return VFW_E_NOT_CONNECTED;
  atStart_ = false;
  redrawPending_ = false;  // playing draws the next frame at the new size
  double stepped;
  {
    std::lock_guard lock(mutex_);
    stepped = stepBase_;
    pendingSteps_ = 0;
  }
  // Only the picture moved over stepped frames: an accurate seek to the frame shown brings
  // sound and clock back to it before playing on (the seek ends the stepped state).
  if (stepped >= 0) SeekTo(stepped, rate_);
  GstState cur = GST_STATE_NULL, pending = GST_STATE_VOID_PENDING;
  gst_element_get_state(pipeline_, &cur, &pending, 0);
  {
    std::lock_guard lock(mutex_);
    awaitPaused_ = false;
    awaitPlaying_ = !(cur == GST_STATE_PLAYING && pending == GST_STATE_VOID_PENDING);
  }
  GstStateChangeReturn r = gst_element_set_state(pipeline_, GST_STATE_PLAYING);
  if (r == GST_STATE_CHANGE_FAILURE) {
    std::lock_guard lock(mutex_);
    awaitPlaying_ = false;
    return E_FAIL;
  }
  logical_ = State_Running;
  return r == GST_STATE_CHANGE_ASYNC ? S_FALSE : S_OK;
}

HRESULT TGstGraph::Pause() {
  if (!pipeline_) return VFW_E_NOT_CONNECTED;
  GstState cur = GST_STATE_NULL, pending = GST_STATE_VOID_PENDING;
  const bool settledPaused = gst_element_get_state(pipeline_, &cur, &pending, 0) ==
                                 GST_STATE_CHANGE_SUCCESS && cur == GST_STATE_PAUSED;
  {
    std::lock_guard lock(mutex_);
    awaitPlaying_ = false;
    awaitPaused_ = !settledPaused;
  }
  GstStateChangeReturn r = gst_element_set_state(pipeline_, GST_STATE_PAUSED);
  if (r == GST_STATE_CHANGE_FAILURE) {
    std::lock_guard lock(mutex_);
    awaitPaused_ = false;
    return E_FAIL;
  }
  logical_ = State_Paused;
  if (settledPaused) {
    // Already paused (prerolled after the open or a stop): the pause is complete now.
    bool clock;
    {
      std::lock_guard lock(mutex_);
      clock = !clockPosted_;
      clockPosted_ = true;
    }
    if (clock) PostEvent(EC_CLOCK_CHANGED);
    PostEvent(EC_PAUSED, S_OK);
  }
  return r == GST_STATE_CHANGE_ASYNC ? S_FALSE : S_OK;
}

HRESULT TGstGraph::Stop() {
  if (!pipeline_) return VFW_E_NOT_CONNECTED;
  // Stopped keeps the position and the last frame: the pipeline only pauses.
  GstStateChangeReturn r = gst_element_set_state(pipeline_, GST_STATE_PAUSED);
  if (r == GST_STATE_CHANGE_FAILURE) return E_FAIL;
  logical_ = State_Stopped;
  return S_OK;
}

HRESULT TGstGraph::GetState(int timeoutMs, int* state) {
  if (!state) return E_POINTER;
  *state = logical_;
  if (!pipeline_) return S_OK;
  GstState cur, pending;
  GstStateChangeReturn r = gst_element_get_state(
      pipeline_, &cur, &pending, static_cast<GstClockTime>(std::max(0, timeoutMs)) * GST_MSECOND);
  if (r == GST_STATE_CHANGE_FAILURE) return E_FAIL;
  if (r == GST_STATE_CHANGE_ASYNC) return VFW_S_STATE_INTERMEDIATE;
  // The pipeline's state; a paused pipeline is "stopped" when the graph was stopped (Stop
  // keeps the last frame by pausing).
  if (cur == GST_STATE_PLAYING) *state = State_Running;
  else if (cur == GST_STATE_PAUSED) *state = logical_ == State_Stopped ? State_Stopped : State_Paused;
  else *state = State_Stopped;
  return S_OK;
}

HRESULT TGstGraph::get_Duration(double* seconds) {
  if (!seconds) return E_POINTER;
  std::lock_guard lock(mutex_);
  *seconds = duration_;
  return pipeline_ ? S_OK : VFW_E_NOT_CONNECTED;
}

HRESULT TGstGraph::get_CurrentPosition(double* seconds) {
  if (!seconds) return E_POINTER;
  *seconds = 0;
  if (!pipeline_) return VFW_E_NOT_CONNECTED;
  // A length not known at the preroll (a stream without an index or header) is asked for
  // again while playing; the player hears of it through EC_LENGTH_CHANGED.
  bool unknown;
  {
    std::lock_guard lock(mutex_);
    unknown = opened_ && duration_ <= 0;
  }
  if (unknown && RefreshDuration()) PostEvent(EC_LENGTH_CHANGED);
  {
    std::lock_guard lock(mutex_);
    if (eos_) {
      *seconds = duration_;  // at the end the position is exactly the length
      return S_OK;
    }
    if (seekInFlight_ || nextSeek_) {
      // Until the seek has landed the position is where it goes, so that a seek bar
      // being dragged does not jump back.
      *seconds = seekTarget_;
      return S_OK;
    }
    if (stepBase_ >= 0 && logical_ != State_Running) {
      *seconds = duration_ > 0 && stepBase_ > duration_ ? duration_ : stepBase_;
      return S_OK;
    }
  }
  gint64 pos = -1;
  // With video the picture decides: a frame step moves only the video sink.
  bool known = videoSink_ && nVideo_ > 0 &&
               gst_element_query_position(videoSink_, GST_FORMAT_TIME, &pos) && pos >= 0;
  if (!known) known = gst_element_query_position(pipeline_, GST_FORMAT_TIME, &pos) && pos >= 0;
  if (known) {
    *seconds = static_cast<double>(pos) / GST_SECOND;
    if (duration_ > 0 && *seconds > duration_) *seconds = duration_;
  }
  return S_OK;
}

HRESULT TGstGraph::SeekTo(double seconds, double rate, bool accurate) {
  if (!pipeline_) return VFW_E_NOT_CONNECTED;
  if (!(seconds >= 0)) seconds = 0;
  if (duration_ > 0 && seconds > duration_) seconds = duration_;
  redrawPending_ = false;  // the seek draws the picture anew
  // A seek elsewhere leaves the first frame; one to the start (the layout's redraw) keeps it.
  atStart_ = atStart_ && seconds == 0 && rate == rate_;
  {
    std::lock_guard lock(mutex_);
    eos_ = false;
    stepBase_ = -1;
    seekTarget_ = seconds;
    const auto now = std::chrono::steady_clock::now();
    // A seek whose ASYNC_DONE never came (the pipeline was not prerolling) holds no one up
    // for more than a second.
    if (seekInFlight_ && now - seekSent_ < std::chrono::seconds(1)) {
      nextSeek_ = TSeek{seconds, rate, accurate};
      return S_OK;
    }
    nextSeek_.reset();
    seekInFlight_ = true;
    seekSent_ = now;
    asyncDone_ = false;
  }
  return SendSeek(seconds, rate, accurate) ? S_OK : E_FAIL;
}

bool TGstGraph::SendSeek(double seconds, double rate, bool accurate) {
  const auto flags = static_cast<GstSeekFlags>(
      GST_SEEK_FLAG_FLUSH |
      (accurate ? GST_SEEK_FLAG_ACCURATE : GST_SEEK_FLAG_KEY_UNIT | GST_SEEK_FLAG_SNAP_NEAREST));
  const auto t = static_cast<gint64>(std::llround(seconds * GST_SECOND));
  if (gst_element_seek(pipeline_, rate, GST_FORMAT_TIME, flags, GST_SEEK_TYPE_SET, t,
                       GST_SEEK_TYPE_NONE, GST_CLOCK_TIME_NONE))
    return true;
  std::lock_guard lock(mutex_);
  seekInFlight_ = false;
  return false;
}

void TGstGraph::SendNextSeek(GstElement*, gpointer self) {
  auto* g = static_cast<TGstGraph*>(self);
  TSeek next;
  {
    std::lock_guard lock(g->mutex_);
    if (!g->nextSeek_ || g->seekInFlight_) return;
    next = *g->nextSeek_;
    g->nextSeek_.reset();
    g->seekInFlight_ = true;
    g->seekSent_ = std::chrono::steady_clock::now();
    g->asyncDone_ = false;
  }
  g->SendSeek(next.seconds, next.rate, next.accurate);
}

HRESULT TGstGraph::put_CurrentPosition(double seconds) {
  // The replay that follows an open: the pipeline shows the first frame already (or a
  // seek to it is under way), and another flushing seek would only decode it again
  // before playing could start.
  if (atStart_ && seconds == 0) {
    std::lock_guard lock(mutex_);
    if (!eos_ && !nextSeek_ && stepBase_ < 0 && (!seekInFlight_ || seekTarget_ == 0)) return S_OK;
  }
  return SeekTo(seconds, rate_);
}

HRESULT TGstGraph::put_CurrentPositionKeyFrame(double seconds) {
  return SeekTo(seconds, rate_, false);
}

HRESULT TGstGraph::put_Rate(double rate) {
  if (!pipeline_) return VFW_E_NOT_CONNECTED;
  if (!(rate > 0) || !std::isfinite(rate)) return E_INVALIDARG;
  if (rate == rate_) return S_OK;
  double pos = 0;
  get_CurrentPosition(&pos);
  HRESULT hr = SeekTo(pos, rate);
  if (hr == S_OK) rate_ = rate;
  return hr;
}

HRESULT TGstGraph::get_Rate(double* rate) {
  if (!rate) return E_POINTER;
  *rate = rate_;
  return pipeline_ ? S_OK : VFW_E_NOT_CONNECTED;
}

HRESULT TGstGraph::CanSeekBackward(long* can) {
  if (!can) return E_POINTER;
  *can = 0;
  // Reverse playback is not offered: playbin's demuxers and decoders play backwards only
  // in part, and put_Rate refuses negative rates.
  return pipeline_ ? E_NOTIMPL : VFW_E_NOT_CONNECTED;
}

HRESULT TGstGraph::put_Volume(long hundredthsDb) {
  if (!HasBasicAudio()) return E_NOTIMPL;
  if (hundredthsDb > 0) hundredthsDb = 0;
  double linear = hundredthsDb <= -10000 ? 0.0 : std::pow(10.0, hundredthsDb / 2000.0);
  g_object_set(pipeline_, "volume", linear, nullptr);
  return S_OK;
}

HRESULT TGstGraph::put_Balance(long balance) {
  if (!HasBasicAudio()) return E_NOTIMPL;
  if (!audio_) return E_NOTIMPL;
  audio_->SetBalance(std::clamp(balance, -10000L, 10000L));
  return S_OK;
}

HRESULT TGstGraph::GetVideoSize(long* width, long* height) {
  if (!width || !height) return E_POINTER;
  if (!HasVideoStream()) return E_NOTIMPL;
  *width = width_;
  *height = height_;
  return S_OK;
}

HRESULT TGstGraph::get_AvgTimePerFrame(double* seconds) {
  if (!seconds) return E_POINTER;
  if (!HasVideoStream()) return E_NOTIMPL;
  std::lock_guard lock(mutex_);
  *seconds = frameTime_;
  return S_OK;
}

HRESULT TGstGraph::CanStep(long count) {
  // Stepping needs frames: an audio-only graph would wait for ever.
  if (!HasVideoStream() || count < 0) return E_FAIL;
  return S_OK;
}

HRESULT TGstGraph::Step(long count) {
  if (CanStep(count) != S_OK || count < 1) return E_FAIL;
  atStart_ = false;
  if (logical_ == State_Running) Pause();
  double here = 0;
  get_CurrentPosition(&here);
  GstState cur = GST_STATE_NULL, pending = GST_STATE_VOID_PENDING;
  const bool settled =
      gst_element_get_state(pipeline_, &cur, &pending, 0) == GST_STATE_CHANGE_SUCCESS;
  {
    std::lock_guard lock(mutex_);
    if (stepBase_ < 0) stepBase_ = here;
    if (!settled) {
      // Still pausing (or prerolling after a seek): a step sent now would be lost in the
      // change; it goes out with the pipeline's ASYNC_DONE.
      pendingSteps_ += count;
      return S_OK;
    }
    asyncDone_ = false;
  }
  return SendStep(count) ? S_OK : E_FAIL;
}

bool TGstGraph::SendStep(long count) {
  return gst_element_send_event(
      videoSink_, gst_event_new_step(GST_FORMAT_BUFFERS, static_cast<guint64>(count), 1.0, TRUE,
                                     FALSE));
}

void TGstGraph::SendPendingSteps(GstElement*, gpointer self) {
  auto* g = static_cast<TGstGraph*>(self);
  long count;
  {
    std::lock_guard lock(g->mutex_);
    count = g->pendingSteps_;
    g->pendingSteps_ = 0;
    if (count > 0) g->asyncDone_ = false;
  }
  if (count > 0 && g->videoSink_) g->SendStep(count);
}

void TGstGraph::GiveSinkWindow(GstVideoOverlay* overlay) {
  std::lock_guard lock(mutex_);
  if (!owner_) return;  // without an owner the sink shows a window of its own
  gst_video_overlay_set_window_handle(overlay, owner_);
  if (rect_.width > 0 && rect_.height > 0)
    gst_video_overlay_set_render_rectangle(overlay, rect_.left, rect_.top, rect_.width,
                                           rect_.height);
  shownOwner_ = owner_;
  shownRect_ = rect_;
}

void TGstGraph::ApplyWindow() {
  if (!overlay_) return;
  TMyWindowHandle owner;
  TMyBounds rect;
  {
    std::lock_guard lock(mutex_);
    owner = owner_;
    rect = rect_;
  }
  auto* overlay = GST_VIDEO_OVERLAY(overlay_);
  if (owner) gst_video_overlay_set_window_handle(overlay, owner);
  if (rect.width > 0 && rect.height > 0)
    gst_video_overlay_set_render_rectangle(overlay, rect.left, rect.top, rect.width, rect.height);
  {
    std::lock_guard lock(mutex_);
    shownOwner_ = owner;
    shownRect_ = rect;
  }
  UpdateScalerCaps();
  gst_video_overlay_expose(overlay);
}

void TGstGraph::UpdateScalerCaps() {
  if (!scaler_) return;
  TMyBounds rect;
  {
    std::lock_guard lock(mutex_);
    rect = rect_;
  }
  GstCaps* caps = rect.width > 0 && rect.height > 0
                      ? gst_caps_new_simple("video/x-raw", "width", G_TYPE_INT, rect.width,
                                            "height", G_TYPE_INT, rect.height,
                                            "pixel-aspect-ratio", GST_TYPE_FRACTION, 1, 1, nullptr)
                      : gst_caps_new_any();
  g_object_set(scaler_, "caps", caps, nullptr);
  gst_caps_unref(caps);
}

HRESULT TGstGraph::put_Owner(TMyWindowHandle owner) {
  // Before rendering the owner is kept for the sink's first frame, so that no window of
  // the sink's own ever appears.
  {
    std::lock_guard lock(mutex_);
    owner_ = owner;
  }
  if (!pipeline_) return S_OK;
  if (!HasVideoStream()) return E_NOTIMPL;
  if (!overlay_ || !owner) return S_OK;
  {
    std::lock_guard lock(mutex_);
    if (owner == shownOwner_) return S_OK;  // the sink draws there already
    shownOwner_ = owner;
  }
  gst_video_overlay_set_window_handle(GST_VIDEO_OVERLAY(overlay_), owner);
  return S_OK;
}

// The sink has no window of its own: it draws into the owner's window. A child style is
// what that already is; any other style cannot be given.
HRESULT TGstGraph::put_WindowStyle(std::uint32_t style) {
  if (!HasVideoStream()) return E_NOTIMPL;
  return (style & WS_CHILD) ? S_OK : E_NOTIMPL;
}

HRESULT TGstGraph::SetWindowPosition(int left, int top, int width, int height) {
  if (!HasVideoStream()) return E_NOTIMPL;
  bool changed;
  {
    std::lock_guard lock(mutex_);
    TMyBounds r{left, top, width, height};
    changed = !(r == rect_);
    rect_ = r;
  }
  if (!changed) return S_OK;
  ApplyWindow();
  // The scaler only applies the new size to the next frame. A paused picture, and a still
  // image (one frame, then the end of the stream), have no next frame coming: draw the
  // current one again.
  if (scaler_) {
    bool atEnd;
    {
      std::lock_guard lock(mutex_);
      atEnd = eos_;
    }
    const bool paused = logical_ != State_Running && !atEnd;
    const bool stillShown = atEnd && duration_ <= 0;
    double pos = 0;
    if (paused) {
      redrawPending_ = true;
      MediaEvent()->Wake();
    } else if (stillShown && get_CurrentPosition(&pos) == S_OK && SeekTo(pos, rate_) == S_OK) {
      // Wait briefly for the picture to come through again, so that what the window
      // draws next (its background, then an expose) already shows the new size.
      std::unique_lock lock(mutex_);
      cv_.wait_for(lock, std::chrono::milliseconds(300), [this] { return eos_ || errored_; });
    }
  }
  return S_OK;
}

// The overlay handles no input events, so the owner's window receives them itself; they
// cannot be sent to any other window.
HRESULT TGstGraph::put_MessageDrain(TMyWindowHandle window) {
  if (!HasVideoStream()) return E_NOTIMPL;
  std::lock_guard lock(mutex_);
  return window != 0 && window == owner_ ? S_OK : E_NOTIMPL;
}

// No window of its own to bring to the front.
HRESULT TGstGraph::SetWindowForeground(long) { return E_NOTIMPL; }

HRESULT TGstGraph::SetAspectRatioMode(int mode) {
  aspectMode_ = mode;
  GstElement* target = overlay_ ? overlay_ : videoSink_;
  if (!target) return E_NOTIMPL;
  if (!g_object_class_find_property(G_OBJECT_GET_CLASS(target), "force-aspect-ratio"))
    return E_NOTIMPL;
  g_object_set(target, "force-aspect-ratio", mode == VMR_ARMODE_LETTER_BOX, nullptr);
  return S_OK;
}

bool TGstGraph::WaitUntilSettled(int timeoutMs) {
  if (!pipeline_) return false;
  std::unique_lock lock(mutex_);
  return cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                      [this] { return asyncDone_ || errored_; }) &&
         !errored_;
}

}  // namespace

bool GstInitHolder::Ensure() {
  static const bool ok = [] {
    GError* err = nullptr;
    if (!gst_init_check(nullptr, nullptr, &err)) {
      if (err) g_error_free(err);
      return false;
    }
    // The frame-buffer sink crashes without its device; never let automatic choices pick it.
    for (const char* name : {"dfbvideosink", "fbdevsink", "kmssink"}) {
      GstPluginFeature* f = gst_registry_lookup_feature(gst_registry_get(), name);
      if (f) {
        gst_plugin_feature_set_rank(f, GST_RANK_NONE);
        gst_object_unref(f);
      }
    }
    if (HaveDisplay()) InstallXErrorGuard();
    return true;
  }();
  return ok;
}

void WarmUpMediaEngine() {
  if (!GstInitHolder::Ensure()) return;
  // The libav decoders serve nearly every format here, and loading them pulls in the
  // whole codec library family: the slowest part of a first open.
  for (const char* name : {"coreelements", "typefindfunctions", "playback", "audioconvert",
                           "audioresample", "volume", "libav"}) {
    if (GstPlugin* plugin = gst_plugin_load_by_name(name)) gst_object_unref(plugin);
  }
}

void InstallXErrorGuard() {
  using Handler = int (*)(void*, void*);
  using SetHandler = Handler (*)(Handler);
  void* lib = dlopen("libX11.so.6", RTLD_LAZY | RTLD_NOLOAD);
  if (!lib) lib = dlopen("libX11.so.6", RTLD_LAZY);
  if (!lib) return;
  auto set = reinterpret_cast<SetHandler>(dlsym(lib, "XSetErrorHandler"));
  if (set) set(IgnoreXError);
}

long XErrorsIgnored() { return g_xErrors.load(); }

std::unique_ptr<TMediaGraph> CreateGstGraph() {
  if (!GstInitHolder::Ensure()) return nullptr;
  return std::make_unique<TGstGraph>();
}

bool ProbeGstColorKey(const std::string& element, std::uint32_t* key) {
  if (!key || !GstInitHolder::Ensure() || !HaveDisplay()) return false;
  GstElement* e = MakeElement(element);
  if (!e) return false;
  gst_object_ref_sink(e);
  bool ok = false;
  if (Starts(e) && g_object_class_find_property(G_OBJECT_GET_CLASS(e), "colorkey")) {
    gint rgb = 0;
    g_object_get(e, "colorkey", &rgb, nullptr);
    auto v = static_cast<std::uint32_t>(rgb);
    // 0x00RRGGBB to 0x00BBGGRR.
    *key = ((v & 0xFF) << 16) | (v & 0xFF00) | ((v >> 16) & 0xFF);
    ok = true;
  }
  gst_element_set_state(e, GST_STATE_NULL);
  gst_object_unref(e);
  return ok;
}

TMyVmMode ChooseBestRenderer() {
  if (!GstInitHolder::Ensure() || !HaveDisplay()) return vmVideoRenderer;
  const std::pair<TMyVmMode, std::string> order[] = {
      {vmVMR7, VMR7Element()}, {vmVMR9, VMR9Element()}};
  for (const auto& [mode, element] : order) {
    // OpenGL in software costs about twice the memory of the X image renderer for the
    // same picture (see x_display_facts.h); it is not tried then.
    if (mode == vmVMR9 && !GlRendersInHardware()) continue;
    GstElement* e = MakeElement(element);
    if (!e) continue;
    gst_object_ref_sink(e);
    bool ok = Starts(e);
    gst_element_set_state(e, GST_STATE_NULL);
    gst_object_unref(e);
    if (ok) return mode;
  }
  return vmVideoRenderer;
}

}  // namespace mivaro
