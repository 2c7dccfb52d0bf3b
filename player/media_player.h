// TMyMediaPlayer: the logic of the player control, without a GUI toolkit.
//
// One object plays one file at a time through a media graph: it opens (builds the graph),
// plays, pauses, seeks, steps frames, sets rate, volume and balance, lays out the video
// window inside its owner window, and turns the graph's events into the notifications
// `OnMediaOpen` ... `OnVideoSizeChange`. The Qt control `TMyDirectShowPlayer`
// (player/qt/directshow_player.h) is this class plus a black native widget; the window
// questions (own window, client size, posting the graph-notify message to the UI thread,
// monitors) are the virtual functions below, which the widget answers.
//
// All operations run on the user-interface thread. Graph events reach the player when the
// host calls `HandleGraphNotify()` after `PostGraphNotify()` asked it to.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "core/ustring.h"
#include "platform/media/media_graph.h"
#include "platform/media/media_types.h"
#include "player/graph_builder.h"

namespace mivaro {

class TMyMediaPlayer;

// The player's state as PlayState() reads it. A state that cannot be read, or that is still
// changing, reads as stopped, and so does a player with nothing open.
enum TMyPlayState : int { psStopped = 1, psPaused = 2, psRunning = 3 };

// Which notification was raised (for hosts that mirror them, e.g. as Qt signals).
enum class TMyNotification { Open, Start, Ended, Paused, Play, Stopped, Closed, Error };

// Notification without arguments (`OnMediaOpen`, `OnMediaStart`, ...).
using TMyNotifyEvent = std::function<void(TMyMediaPlayer* sender)>;
// Every graph event as it is pumped.
using TMyOnMediaEvent =
    std::function<void(TMyMediaPlayer* sender, std::int32_t iEventCode, std::int32_t iParam1,
                       std::int32_t iParam2)>;
// The video size changed (native size of the new format).
using TMyOnVideoSizeChange =
    std::function<void(TMyMediaPlayer* sender, std::uint16_t iWidth, std::uint16_t iHeight)>;

class TMyMediaPlayer {
 public:
  // The graph-notify message number of the original control; kept for logs.
  static constexpr int kGraphNotifyMessage = 0x8000 + 0x6C;

  TMyMediaPlayer();
  TMyMediaPlayer(const TMyMediaPlayer&) = delete;
  TMyMediaPlayer& operator=(const TMyMediaPlayer&) = delete;
  virtual ~TMyMediaPlayer();

  // Graphs are made by this factory (default: GStreamer). Tests give scripted graphs.
  void SetGraphFactory(TMediaGraphFactory factory);
  // With `on`, Open returns as soon as the engine has started on the file (true), and the
  // open completes from the event pump: OnMediaOpen when the file is ready, or
  // OnMediaError then OnOpenFailed when it cannot be played. A Close, or another Open,
  // meanwhile cancels it: nothing of the cancelled file is raised. Off (the default),
  // Open returns when the file is open, as the tools and tests expect. A Play while the
  // open is under way plays the file once it has opened.
  void SetOpenInBackground(bool on) { openInBackground_ = on; }
  bool OpenInBackground() const { return openInBackground_; }
  // An open started in the background has not completed yet.
  bool OpenPending() const { return openPending_; }

  // --- operations ---
  virtual bool Open(WStringView fileName);
  virtual void Play();
  virtual bool Pause();
  virtual bool Replay();
  virtual bool FrameStep(int count);
  virtual bool SeekFrames(int count);
  virtual bool Close();
  virtual void Clear();
  // Writes the graph as a ".GRF" file; without a graph shows
  // "フィルタグラフは作成されていません".
  void SaveGraph(WStringView fileName);

  // Asks the graph (waits up to about a second while the state changes).
  TMyPlayState PlayState();
  bool IsOpened() const { return graph_ != nullptr && hasPosition_; }
  // A picture of known size; still images have one too. The layout, the aspect and the
  // repaint of the video follow this.
  bool HasVideoSize() const;
  // A picture and a length: moving video (what zooming and capturing need).
  bool HasVideo() const;
  double Duration() const { return duration_; }
  int DurationSeconds() const { return durationSeconds_; }
  double Position();
  void SetPosition(double seconds);
  // A quick seek to the key frame nearest `seconds`, for a seek bar being dragged; the
  // position set when it is let go (SetPosition) is exact. Seeks asked for while one is
  // still under way are coalesced by the engine: the newest target wins.
  void ScrubPosition(double seconds);
  int PositionSeconds();
  void SetRate(double rate);
  double Rate() const { return rate_; }
  int Volume() const { return volume_; }
  void SetVolume(int volume);
  int Balance() const { return balance_; }
  void SetBalance(int balance);
  // The volume fades: each blocks for about half a second (FadeIn waits 500 ms more first)
  // and pumps the message loop at every step (ProcessMessages, core/hooks.h), so timers and
  // user commands can run inside them; callers must expect re-entry.
  void FadeOut();
  void FadeIn(int target);
  bool KeepAspect() const { return keepAspect_; }
  void SetKeepAspect(bool keep);
  int VideoWidth() const { return videoWidth_; }
  int VideoHeight() const { return videoHeight_; }
  double VideoAspect() const;
  int WidthForHeight(int height) const;
  int HeightForWidth(int width) const;
  double TimePerFrame();
  WString FrameRateText();
  bool CanFrameStep(int count);
  // The window hosting the video; the control's own window unless set otherwise.
  TMyWindowHandle VideoOwner() const;
  void SetVideoOwner(TMyWindowHandle window);
  void StartWallVideo(int monitor);
  void StopWallVideo();
  bool WallVideo() const { return wallVideo_; }
  // The layout of the video window inside its owner (the control's resize handler).
  void Resize();
  // Draws the current video picture again (after the video window was exposed).
  void RepaintVideo();

  // --- properties ---
  const WString& FileName() const { return fileName_; }
  void SetFileName(WStringView fileName) { Open(fileName); }
  TMyVmMode Renderer() const { return renderer_; }
  void SetRenderer(TMyVmMode mode) { renderer_ = mode; }
  bool UseFFDShow() const { return useFFDShow_; }
  void SetUseFFDShow(bool use) { useFFDShow_ = use; }
  bool ShowEvents() const { return showEvents_; }
  void SetShowEvents(bool show) { showEvents_ = show; }

  // --- notifications (all empty at construction) ---
  TMyNotifyEvent OnMediaOpen;
  TMyNotifyEvent OnMediaStart;
  TMyNotifyEvent OnMediaEnded;
  TMyNotifyEvent OnMediaPaused;
  TMyNotifyEvent OnMediaPlay;
  TMyNotifyEvent OnMediaStopped;
  TMyNotifyEvent OnMediaClosed;
  TMyNotifyEvent OnMediaError;
  // An open that went on in the background failed (raised after OnMediaError), so that
  // the owner treats the file as one that did not open.
  TMyNotifyEvent OnOpenFailed;
  TMyOnMediaEvent OnMediaEvent;
  TMyOnVideoSizeChange OnVideoSizeChange;
  // The inherited resize notification of the control (the owner's OnResize).
  TMyNotifyEvent OnResize;

  // The event pump: the handler of the graph-notify message.
  void HandleGraphNotify();

  // The graph of the open file (nullptr when closed); for diagnostics and tests.
  TMediaGraph* Graph() const { return graph_.get(); }
  // The engine's last error (message and debug text) for the error notification.
  std::string ErrorText() const { return graph_ ? graph_->ErrorText() : std::string(); }
  TMediaFilter* VideoRendererFilter() const { return videoRenderer_.get(); }
  TMediaFilter* OverlayMixerFilter() const { return overlayMixer_.get(); }
  TMediaFilter* AudioRendererFilter() const { return audioRenderer_.get(); }
  bool Started() const { return started_; }
  bool Closing() const { return closing_; }

  // Where the diagnostics window logs graph events while ShowEvents is on.
  static void SetEventLogHook(std::function<void(int code, std::intptr_t p1, std::intptr_t p2)> hook);
  // Where the video size comes from for vmEVR and vmOverlayMixer (the tag reader's media
  // probe); without a hook the graph's own size is used.
  static void SetVideoSizeProbe(std::function<bool(WStringView file, int* width, int* height)> probe);

 protected:
  // --- window questions the host answers (defaults: no window at all) ---
  // The control's own window.
  virtual TMyWindowHandle OwnWindow() const { return 0; }
  // The window still exists.
  virtual bool IsLiveWindow(TMyWindowHandle window) const { return window != 0; }
  // Client size of a window; false when unknown.
  virtual bool WindowClientSize(TMyWindowHandle window, int* width, int* height) const;
  // Asks the UI thread to call HandleGraphNotify() soon. Called from any thread.
  virtual void PostGraphNotify() {}
  // Monitors for wallpaper video: bounds by index, and the monitor holding a window.
  virtual int MonitorCount() const { return 1; }
  virtual TMyBounds MonitorBounds(int index) const;
  virtual int MonitorIndexOfWindow(TMyWindowHandle window) const;
  // Milliseconds of a monotonic clock, and sleeping (the fades; tests may fake them).
  virtual std::int64_t TickCount() const;
  virtual void SleepMs(int ms);
  // Called after each notification has been raised (whether assigned or not).
  virtual void NotificationRaised(TMyNotification which) { (void)which; }
  virtual void VideoSizeChangeRaised(int width, int height) { (void)width; (void)height; }
  // The video's rectangle inside its owner was set again (layout, keep-aspect): a host
  // that shares its window with the renderer repaints what the picture no longer covers.
  virtual void VideoLaidOut() {}

 private:
  void Raise(const TMyNotifyEvent& event, TMyNotification which);
  void ReleaseFilters();
  void ApplyVolume();
  void ApplyBalance();
  void ApplyAspectMode();
  bool OpenFailed();
  // Open's steps once the graph is rendered: length, video size, clean-up, window,
  // volume; raises OnMediaOpen.
  void FinishOpen(TBuiltGraph built);
  // EC_OPEN_COMPLETE of the open in the background, with the rendering's result.
  void CompleteOpen(HRESULT rendered);
  void PacedVolumeSteps(int n, const std::function<bool(int k, int step)>& apply);

  TMediaGraphFactory factory_;
  std::shared_ptr<TMediaGraph> graph_;
  // The event queue of the last graph; kept after Close, replaced by the next Open.
  std::shared_ptr<TMediaEventQueue> mediaEvent_;
  TMediaFilterPtr videoDecoder_;
  TMediaFilterPtr audioDecoder_;
  TMediaFilterPtr videoRenderer_;
  TMediaFilterPtr audioRenderer_;
  TMediaFilterPtr overlayMixer_;
  bool hasPosition_ = false;
  bool openInBackground_ = false;
  bool openPending_ = false;
  bool playAfterOpen_ = false;  // Play was asked for while the open was pending
  // The filters put in by an open in the background, until it completes.
  TBuiltGraph pendingBuilt_;
  TMyVmMode renderer_ = vmFriendlyVideoRenderer;
  bool useFFDShow_ = false;
  WString fileName_;
  TMyWindowHandle videoOwner_ = 0;
  bool videoOwnerSet_ = false;
  bool closing_ = false;
  bool clockChanged_ = false;
  bool started_ = false;
  bool showEvents_ = false;
  double duration_ = 0;
  int durationSeconds_ = 0;
  int videoWidth_ = 0;
  int videoHeight_ = 0;
  bool keepAspect_ = true;
  int volume_ = 100;
  int balance_ = 0;
  double rate_ = 1.0;
  bool wallVideo_ = false;
};

// Graph volume (1/100 dB) for a volume 0..100: -10000 for 0, else
// round-half-away(1000 x ln(v / 100)).
long VolumeToHundredthsDb(int volume);

}  // namespace mivaro
