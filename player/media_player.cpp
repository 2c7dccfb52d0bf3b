// The player control's logic (see media_player.h).
#include "player/media_player.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <mutex>
#include <thread>

#include "core/files.h"
#include "core/hooks.h"
#include "core/numbers.h"
#include "platform/media/graph_helpers.h"
#include "player/graph_builder.h"
#include "player/wall_video.h"

namespace mivaro {

namespace {

std::mutex g_hookMutex;
std::function<void(int, std::intptr_t, std::intptr_t)> g_eventLog;
std::function<bool(WStringView, int*, int*)> g_sizeProbe;

int ClampInt(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }

int Round(double x) { return static_cast<int>(RoundHalfAway(x)); }

}  // namespace

long VolumeToHundredthsDb(int volume) {
  if (volume <= 0) return -10000;
  if (volume >= 100) return 0;
  return static_cast<long>(RoundHalfAway(1000.0 * std::log(volume / 100.0)));
}

void TMyMediaPlayer::SetEventLogHook(std::function<void(int, std::intptr_t, std::intptr_t)> hook) {
  std::lock_guard lock(g_hookMutex);
  g_eventLog = std::move(hook);
}

void TMyMediaPlayer::SetVideoSizeProbe(std::function<bool(WStringView, int*, int*)> probe) {
  std::lock_guard lock(g_hookMutex);
  g_sizeProbe = std::move(probe);
}

TMyMediaPlayer::TMyMediaPlayer() = default;

TMyMediaPlayer::~TMyMediaPlayer() {
  Clear();
  if (mediaEvent_) mediaEvent_->SetNotifyWindow(nullptr);
}

void TMyMediaPlayer::SetGraphFactory(TMediaGraphFactory factory) { factory_ = std::move(factory); }

void TMyMediaPlayer::Raise(const TMyNotifyEvent& event, TMyNotification which) {
  if (event) event(this);
  NotificationRaised(which);
}

void TMyMediaPlayer::RepaintVideo() {
  if (graph_ && HasVideoSize()) graph_->Expose();
}

bool TMyMediaPlayer::WindowClientSize(TMyWindowHandle, int* width, int* height) const {
  if (width) *width = 0;
  if (height) *height = 0;
  return false;
}

TMyBounds TMyMediaPlayer::MonitorBounds(int) const { return {0, 0, 0, 0}; }

int TMyMediaPlayer::MonitorIndexOfWindow(TMyWindowHandle) const { return 0; }

std::int64_t TMyMediaPlayer::TickCount() const {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void TMyMediaPlayer::SleepMs(int ms) {
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

TMyWindowHandle TMyMediaPlayer::VideoOwner() const {
  return videoOwnerSet_ ? videoOwner_ : OwnWindow();
}

bool TMyMediaPlayer::HasVideoSize() const {
  return IsOpened() && videoWidth_ > 0 && videoHeight_ > 0;
}

bool TMyMediaPlayer::HasVideo() const { return HasVideoSize() && duration_ > 0; }

bool TMyMediaPlayer::OpenFailed() {
  Raise(OnMediaError, TMyNotification::Error);
  return false;
}

bool TMyMediaPlayer::Open(WStringView fileName) {
  WString name(fileName);  // the argument may be our own FileName
  Close();
  clockChanged_ = false;
  started_ = false;
  fileName_ = name;
  if (name.empty() || !FileExists(name)) return OpenFailed();
  if (EnsureFilterGraph(graph_, factory_) != S_OK) {
    graph_.reset();
    return OpenFailed();
  }
  TBuiltGraph built;
  HRESULT hr = AddRendererForMode(graph_.get(), renderer_, useFFDShow_, name, &built);
  videoDecoder_ = built.videoDecoder;
  audioDecoder_ = built.audioDecoder;
  videoRenderer_ = built.videoRenderer;
  overlayMixer_ = built.overlayMixer;
  if (hr != S_OK) return OpenFailed();

  mediaEvent_ = graph_->MediaEvent();
  mediaEvent_->SetNotifyWindow([this] { PostGraphNotify(); });
  // The owner is known before rendering: the renderer draws its first frame into it.
  graph_->put_Owner(VideoOwner());

  graph_->SetOpenInBackground(openInBackground_);
  hr = RenderMediaFile(graph_.get(), name, &built);
  audioRenderer_ = built.audioRenderer;
  if (hr == VFW_S_OPEN_PENDING) {
    openPending_ = true;
    pendingBuilt_ = built;
    return true;
  }
  if (Failed(hr)) return OpenFailed();
  FinishOpen(std::move(built));
  return true;
}

void TMyMediaPlayer::CompleteOpen(HRESULT rendered) {
  openPending_ = false;
  TBuiltGraph built = std::move(pendingBuilt_);
  pendingBuilt_ = {};
  // Automatic rendering refused the file: the Windows Media fallback, as a waited-for
  // open would have tried.
  if (Failed(rendered)) rendered = RenderFallback(graph_.get(), fileName_, &built);
  audioRenderer_ = built.audioRenderer;
  if (Failed(rendered)) {
    OpenFailed();
    // A handler may have opened another file meanwhile: that open is not this one's.
    if (!openPending_ && !hasPosition_ && OnOpenFailed) OnOpenFailed(this);
    return;
  }
  const std::shared_ptr<TMediaGraph> graph = graph_;
  FinishOpen(std::move(built));
  // A Play asked for meanwhile, unless the open notification's handler closed or replaced
  // the file.
  if (playAfterOpen_ && graph_ == graph && IsOpened()) Play();
  playAfterOpen_ = false;
}

void TMyMediaPlayer::FinishOpen(TBuiltGraph built) {
  const WString name = fileName_;
  hasPosition_ = true;
  duration_ = 0;
  if (Failed(graph_->get_Duration(&duration_)) || !std::isfinite(duration_) || duration_ < 0)
    duration_ = 0;
  durationSeconds_ = Round(duration_);

  videoWidth_ = 0;
  videoHeight_ = 0;
  bool probed = false;
  if (renderer_ == vmEVR || renderer_ == vmOverlayMixer) {
    std::function<bool(WStringView, int*, int*)> probe;
    {
      std::lock_guard lock(g_hookMutex);
      probe = g_sizeProbe;
    }
    if (probe) {
      int w = 0, h = 0;
      if (probe(name, &w, &h)) {
        videoWidth_ = w;
        videoHeight_ = h;
      }
      probed = true;
    }
  }
  if (!probed) {
    long w = 0, h = 0;
    if (graph_->GetVideoSize(&w, &h) == S_OK) {
      videoWidth_ = static_cast<int>(w);
      videoHeight_ = static_cast<int>(h);
    }
  }

  built.videoRenderer = videoRenderer_;
  built.overlayMixer = overlayMixer_;
  built.videoDecoder = videoDecoder_;
  CleanUpAfterOpen(graph_.get(), renderer_, videoWidth_, videoHeight_, &built);
  videoRenderer_ = built.videoRenderer;
  overlayMixer_ = built.overlayMixer;
  if (videoWidth_ >= 1 && videoHeight_ >= 1) SetVideoOwner(VideoOwner());

  SetVolume(volume_);
  SetBalance(balance_);
  Raise(OnMediaOpen, TMyNotification::Open);
}

void TMyMediaPlayer::Play() {
  closing_ = false;
  // Asked while an open goes on in the background: it plays once that open has completed.
  if (openPending_) {
    playAfterOpen_ = true;
    return;
  }
  if (graph_) {
    HRESULT hr = graph_->Run();
    if (Succeeded(hr) && PlayState() == psRunning) Raise(OnMediaPlay, TMyNotification::Play);
    return;
  }
  if (!fileName_.empty() && FileExists(fileName_)) {
    if (Open(fileName_)) Play();
  }
}

bool TMyMediaPlayer::Pause() {
  if (PlayState() == psPaused) return true;
  if (!graph_ || openPending_) return false;
  bool ok = Succeeded(graph_->Pause());
  if (ok) Raise(OnMediaPaused, TMyNotification::Paused);
  return ok;
}

bool TMyMediaPlayer::Replay() {
  if (!graph_ || openPending_) return false;
  if (Failed(graph_->Stop())) return false;
  if (Failed(graph_->StopWhenReady())) return false;
  if (Failed(graph_->put_CurrentPosition(0))) return false;
  Play();
  return true;
}

TMyPlayState TMyMediaPlayer::PlayState() {
  if (!IsOpened()) return psStopped;
  int state = State_Stopped;
  HRESULT hr = E_FAIL;
  for (int i = 0; i < 9; ++i) {
    hr = graph_->GetState(100, &state);
    if (!Failed(hr)) break;
  }
  if (hr != S_OK) return psStopped;
  switch (state) {
    case State_Paused: return psPaused;
    case State_Running: return psRunning;
    default: return psStopped;
  }
}

void TMyMediaPlayer::HandleGraphNotify() {
  // The engine's deferred work first: it may queue events (the open's completion).
  if (graph_) graph_->Dispatch();
  std::shared_ptr<TMediaEventQueue> queue = mediaEvent_;
  if (queue) {
    int code = 0;
    std::intptr_t p1 = 0, p2 = 0;
    while (queue->GetEvent(&code, &p1, &p2, 0) == S_OK) {
      queue->FreeEventParams(code, p1, p2);
      if (showEvents_) {
        std::function<void(int, std::intptr_t, std::intptr_t)> log;
        {
          std::lock_guard lock(g_hookMutex);
          log = g_eventLog;
        }
        if (log) log(code, p1, p2);
      }
      // A length learnt after the open is taken before the event is passed on, so that
      // its handler reads the new length.
      if (code == EC_LENGTH_CHANGED) {
        double d = 0;
        if (graph_ && Succeeded(graph_->get_Duration(&d)) && std::isfinite(d) && d > 0) {
          duration_ = d;
          durationSeconds_ = Round(d);
        }
      }
      if (OnMediaEvent)
        OnMediaEvent(this, code, static_cast<std::int32_t>(p1), static_cast<std::int32_t>(p2));
      switch (code) {
        case EC_OPEN_COMPLETE:
          if (openPending_ && graph_ && graph_->MediaEvent() == queue)
            CompleteOpen(static_cast<HRESULT>(p1));
          break;
        case EC_COMPLETE:
          if (started_) Raise(OnMediaEnded, TMyNotification::Ended);
          else Raise(OnMediaError, TMyNotification::Error);
          break;
        case EC_ERRORABORT:
          Raise(OnMediaError, TMyNotification::Error);
          break;
        case EC_VIDEO_SIZE_CHANGED:
          if (OnVideoSizeChange)
            OnVideoSizeChange(this, static_cast<std::uint16_t>(p1 & 0xFFFF),
                              static_cast<std::uint16_t>((p1 >> 16) & 0xFFFF));
          VideoSizeChangeRaised(static_cast<int>(p1 & 0xFFFF), static_cast<int>((p1 >> 16) & 0xFFFF));
          break;
        case EC_CLOCK_CHANGED:
          clockChanged_ = true;
          break;
        case EC_PAUSED:
          if (clockChanged_) {
            bool first = !started_;
            started_ = true;
            if (first) Raise(OnMediaStart, TMyNotification::Start);
            if (HasVideoSize()) {
              if (renderer_ == vmVMR9) Resize();
              else if (renderer_ == vmVMR7) SetKeepAspect(keepAspect_);
            }
          } else {
            Raise(OnMediaError, TMyNotification::Error);
          }
          break;
        case EC_VMR_RENDERDEVICE_SET:
          if (HasVideoSize()) SetKeepAspect(keepAspect_);
          break;
        default:
          break;
      }
      // A handler opened another file: the old graph's remaining events are stale and
      // would be taken for the new file's.
      if (mediaEvent_ != queue) break;
    }
  }
  if (closing_) {
    started_ = false;
    closing_ = false;
    Raise(OnMediaClosed, TMyNotification::Closed);
  }
}

void TMyMediaPlayer::ReleaseFilters() {
  videoDecoder_.reset();
  audioDecoder_.reset();
  videoRenderer_.reset();
  audioRenderer_.reset();
  overlayMixer_.reset();
  hasPosition_ = false;
}

bool TMyMediaPlayer::Close() {
  closing_ = true;
  bool stopped = false;
  bool hadGraph = graph_ != nullptr;
  // An open still under way is cancelled: there is nothing playing to stop.
  const bool pending = openPending_;
  openPending_ = false;
  playAfterOpen_ = false;
  pendingBuilt_ = {};
  if (graph_) {
    stopped = !pending && graph_->Stop() == S_OK;
    StopAndDisconnectAll(graph_.get());
    for (;;) {
      auto filters = graph_->EnumFilters();
      if (filters.empty()) break;
      if (graph_->RemoveFilter(filters.front()) != S_OK) break;
    }
    graph_.reset();
  }
  ReleaseFilters();
  if (mediaEvent_) mediaEvent_->SetNotifyFlags(AM_MEDIAEVENT_NONOTIFY);
  if (stopped) Raise(OnMediaStopped, TMyNotification::Stopped);
  // The closing notification comes from the next pass of the event pump; make sure one
  // comes even when the graph has nothing more to say.
  if (hadGraph) PostGraphNotify();
  return stopped;
}

void TMyMediaPlayer::Clear() {
  Close();
  fileName_.clear();
  StopWallVideo();
}

void TMyMediaPlayer::SaveGraph(WStringView fileName) {
  if (!graph_) {
    ShowMessage(u"フィルタグラフは作成されていません", MessageKind::Notice);
    return;
  }
  SaveGraphFile(graph_.get(), fileName);
}

double TMyMediaPlayer::Position() {
  if (!IsOpened()) return 0;
  double pos = 0;
  if (Failed(graph_->get_CurrentPosition(&pos)) || !std::isfinite(pos)) return 0;
  return pos;
}

void TMyMediaPlayer::SetPosition(double seconds) {
  if (!IsOpened()) return;
  graph_->put_CurrentPosition(seconds);
}

void TMyMediaPlayer::ScrubPosition(double seconds) {
  if (!IsOpened()) return;
  graph_->put_CurrentPositionKeyFrame(seconds);
}

int TMyMediaPlayer::PositionSeconds() { return Round(Position()); }

void TMyMediaPlayer::SetRate(double rate) {
  if (!IsOpened()) return;
  std::int64_t r = RoundHalfAway(rate * 100);
  if (r == 0) rate = 1.0;
  if (r < 0) {
    long can = 0;
    if (!(graph_->CanSeekBackward(&can) == S_OK && can != 0)) rate = 1.0;
  }
  graph_->put_Rate(rate);
  double now = rate_;
  if (Succeeded(graph_->get_Rate(&now))) rate_ = now;
}

void TMyMediaPlayer::SetVolume(int volume) {
  volume_ = ClampInt(volume, 0, 100);
  if (IsOpened() && graph_->HasBasicAudio()) graph_->put_Volume(VolumeToHundredthsDb(volume_));
}

void TMyMediaPlayer::SetBalance(int balance) {
  balance_ = ClampInt(balance, -100, 100);
  if (IsOpened() && graph_->HasBasicAudio()) graph_->put_Balance(balance_ * 100L);
}

// Walks k from 1 towards n over half a second: each step waits for its due time, and
// when the machine falls behind the steps grow so that the walk still ends on time.
// `apply` sets the volume for step k and answers true to end the walk early.
void TMyMediaPlayer::PacedVolumeSteps(int n, const std::function<bool(int k, int step)>& apply) {
  const std::int64_t t = TickCount();
  int step = 1;
  int k = 1;
  while (k < n) {
    ProcessMessages();
    double due = static_cast<double>(t) + 500.0 / n * k;
    auto wait = static_cast<std::int64_t>(due - static_cast<double>(TickCount()));
    if (wait > 0) {
      SleepMs(static_cast<int>(wait));
      step = std::max(1, step - 1);
    } else if (wait < 0) {
      ++step;
    }
    if (apply(k, step)) break;
    k += step;
  }
}

void TMyMediaPlayer::FadeOut() {
  if (volume_ <= 0) return;
  PacedVolumeSteps(volume_, [this](int, int step) {
    SetVolume(volume_ - step);
    return volume_ <= 0;
  });
  SetVolume(0);
}

void TMyMediaPlayer::FadeIn(int target) {
  if (volume_ >= 100) return;
  SleepMs(500);
  PacedVolumeSteps(target, [this, target](int k, int) {
    SetVolume(k);
    return volume_ == target;
  });
  SetVolume(target);
}

void TMyMediaPlayer::ApplyAspectMode() {
  if (!graph_ || !videoRenderer_) return;
  if (renderer_ == vmVMR7 || renderer_ == vmVMR9)
    graph_->SetAspectRatioMode(keepAspect_ ? VMR_ARMODE_LETTER_BOX : VMR_ARMODE_NONE);
}

void TMyMediaPlayer::SetKeepAspect(bool keep) {
  keepAspect_ = keep;
  ApplyAspectMode();
  Resize();
}

double TMyMediaPlayer::VideoAspect() const {
  return HasVideoSize() ? static_cast<double>(videoWidth_) / videoHeight_ : 1.0;
}

int TMyMediaPlayer::WidthForHeight(int height) const {
  if (!HasVideoSize()) return 0;
  return Round(VideoAspect() * height);
}

int TMyMediaPlayer::HeightForWidth(int width) const {
  if (!HasVideoSize()) return 0;
  return static_cast<int>(static_cast<double>(videoHeight_) / videoWidth_ * width);
}

double TMyMediaPlayer::TimePerFrame() {
  if (!graph_) return 0;
  if (renderer_ == vmVideoRenderer) {
    double t = 0;
    if (graph_->get_AvgTimePerFrame(&t) == S_OK && t > 0 && std::isfinite(t)) return t;
    return 0;
  }
  TMediaFilter* filter = videoRenderer_.get();
  if (renderer_ == vmOverlayMixer && overlayMixer_ &&
      HasConnectedPin(overlayMixer_.get(), PINDIR_INPUT))
    filter = overlayMixer_.get();
  if (!filter) return 0;
  for (const auto& pin : filter->Pins()) {
    if (pin->Direction() != PINDIR_INPUT) continue;
    TMediaType type;
    if (pin->ConnectionMediaType(&type) != S_OK) continue;
    if (type.major != TMediaMajor::Video) continue;
    if (type.format != TMediaFormat::VideoInfo && type.format != TMediaFormat::VideoInfo2 &&
        type.format != TMediaFormat::MPEGVideo && type.format != TMediaFormat::MPEG2Video)
      continue;
    if (type.avgTimePerFrame > 0) return static_cast<double>(type.avgTimePerFrame) / 10000000.0;
  }
  return 0;
}

WString TMyMediaPlayer::FrameRateText() {
  double t = TimePerFrame();
  if (t == 0) return u"-";
  double rate = std::round(1.0 / t * 100.0) / 100.0;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%g", rate);
  return U16(buf);
}

bool TMyMediaPlayer::CanFrameStep(int count) {
  return count >= 0 && graph_ && graph_->CanStep(count) == S_OK;
}

bool TMyMediaPlayer::FrameStep(int count) {
  if (count > 0 && CanFrameStep(count)) return graph_->Step(count) == S_OK;
  if (count == 0) return true;
  return SeekFrames(count);
}

bool TMyMediaPlayer::SeekFrames(int count) {
  if (PlayState() == psRunning) Pause();
  SetPosition(Position() + TimePerFrame() * count);
  ProcessMessages();
  return true;
}

void TMyMediaPlayer::SetVideoOwner(TMyWindowHandle window) {
  videoOwner_ = window;
  videoOwnerSet_ = true;
  if (!graph_) return;
  if (graph_->put_Owner(window) == S_OK && IsLiveWindow(window)) {
    graph_->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS);
    int w = 0, h = 0;
    WindowClientSize(window, &w, &h);
    graph_->SetWindowPosition(0, 0, w, h);
  }
  graph_->put_MessageDrain(window);
  graph_->SetWindowForeground(0);
}

void TMyMediaPlayer::Resize() {
  if (!wallVideo_ && HasVideoSize()) {
    int w = 0, h = 0;
    WindowClientSize(VideoOwner(), &w, &h);
    if (keepAspect_ && renderer_ != vmVMR7) {
      int w2 = w;
      int h2 = HeightForWidth(w);
      if (h < h2) {
        h2 = h;
        w2 = WidthForHeight(h);
      }
      graph_->SetWindowPosition((w - w2) / 2, (h - h2) / 2, w2, h2);
    } else {
      graph_->SetWindowPosition(0, 0, w, h);
    }
    VideoLaidOut();
  }
  if (OnResize) OnResize(this);
}

void TMyMediaPlayer::StartWallVideo(int monitor) {
  if (!graph_) {
    StopWallVideo();
    return;
  }
  wallVideo_ = true;
  if (!HasVideoSize()) return;
  if (monitor < 0 || monitor >= MonitorCount()) monitor = MonitorIndexOfWindow(VideoOwner());
  TMyBounds m = MonitorBounds(monitor);
  int width = m.width;
  int height = static_cast<int>(static_cast<double>(videoHeight_) / videoWidth_ * m.width);
  if (height < m.height) {
    height = m.height;
    width = static_cast<int>(static_cast<double>(videoWidth_) / videoHeight_ * m.height);
  }
  graph_->SetWindowPosition((m.width - width) / 2, (m.height - height) / 2, width, height);
  ShowWallVideo(monitor, ProbeOverlayColorKey());
}

void TMyMediaPlayer::StopWallVideo() {
  wallVideo_ = false;
  Resize();
  HideWallVideo();
}

}  // namespace mivaro
