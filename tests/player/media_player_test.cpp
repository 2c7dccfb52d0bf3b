// The player control's rules over a scripted graph: states, events, arithmetic, layout.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/hooks.h"
#include "platform/media/graph_helpers.h"
#include "tests/support/scripted_graph.h"
#include "player/media_player.h"
#include "player/wall_video.h"

namespace mivaro {
namespace {

constexpr TMyWindowHandle kOwn = 0x100;

// A player with a fake window (its client size is set by the test), fake monitors and a
// fake clock, making scripted graphs.
class TestPlayer : public TMyMediaPlayer {
 public:
  TestPlayer() {
    SetGraphFactory(maker.Factory());
    OnMediaOpen = [this](TMyMediaPlayer*) { log.push_back("open"); };
    OnMediaStart = [this](TMyMediaPlayer*) { log.push_back("start"); };
    OnMediaEnded = [this](TMyMediaPlayer*) { log.push_back("ended"); };
    OnMediaPaused = [this](TMyMediaPlayer*) { log.push_back("paused"); };
    OnMediaPlay = [this](TMyMediaPlayer*) { log.push_back("play"); };
    OnMediaStopped = [this](TMyMediaPlayer*) { log.push_back("stopped"); };
    OnMediaClosed = [this](TMyMediaPlayer*) { log.push_back("closed"); };
    OnMediaError = [this](TMyMediaPlayer*) { log.push_back("error"); };
    OnVideoSizeChange = [this](TMyMediaPlayer*, std::uint16_t w, std::uint16_t h) {
      log.push_back("size " + std::to_string(w) + "x" + std::to_string(h));
    };
  }
  ~TestPlayer() override { Clear(); }

  TScriptedGraph* G() { return maker.last; }
  void Post(int code, std::intptr_t p1 = 0) {
    ASSERT_NE(maker.last, nullptr);
    maker.last->PostEvent(code, p1);
  }
  void Start() {
    Post(EC_CLOCK_CHANGED);
    Post(EC_PAUSED);
    HandleGraphNotify();
  }

  TScriptedGraphMaker maker;
  std::vector<std::string> log;
  int clientWidth = 800;
  int clientHeight = 450;
  std::vector<TMyBounds> monitors{{0, 0, 1024, 768}};
  int ownerMonitor = 0;
  std::int64_t now = 1000;
  std::vector<int> sleeps;
  int notifies = 0;

 protected:
  TMyWindowHandle OwnWindow() const override { return kOwn; }
  bool WindowClientSize(TMyWindowHandle, int* w, int* h) const override {
    *w = clientWidth;
    *h = clientHeight;
    return true;
  }
  void PostGraphNotify() override { ++notifies; }
  int MonitorCount() const override { return static_cast<int>(monitors.size()); }
  TMyBounds MonitorBounds(int i) const override { return monitors.at(static_cast<std::size_t>(i)); }
  int MonitorIndexOfWindow(TMyWindowHandle) const override { return ownerMonitor; }
  std::int64_t TickCount() const override { return now; }
  void SleepMs(int ms) override {
    sleeps.push_back(ms);
    now += ms;
  }
};

class PlayerLogic : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("mivaro-player-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  WString File(const std::string& name) {
    auto p = dir_ / name;
    std::ofstream(p) << "x";
    return U16(p.string());
  }
  std::filesystem::path dir_;
  TScriptedMachine machine_;
};

TEST_F(PlayerLogic, PlayStateFollowsTheGraphAndTrustsOnlySettledStates) {
  TestPlayer p;
  EXPECT_EQ(p.PlayState(), 1) << "nothing open";
  ASSERT_TRUE(p.Open(File("a.mp4")));
  EXPECT_EQ(p.PlayState(), 1);
  p.Play();
  EXPECT_EQ(p.PlayState(), 3);
  p.G()->script.getStateResult = VFW_S_STATE_INTERMEDIATE;
  EXPECT_EQ(p.PlayState(), 1) << "a change still in progress reads as stopped";
  p.G()->script.getStateResult = VFW_S_CANT_CUE;
  EXPECT_EQ(p.PlayState(), 1);
  p.G()->script.getStateResult = S_OK;
  // Failures are retried up to nine times; a success code ends the retries.
  p.G()->script.getStateFailures = 8;
  p.G()->script.getStateFailure = E_FAIL;
  p.G()->getStateCalls = 0;
  EXPECT_EQ(p.PlayState(), 3);
  EXPECT_EQ(p.G()->getStateCalls, 9);
  p.G()->script.getStateFailures = 9;
  p.G()->getStateCalls = 0;
  EXPECT_EQ(p.PlayState(), 1);
  EXPECT_EQ(p.G()->getStateCalls, 9);
}

TEST_F(PlayerLogic, OpenReadsTheFileAndReappliesVolumeAndBalance) {
  TestPlayer p;
  p.maker.script.duration = 12.5;
  p.SetVolume(50);
  p.SetBalance(-20);
  ASSERT_TRUE(p.Open(File("a.mp4")));
  EXPECT_EQ(p.log, std::vector<std::string>{"open"});
  EXPECT_TRUE(p.IsOpened());
  EXPECT_DOUBLE_EQ(p.Duration(), 12.5);
  EXPECT_EQ(p.DurationSeconds(), 13);
  EXPECT_EQ(p.VideoWidth(), 640);
  EXPECT_TRUE(p.HasVideo());
  EXPECT_EQ(p.G()->volumes.back(), -693);
  EXPECT_EQ(p.G()->balances.back(), -2000);
  // The video window is put into the control's own window and fills it.
  EXPECT_EQ(p.G()->owner, kOwn);
  EXPECT_EQ(p.G()->messageDrain, kOwn);
  EXPECT_EQ(p.G()->windowStyle, WS_CHILD | WS_CLIPSIBLINGS);
  EXPECT_EQ(p.G()->windowPositions.back(), (TMyBounds{0, 0, 800, 450}));
}

TEST_F(PlayerLogic, OpenFailuresRaiseErrorAndTheNextOpenWorks) {
  TestPlayer p;
  EXPECT_FALSE(p.Open(U16((dir_ / "missing.mp4").string())));
  EXPECT_EQ(p.log, std::vector<std::string>{"error"});
  EXPECT_EQ(p.maker.made, 0) << "no graph for a missing file";

  p.log.clear();
  p.maker.fail = true;
  EXPECT_FALSE(p.Open(File("a.mp4")));
  EXPECT_EQ(p.log, std::vector<std::string>{"error"});
  p.maker.fail = false;

  // Rendering fails and the Windows Media fallback has no audio device either.
  p.log.clear();
  p.maker.script.renderResult = VFW_E_CANNOT_RENDER;
  machine_.hasAudioDevice = false;
  EXPECT_FALSE(p.Open(File("a.mp4")));
  EXPECT_EQ(p.log.back(), "error");
  EXPECT_EQ(std::count(p.log.begin(), p.log.end(), "open"), 0);
  EXPECT_FALSE(p.IsOpened());

  // The partly built graph stays until the next Open, which closes it first.
  p.log.clear();
  p.maker.script.renderResult = S_OK;
  EXPECT_TRUE(p.Open(File("a.mp4")));
  EXPECT_EQ(p.log, (std::vector<std::string>{"stopped", "open"}));
}

TEST_F(PlayerLogic, RendererChoiceAndPreferredDecoders) {
  TestPlayer p;
  p.SetUseFFDShow(true);
  ASSERT_TRUE(p.Open(File("a.mp4")));
  std::vector<WString> names;
  for (const auto& f : p.G()->EnumFilters()) names.push_back(f->Name());
  EXPECT_EQ(names[0], u"ffdshow Video Decoder");
  EXPECT_EQ(names[1], u"ffdshow Audio Decoder");
  EXPECT_EQ(names[2], u"Video Renderer");

  // Without the decoders the file opens the same way, only without them.
  machine_.hasFfdshow = false;
  ASSERT_TRUE(p.Open(File("a.mp4")));
  EXPECT_EQ(p.G()->EnumFilters()[0]->Name(), u"Video Renderer");

  // No filter called "Video Renderer": the friendly renderer fails the open.
  machine_.hasFriendlyVideoRenderer = false;
  p.log.clear();
  EXPECT_FALSE(p.Open(File("a.mp4")));
  EXPECT_EQ(p.log, (std::vector<std::string>{"stopped", "error"}));

  // The other modes add their renderer by kind; VMR7 counts only its creation.
  const std::pair<TMyVmMode, const char16_t*> modes[] = {
      {vmVideoRenderer, u"Video Renderer"}, {vmVMR7, u"VMR7"}, {vmVMR9, u"VMR9"},
      {vmEVR, u"Enhanced Video Renderer"}};
  for (auto [mode, name] : modes) {
    p.SetRenderer(mode);
    ASSERT_TRUE(p.Open(File("a.mp4")));
    ASSERT_NE(p.VideoRendererFilter(), nullptr);
    EXPECT_EQ(p.VideoRendererFilter()->Name(), name);
  }
  machine_.missingElements = {VMR9Element()};
  p.SetRenderer(vmVMR9);
  EXPECT_FALSE(p.Open(File("a.mp4")));
}

TEST_F(PlayerLogic, SavedGraphNameGetsNoRendererBeforeLoading) {
  TestPlayer p;
  p.SetUseFFDShow(true);
  WString grf = File("graph.grf");  // not a compound file: loading fails quietly
  ASSERT_TRUE(p.Open(grf));
  EXPECT_TRUE(p.G()->EnumFilters().empty());
  EXPECT_FALSE(p.HasVideo()) << "a graph that did not load is a file without media";
}

TEST_F(PlayerLogic, OverlayMixerCleanUp) {
  TestPlayer p;
  p.SetRenderer(vmOverlayMixer);
  ASSERT_TRUE(p.Open(File("a.mp4")));
  ASSERT_NE(p.OverlayMixerFilter(), nullptr);
  EXPECT_TRUE(HasConnectedPin(p.OverlayMixerFilter(), PINDIR_INPUT));
  EXPECT_DOUBLE_EQ(p.TimePerFrame(), 0.04) << "read from the mixer's input";

  // Rendering bypassed the mixer: mixer and its renderer leave, the renderer in use stays.
  p.maker.script.bypassMixer = true;
  ASSERT_TRUE(p.Open(File("a.mp4")));
  EXPECT_EQ(p.OverlayMixerFilter(), nullptr);
  ASSERT_NE(p.VideoRendererFilter(), nullptr);
  EXPECT_EQ(p.VideoRendererFilter()->Name(), u"Video Renderer 0001");
  for (const auto& f : p.G()->EnumFilters()) EXPECT_NE(f->Kind(), TFilterKind::OverlayMixer);

  // Audio only: neither the mixer nor the video renderer remain.
  p.maker.script.bypassMixer = false;
  p.maker.script.hasVideo = false;
  ASSERT_TRUE(p.Open(File("a.mp3")));
  for (const auto& f : p.G()->EnumFilters()) {
    EXPECT_NE(f->Kind(), TFilterKind::OverlayMixer);
    EXPECT_NE(f->Kind(), TFilterKind::VideoRenderer);
  }
}

TEST_F(PlayerLogic, WindowsMediaFallbackPlaysSoundOnly) {
  TestPlayer p;
  p.maker.script.renderResult = E_FAIL;
  ASSERT_TRUE(p.Open(File("a.wma")));
  ASSERT_NE(p.AudioRendererFilter(), nullptr);
  EXPECT_EQ(p.AudioRendererFilter()->Name(), u"Default DirectSound Device");
  EXPECT_TRUE(HasConnectedPin(p.AudioRendererFilter(), PINDIR_INPUT));
  EXPECT_FALSE(p.HasVideo());
  EXPECT_EQ(p.G()->calls.back(), "RenderSource");

  // Without an audio device the fallback fails too.
  machine_.hasAudioDevice = false;
  p.log.clear();
  EXPECT_FALSE(p.Open(File("b.wma")));
  EXPECT_EQ(p.log.back(), "error");
}

TEST_F(PlayerLogic, AudioOnlyFile) {
  TestPlayer p;
  p.maker.script.hasVideo = false;
  ASSERT_TRUE(p.Open(File("a.mp3")));
  EXPECT_FALSE(p.HasVideoSize());
  EXPECT_FALSE(p.HasVideo());
  EXPECT_EQ(p.TimePerFrame(), 0);
  EXPECT_EQ(p.FrameRateText(), u"-");
  EXPECT_EQ(p.WidthForHeight(100), 0);
  EXPECT_EQ(p.HeightForWidth(100), 0);
  EXPECT_DOUBLE_EQ(p.VideoAspect(), 1.0);
  for (const auto& f : p.G()->EnumFilters()) EXPECT_NE(f->Kind(), TFilterKind::VideoRenderer);
  p.Resize();
  EXPECT_TRUE(p.G()->windowPositions.empty()) << "resizing does nothing to the graph";
  EXPECT_EQ(p.G()->owner, 0u) << "no video window";
}

TEST_F(PlayerLogic, VolumeAndBalanceAreClampedAndConverted) {
  EXPECT_EQ(VolumeToHundredthsDb(100), 0);
  EXPECT_EQ(VolumeToHundredthsDb(90), -105);
  EXPECT_EQ(VolumeToHundredthsDb(75), -288);
  EXPECT_EQ(VolumeToHundredthsDb(50), -693);
  EXPECT_EQ(VolumeToHundredthsDb(25), -1386);
  EXPECT_EQ(VolumeToHundredthsDb(10), -2303);
  EXPECT_EQ(VolumeToHundredthsDb(5), -2996);
  EXPECT_EQ(VolumeToHundredthsDb(1), -4605);
  EXPECT_EQ(VolumeToHundredthsDb(0), -10000);

  TestPlayer p;
  p.SetVolume(40);  // nothing open: stored only
  EXPECT_EQ(p.Volume(), 40);
  ASSERT_TRUE(p.Open(File("a.mp4")));
  p.SetVolume(150);
  EXPECT_EQ(p.Volume(), 100);
  EXPECT_EQ(p.G()->volumes.back(), 0);
  p.SetVolume(-5);
  EXPECT_EQ(p.Volume(), 0);
  EXPECT_EQ(p.G()->volumes.back(), -10000);
  p.SetBalance(250);
  EXPECT_EQ(p.Balance(), 100);
  EXPECT_EQ(p.G()->balances.back(), 10000);
  p.SetBalance(-101);
  EXPECT_EQ(p.G()->balances.back(), -10000);

  // A graph without audio is left alone.
  p.maker.script.hasAudio = false;
  ASSERT_TRUE(p.Open(File("silent.mp4")));
  p.SetVolume(30);
  EXPECT_TRUE(p.G()->volumes.empty());
  EXPECT_EQ(p.Volume(), 30);
}

TEST_F(PlayerLogic, RateRules) {
  TestPlayer p;
  p.SetRate(2.0);
  EXPECT_DOUBLE_EQ(p.Rate(), 1.0) << "nothing open: ignored";
  ASSERT_TRUE(p.Open(File("a.mp4")));
  p.SetRate(0.5);
  EXPECT_DOUBLE_EQ(p.Rate(), 0.5);
  p.SetRate(0.004);  // rounds to 0
  EXPECT_DOUBLE_EQ(p.Rate(), 1.0);
  p.SetRate(-1);  // cannot play backwards
  EXPECT_DOUBLE_EQ(p.Rate(), 1.0);
  p.G()->script.canSeekBackward = 1;
  p.SetRate(-1);
  EXPECT_DOUBLE_EQ(p.Rate(), -1.0);
  // A rate the graph refuses: Rate shows what the graph kept.
  p.SetRate(2.0);
  p.SetRate(50.0);
  EXPECT_DOUBLE_EQ(p.Rate(), 2.0);
  // The rate survives Open.
  ASSERT_TRUE(p.Open(File("b.mp4")));
  EXPECT_DOUBLE_EQ(p.Rate(), 2.0);
}

TEST_F(PlayerLogic, EventPumpStartEndAndErrors) {
  TestPlayer p;
  ASSERT_TRUE(p.Open(File("a.mp4")));
  p.log.clear();
  // Completing before playback started is an error.
  p.Post(EC_COMPLETE);
  p.HandleGraphNotify();
  // Open closed first, so this pass also reports the closing.
  EXPECT_EQ(p.log, (std::vector<std::string>{"error", "closed"}));
  // A pause before any clock change is an error too.
  p.log.clear();
  p.Post(EC_PAUSED);
  p.HandleGraphNotify();
  EXPECT_EQ(p.log, std::vector<std::string>{"error"});

  p.log.clear();
  p.Start();
  EXPECT_TRUE(p.Started());
  for (int i = 0; i < 5; ++i) p.Post(EC_PAUSED);
  p.Post(EC_VIDEO_SIZE_CHANGED, 720 | (576 << 16));
  p.Post(EC_ERRORABORT);
  p.Post(EC_COMPLETE);
  p.Post(999);
  p.HandleGraphNotify();
  EXPECT_EQ(p.log, (std::vector<std::string>{"start", "size 720x576", "error", "ended"}));

  // Every event reaches OnMediaEvent, and the pump reads the queue empty.
  std::vector<int> codes;
  p.OnMediaEvent = [&](TMyMediaPlayer*, int c, int, int) { codes.push_back(c); };
  p.Post(EC_CLOCK_CHANGED);
  p.Post(42);
  p.HandleGraphNotify();
  EXPECT_EQ(codes, (std::vector<int>{EC_CLOCK_CHANGED, 42}));
  EXPECT_EQ(p.G()->MediaEvent()->PendingEvents(), 0u);

  // A new Open starts over: OnMediaStart again, once.
  ASSERT_TRUE(p.Open(File("b.mp4")));
  p.log.clear();
  p.Play();
  p.Start();
  p.Start();
  EXPECT_EQ(p.log, (std::vector<std::string>{"play", "start"}));
}

TEST_F(PlayerLogic, CloseStopsReleasesAndReportsClosedOnTheNextPass) {
  TestPlayer p;
  EXPECT_FALSE(p.Close()) << "closed control";
  EXPECT_TRUE(p.log.empty());

  ASSERT_TRUE(p.Open(File("a.mp4")));
  p.Play();
  p.Start();
  p.log.clear();
  TScriptedGraph* g = p.G();
  std::shared_ptr<TMediaEventQueue> queue = g->MediaEvent();
  int notifies = p.notifies;
  EXPECT_TRUE(p.Close());
  EXPECT_EQ(p.Graph(), nullptr);
  EXPECT_FALSE(p.IsOpened());
  EXPECT_EQ(p.PlayState(), 1);
  EXPECT_EQ(p.Position(), 0);
  EXPECT_EQ(p.log, std::vector<std::string>{"stopped"});
  EXPECT_GT(p.notifies, notifies) << "a pump pass is asked for";
  EXPECT_TRUE(p.Closing());
  // The event queue outlives the graph, but posts no more notifications.
  int before = p.notifies;
  queue->PostEvent(EC_COMPLETE);
  EXPECT_EQ(p.notifies, before);
  p.HandleGraphNotify();
  EXPECT_EQ(p.log, (std::vector<std::string>{"stopped", "ended", "closed"}))
      << "the queue is still read after Close; the closing pass comes last";
  EXPECT_FALSE(p.Started());

  // A stop that does not return exactly S_OK closes without OnMediaStopped.
  p.maker.script.stopResult = S_FALSE;
  ASSERT_TRUE(p.Open(File("a.mp4")));
  p.log.clear();
  EXPECT_FALSE(p.Close());
  EXPECT_TRUE(p.log.empty());
  // Play clears the closing flag: no OnMediaClosed then.
  p.Play();
  p.HandleGraphNotify();
  EXPECT_TRUE(p.log.empty() || p.log.back() != "closed");
}

TEST_F(PlayerLogic, PlayWithoutGraphReopensTheFileWhenItStillExists) {
  TestPlayer p;
  WString file = File("a.mp4");
  ASSERT_TRUE(p.Open(file));
  p.Close();
  p.log.clear();
  p.Play();
  EXPECT_EQ(p.log, (std::vector<std::string>{"open", "play"}));
  EXPECT_EQ(p.PlayState(), 3);

  p.Close();
  std::filesystem::remove(std::filesystem::path(Utf8(file)));
  p.log.clear();
  int made = p.maker.made;
  p.Play();
  EXPECT_TRUE(p.log.empty()) << "a file that no longer exists: nothing";
  EXPECT_EQ(p.maker.made, made);

  p.Clear();
  EXPECT_TRUE(p.FileName().empty());
}

TEST_F(PlayerLogic, PauseAndReplay) {
  TestPlayer p;
  EXPECT_FALSE(p.Pause());
  EXPECT_FALSE(p.Replay());
  ASSERT_TRUE(p.Open(File("a.mp4")));
  p.Play();
  p.log.clear();
  EXPECT_TRUE(p.Pause());
  EXPECT_TRUE(p.Pause()) << "already paused";
  EXPECT_EQ(p.log, std::vector<std::string>{"paused"});

  p.G()->position = 5;
  p.G()->calls.clear();
  EXPECT_TRUE(p.Replay());
  EXPECT_EQ(p.G()->calls,
            (std::vector<std::string>{"Stop", "StopWhenReady", "put_CurrentPosition", "Run"}));
  EXPECT_EQ(p.G()->position, 0);

  // A failing step leaves the graph where it was.
  p.G()->position = 5;
  p.G()->script.stopWhenReadyResult = E_FAIL;
  p.G()->calls.clear();
  EXPECT_FALSE(p.Replay());
  EXPECT_EQ(p.G()->calls, (std::vector<std::string>{"Stop", "StopWhenReady"}));
  EXPECT_EQ(p.G()->position, 5);
}

TEST_F(PlayerLogic, FrameTimeRateTextAndFrameSteps) {
  TestPlayer p;
  p.maker.script.avgTimePerFrame = 333667;  // 29.97 fps
  ASSERT_TRUE(p.Open(File("a.mp4")));
  EXPECT_EQ(p.FrameRateText(), u"29.97");
  p.maker.script.avgTimePerFrame = 417083;
  ASSERT_TRUE(p.Open(File("a.mp4")));
  EXPECT_EQ(p.FrameRateText(), u"23.98");
  // A format block without a frame time, or of another kind, gives none.
  p.maker.script.videoFormat = TMediaFormat::None;
  ASSERT_TRUE(p.Open(File("a.mp4")));
  EXPECT_EQ(p.TimePerFrame(), 0);
  // The classic renderer asks IBasicVideo instead.
  p.SetRenderer(vmVideoRenderer);
  p.maker.script.basicVideoTimePerFrame = 0.04;
  ASSERT_TRUE(p.Open(File("a.mp4")));
  EXPECT_DOUBLE_EQ(p.TimePerFrame(), 0.04);
  EXPECT_EQ(p.FrameRateText(), u"25");

  p.Play();
  p.G()->position = 2.0;
  EXPECT_TRUE(p.FrameStep(0));
  EXPECT_TRUE(p.G()->seeks.empty());
  EXPECT_EQ(p.PlayState(), 3) << "a zero step does nothing";

  EXPECT_TRUE(p.FrameStep(1));
  EXPECT_EQ(p.G()->steps, std::vector<long>{1});

  p.Play();
  EXPECT_TRUE(p.FrameStep(-1));
  EXPECT_EQ(p.PlayState(), 2) << "a backward step pauses";
  EXPECT_DOUBLE_EQ(p.G()->position, 1.96);

  // Stepping impossible: forward steps seek by frame time as well.
  p.G()->script.canStepResult = E_FAIL;
  EXPECT_FALSE(p.CanFrameStep(1));
  EXPECT_FALSE(p.CanFrameStep(-1));
  EXPECT_TRUE(p.FrameStep(2));
  EXPECT_DOUBLE_EQ(p.G()->position, 2.04);
  EXPECT_TRUE(p.SeekFrames(0));
  EXPECT_DOUBLE_EQ(p.G()->seeks.back(), 2.04);
  // A failed step is reported.
  p.G()->script.canStepResult = S_OK;
  p.G()->script.stepResult = E_FAIL;
  EXPECT_FALSE(p.FrameStep(1));
}

TEST_F(PlayerLogic, LayoutKeepsTheAspectInsideTheOwner) {
  TestPlayer p;
  ASSERT_TRUE(p.Open(File("a.mp4")));  // 640 x 480
  EXPECT_EQ(p.HeightForWidth(800), 600);
  EXPECT_EQ(p.WidthForHeight(450), 600);
  p.Resize();
  EXPECT_EQ(p.G()->windowPositions.back(), (TMyBounds{100, 0, 600, 450}));
  p.clientWidth = 640;
  p.clientHeight = 600;
  p.Resize();
  EXPECT_EQ(p.G()->windowPositions.back(), (TMyBounds{0, 60, 640, 480}));
  p.SetKeepAspect(false);
  EXPECT_EQ(p.G()->windowPositions.back(), (TMyBounds{0, 0, 640, 600}));
  EXPECT_TRUE(p.G()->aspectModes.empty()) << "only the mixing renderers have a mode";

  // The VMR7 letter-boxes by itself: its window fills the owner.
  p.SetRenderer(vmVMR7);
  ASSERT_TRUE(p.Open(File("a.mp4")));
  p.SetKeepAspect(true);
  EXPECT_EQ(p.G()->aspectModes.back(), VMR_ARMODE_LETTER_BOX);
  EXPECT_EQ(p.G()->windowPositions.back(), (TMyBounds{0, 0, 640, 600}));
  // On the first pause of playback the mode is applied again.
  std::size_t modes = p.G()->aspectModes.size();
  p.Start();
  EXPECT_EQ(p.G()->aspectModes.size(), modes + 1);

  // The owner can be another window; the layout uses its size.
  int resizes = 0;
  p.OnResize = [&](TMyMediaPlayer*) { ++resizes; };
  p.SetVideoOwner(0x200);
  EXPECT_EQ(p.G()->owner, 0x200u);
  EXPECT_EQ(p.VideoOwner(), 0x200u);
  p.Resize();
  EXPECT_EQ(resizes, 1);
  // The owner survives Open.
  ASSERT_TRUE(p.Open(File("a.mp4")));
  EXPECT_EQ(p.G()->owner, 0x200u);
  p.OnResize = nullptr;  // `resizes` goes before the player does
}

TEST_F(PlayerLogic, WallpaperVideoCoversTheMonitor) {
  TestPlayer p;
  int shown = -2;
  std::uint32_t key = 0;
  int hidden = 0;
  SetWallVideoHooks([&](int m, std::uint32_t k) { shown = m; key = k; }, [&] { ++hidden; });
  p.StartWallVideo(0);
  EXPECT_FALSE(p.WallVideo()) << "without a graph it stops instead";
  EXPECT_EQ(hidden, 1);

  p.maker.script.videoWidth = 1280;
  p.maker.script.videoHeight = 720;
  ASSERT_TRUE(p.Open(File("a.mp4")));
  p.monitors = {{0, 0, 1920, 1080}, {1920, 0, 1024, 768}};
  p.ownerMonitor = 1;
  p.StartWallVideo(-1);  // the owner's monitor
  EXPECT_TRUE(p.WallVideo());
  EXPECT_EQ(p.G()->windowPositions.back(), (TMyBounds{-170, 0, 1365, 768}));
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(key, kDefaultOverlayColorKey) << "no overlay here: the default key";
  // In wallpaper mode resizing leaves the video where it is.
  std::size_t n = p.G()->windowPositions.size();
  p.Resize();
  EXPECT_EQ(p.G()->windowPositions.size(), n);
  p.StopWallVideo();
  EXPECT_FALSE(p.WallVideo());
  EXPECT_EQ(hidden, 2);
  EXPECT_GT(p.G()->windowPositions.size(), n) << "laid out again";
  SetWallVideoHooks(nullptr, nullptr);
}

TEST_F(PlayerLogic, FadesFollowTheirScheduleAndEndAtTheTarget) {
  TestPlayer p;
  ASSERT_TRUE(p.Open(File("a.mp4")));
  p.SetVolume(80);
  p.G()->volumes.clear();
  p.FadeOut();
  EXPECT_EQ(p.Volume(), 0);
  ASSERT_FALSE(p.G()->volumes.empty());
  EXPECT_EQ(p.G()->volumes.back(), -10000);
  for (std::size_t i = 1; i < p.G()->volumes.size(); ++i)
    EXPECT_LE(p.G()->volumes[i], p.G()->volumes[i - 1]);
  int slept = 0;
  for (int s : p.sleeps) slept += s;
  EXPECT_NEAR(slept, 500, 20);

  p.FadeOut();  // already silent: nothing
  p.sleeps.clear();
  p.FadeIn(60);
  EXPECT_EQ(p.Volume(), 60);
  ASSERT_FALSE(p.sleeps.empty());
  EXPECT_EQ(p.sleeps.front(), 500) << "fading in waits first";
  p.SetVolume(100);
  p.sleeps.clear();
  p.FadeIn(50);
  EXPECT_TRUE(p.sleeps.empty()) << "at full volume fading in does nothing";
  EXPECT_EQ(p.Volume(), 100);
}

TEST_F(PlayerLogic, SaveGraphWithoutGraphShowsTheMessage) {
  TestPlayer p;
  WString shown;
  SetMessageHook([&](WStringView text, MessageKind) {
    shown = WString(text);
    return kIdOk;
  });
  p.SaveGraph(U16((dir_ / "x.grf").string()));
  EXPECT_EQ(shown, u"フィルタグラフは作成されていません");
  SetMessageHook(nullptr);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "x.grf"));
}

TEST_F(PlayerLogic, StaleEventsOfAClosedGraphDoNotReachTheNextFile) {
  TestPlayer p;
  ASSERT_TRUE(p.Open(File("a.mp4")));
  p.Play();
  p.Start();
  // A handler opens the next file while the old graph still has events queued.
  WString next = File("b.mp4");
  p.OnMediaEnded = [&](TMyMediaPlayer*) { p.Open(next); };
  p.Post(EC_COMPLETE);
  p.Post(EC_COMPLETE);
  p.log.clear();
  p.HandleGraphNotify();
  EXPECT_EQ(p.FileName(), next);
  EXPECT_EQ(std::count(p.log.begin(), p.log.end(), "error"), 0);
}

}  // namespace
}  // namespace mivaro
