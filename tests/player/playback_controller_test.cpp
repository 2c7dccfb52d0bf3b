// The playback rules without a window: navigation with wrap, random play, unplayable
// entries, the end of media, still images, resume, skips, deleting, mute and volume.
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "core/hooks.h"
#include "core/wstrings.h"
#include "platform/media/scripted_graph.h"
#include "player/media_player.h"
#include "player/playback_controller.h"
#include "playlist/temp_tree.h"

namespace mivaro {
namespace {

// Files named "...bad..." cannot be rendered; "...still..." have a picture and no length;
// "...stream..." are sound whose length is not known at open.
class FileGraph : public TScriptedGraph {
 public:
  explicit FileGraph(TScriptedGraphScript s) : TScriptedGraph(s) {}
  HRESULT RenderFile(WStringView file) override {
    const std::string name = Utf8(file);
    bad_ = name.find("bad") != std::string::npos;
    if (bad_) return VFW_E_CANNOT_RENDER;
    if (name.find("still") != std::string::npos) script.duration = 0;
    if (name.find("stream") != std::string::npos) {
      script.duration = 0;
      script.hasVideo = false;
    }
    return TScriptedGraph::RenderFile(file);
  }
  // The fallback for files that automatic rendering refuses fails as well.
  HRESULT RenderSource(const TMediaFilterPtr& source) override {
    return bad_ ? VFW_E_CANNOT_RENDER : TScriptedGraph::RenderSource(source);
  }

 private:
  bool bad_ = false;
};

// A player whose fades take no time.
class QuickPlayer : public TMyMediaPlayer {
 protected:
  std::int64_t TickCount() const override { return now_; }
  void SleepMs(int ms) override { now_ += ms; }

 private:
  std::int64_t now_ = 0;
};

// The host: posted tasks wait in a queue until the test runs them.
class TestHost : public TMyPlaybackHost {
 public:
  void Post(std::function<void()> task) override { posted.push_back(std::move(task)); }
  bool Busy() const override { return busy > 0; }
  void BeginBusy() override { ++busy; }
  void EndBusy() override { --busy; }
  void ShowCleared() override { ++cleared; }
  void ShowPosition(int seconds) override { shown_position = seconds; }
  // Runs the tasks posted so far (not those they post in turn); false when there were none.
  bool RunPosted() {
    if (posted.empty()) return false;
    std::deque<std::function<void()>> now;
    now.swap(posted);
    for (auto& task : now) task();
    return true;
  }

  std::deque<std::function<void()>> posted;
  int busy = 0;
  int cleared = 0;
  int shown_position = -1;
};

class PlaybackController : public ::testing::Test {
 protected:
  PlaybackController() : controller(player, playlist, host) {
    player.SetGraphFactory([this]() -> std::unique_ptr<TMediaGraph> {
      auto graph = std::make_unique<FileGraph>(script);
      last = graph.get();
      return graph;
    });
    player.OnMediaOpen = [this](TMyMediaPlayer*) { controller.MediaOpened(); };
    SetMessageHook([this](WStringView text, MessageKind) {
      messages.push_back(WString(text));
      return kIdOk;
    });
  }
  ~PlaybackController() override {
    SetMessageHook(nullptr);
    player.OnMediaOpen = nullptr;
    player.Clear();
  }

  // Adds the files (created empty) to the playlist and plays as a fresh list does.
  void Fill(const std::vector<std::string>& names) {
    const int old = playlist.Count();
    for (const std::string& name : names) {
      tree.Write(name, "x");
      playlist.Add(tree.WPath(name));
    }
    controller.PlayAdded(old, static_cast<int>(names.size()));
  }
  std::string Playing() {
    if (!player.IsOpened()) return {};
    const std::string path = Utf8(player.FileName());
    return path.substr(path.find_last_of('/') + 1);
  }

  TScriptedMachine machine;  // the filter registry the graph helpers see
  testing::TempTree tree;
  TScriptedGraphScript script;
  FileGraph* last = nullptr;
  QuickPlayer player;
  TMyWStrings playlist;
  TestHost host;
  TMyPlaybackController controller;
  std::vector<WString> messages;
};

TEST_F(PlaybackController, InOrderNavigationWraps) {
  Fill({"a.mp4", "b.mp4", "c.mp4"});
  EXPECT_EQ(Playing(), "a.mp4");
  controller.Back();
  EXPECT_EQ(controller.Index(), 2);
  EXPECT_EQ(Playing(), "c.mp4");
  controller.Next();
  EXPECT_EQ(controller.Index(), 0);
  EXPECT_EQ(Playing(), "a.mp4");
  controller.PlayIndex(3);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], u"インデックス指定エラー\r3");
  EXPECT_EQ(Playing(), "a.mp4");
}

// Random play draws again while the draw is the current entry, and a random start picks
// among the new entries only.
TEST_F(PlaybackController, RandomNeverRepeatsTheCurrentEntry) {
  Fill({"a.mp4", "b.mp4", "c.mp4"});
  std::deque<int> draws{0, 0, 2, 1};
  std::vector<int> asked;
  controller.SetRandomSource([&](int n) {
    asked.push_back(n);
    const int d = draws.front();
    draws.pop_front();
    return d;
  });
  controller.SetRandom(true);
  controller.Next();  // draws 0 (current), 0 again, then 2
  EXPECT_EQ(Playing(), "c.mp4");
  Fill({"d.mp4", "e.mp4"});  // 3 + draw 1 of 2
  EXPECT_EQ(Playing(), "e.mp4");
  EXPECT_EQ(asked, (std::vector<int>{3, 3, 3, 2}));
}

// The unplayable entry goes on the next turn of the event loop, without a question, and
// the next entry plays; a whole list of them is worked off one per turn.
TEST_F(PlaybackController, UnplayableEntriesAreDroppedOnePerTurn) {
  Fill({"a.mp4", "b_bad.mp4", "c.mp4"});
  controller.Next();
  EXPECT_EQ(playlist.Count(), 3) << "not inside the failed open";
  ASSERT_TRUE(host.RunPosted());
  EXPECT_EQ(playlist.Count(), 2);
  EXPECT_EQ(Playing(), "c.mp4");
  EXPECT_EQ(controller.Index(), 1);
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(host.busy, 0);

  controller.Clear();
  Fill({"bad1.mp4", "bad2.mp4", "bad3.mp4"});
  int turns = 0;
  while (host.RunPosted()) ++turns;
  EXPECT_EQ(turns, 3);
  EXPECT_EQ(playlist.Count(), 0);
  EXPECT_EQ(controller.Index(), -1);
  EXPECT_FALSE(player.IsOpened());
}

// The drop waits while a busy command runs, and is forgotten when the user moved on.
TEST_F(PlaybackController, UnplayableDropWaitsForBusyAndYieldsToTheUser) {
  Fill({"a_bad.mp4", "b.mp4", "c.mp4"});
  host.busy = 1;
  ASSERT_TRUE(host.RunPosted());
  EXPECT_EQ(playlist.Count(), 3);
  host.busy = 0;
  controller.PlayIndex(2);
  host.RunPosted();
  EXPECT_EQ(playlist.Count(), 3);
  EXPECT_EQ(Playing(), "c.mp4");
}

TEST_F(PlaybackController, EndOfMediaPlaysNextAndTheListRepeats) {
  script.duration = 10;
  Fill({"a.mp4", "b.mp4"});
  last->position = 9.5;
  EXPECT_FALSE(controller.TimeTick(0));
  last->position = 10;
  ASSERT_TRUE(controller.TimeTick(0));
  controller.MediaEnded();
  EXPECT_EQ(Playing(), "b.mp4");
  controller.MediaEnded();
  EXPECT_EQ(Playing(), "a.mp4");
}

// Zero-length media is dropped unless it has a picture and still images are allowed; a
// still image is shown for 10 seconds of the clock.
TEST_F(PlaybackController, StillImagesNeedTheOptionAndLastTenSeconds) {
  Fill({"a_still.jpg", "b.mp4"});
  host.RunPosted();
  EXPECT_EQ(playlist.Count(), 1);
  EXPECT_EQ(Playing(), "b.mp4");

  controller.SetAllowImages(true);
  Fill({"c_still.jpg"});
  EXPECT_EQ(Playing(), "c_still.jpg");
  EXPECT_FALSE(controller.TimeTick(50000));
  EXPECT_FALSE(controller.TimeTick(60000));
  EXPECT_TRUE(controller.TimeTick(60001));
  controller.MediaEnded();
  EXPECT_EQ(Playing(), "b.mp4");
  // The next still image starts its own wait.
  controller.PlayIndex(1);
  EXPECT_FALSE(controller.TimeTick(70000));
  EXPECT_FALSE(controller.TimeTick(79000));
}

// Sound of no length is kept without the still-image option, and the clock never ends it:
// its end waits for the length to arrive.
TEST_F(PlaybackController, SoundOfUnknownLengthPlaysUntilItsLengthArrives) {
  Fill({"a_stream.ogg", "b.mp4"});
  EXPECT_FALSE(host.RunPosted());
  EXPECT_EQ(playlist.Count(), 2);
  EXPECT_EQ(Playing(), "a_stream.ogg");
  EXPECT_FALSE(controller.TimeTick(0));
  EXPECT_FALSE(controller.TimeTick(60000));
}

TEST_F(PlaybackController, ResumeStartsAtTheSavedEntryAndSecond) {
  script.duration = 100;
  controller.SetResume(7, 42);  // beyond the list: the last entry
  Fill({"a.mp4", "b.mp4", "c.mp4"});
  EXPECT_EQ(Playing(), "c.mp4");
  ASSERT_FALSE(last->seeks.empty());
  EXPECT_EQ(last->seeks.back(), 42);
  EXPECT_EQ(host.shown_position, 42);
  EXPECT_EQ(controller.ResumeIndex(), -1);
  EXPECT_EQ(controller.ResumeTime(), 0);
}

TEST_F(PlaybackController, ResumeTimePastTheEndPlaysTheNextEntry) {
  script.duration = 100;
  controller.SetResume(1, 100);
  Fill({"a.mp4", "b.mp4", "c.mp4"});
  EXPECT_EQ(Playing(), "c.mp4");
  EXPECT_EQ(host.shown_position, -1);
}

TEST_F(PlaybackController, SkipAmounts) {
  EXPECT_EQ(TMyPlaybackController::SkipAmount(1000, false, false), 30);
  EXPECT_EQ(TMyPlaybackController::SkipAmount(1000, true, false), 90);
  EXPECT_EQ(TMyPlaybackController::SkipAmount(1000, false, true), 1);
  EXPECT_EQ(TMyPlaybackController::SkipAmount(1000, true, true), 100);
  EXPECT_EQ(TMyPlaybackController::SkipAmount(59.9, true, true), 5);
}

// Deleting an entry before the current one keeps the same file current; deleting the
// current last entry plays the first.
TEST_F(PlaybackController, DeletingKeepsOrMovesTheCurrentEntry) {
  Fill({"a.mp4", "b.mp4", "c.mp4"});
  controller.PlayIndex(2);
  controller.DeleteEntry(0);
  EXPECT_EQ(controller.Index(), 1);
  EXPECT_EQ(Playing(), "c.mp4");
  controller.RemoveCurrent();
  EXPECT_EQ(playlist.Count(), 1);
  EXPECT_EQ(controller.Index(), 0);
  EXPECT_EQ(Playing(), "b.mp4");
  controller.RemoveCurrent();
  EXPECT_EQ(playlist.Count(), 0);
  EXPECT_GE(host.cleared, 1);
  EXPECT_FALSE(player.IsOpened());
}

TEST_F(PlaybackController, MuteVolumeAndRateReachThePlayer) {
  Fill({"a.mp4", "b.mp4"});
  controller.SetMuteAndVolume(true, 40);
  EXPECT_EQ(player.Volume(), 0);
  controller.SetMuteAndVolume(false, 40);
  EXPECT_EQ(player.Volume(), 40);
  controller.SetRate(1.5);
  controller.Next();
  EXPECT_DOUBLE_EQ(last->rate, 1.5);
  EXPECT_EQ(player.Volume(), 40);
}

}  // namespace
}  // namespace mivaro
