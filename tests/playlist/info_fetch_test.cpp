#include "playlist/info_fetch.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "core/files.h"
#include "temp_tree.h"

namespace mivaro {
namespace {

using namespace std::chrono_literals;

// A stand-in for the user-interface thread's queue, and a record of what was shown.
struct FakeWindow {
  std::mutex m;
  std::condition_variable cv;
  std::vector<std::function<void()>> queue;
  std::vector<std::pair<char, WString>> shown;  // 'T' tags or 'F' file info, title

  InfoFetchCalls Calls(std::chrono::milliseconds tagDelay) {
    InfoFetchCalls c;
    c.post = [this](std::function<void()> f) {
      std::lock_guard l(m);
      queue.push_back(std::move(f));
      cv.notify_all();
    };
    c.showTags = [this](std::int32_t, const TMyTag* t) {
      shown.emplace_back('T', t ? t->Text(TMyTagField::Title) : u"(own)");
    };
    c.showFileInfo = [this](std::int32_t, const TMyTag* t) {
      shown.emplace_back('F', t ? t->Text(TMyTagField::Title) : u"(own)");
    };
    c.readTag = [tagDelay](WStringView path) {
      std::this_thread::sleep_for(tagDelay);
      auto t = std::make_unique<TMyTag>();
      t->FileName = WString(path);
      t->Text(TMyTagField::Title) = WString(path);
      return t;
    };
    c.readMedia = [](TMyTag& t) { t.Duration = 1.0; };
    return c;
  }
  // Runs queued calls as the user-interface thread would, until `n` were posted.
  void RunUntilPosted(size_t n) {
    std::unique_lock l(m);
    ASSERT_TRUE(cv.wait_for(l, 5s, [&] { return queue.size() >= n; }));
    auto q = std::move(queue);
    queue.clear();
    l.unlock();
    for (auto& f : q) f();
  }
};

TEST(InfoFetch, ShowsTagsThenFileInfoAndAStoppedJobShowsNothing) {
  FakeWindow w;
  auto slow = StartInfoFetch(0, u"first", {}, w.Calls(200ms));
  slow->store(true);  // the user clicked the next row meanwhile
  auto quick = StartInfoFetch(1, u"second", {}, w.Calls(0ms));
  w.RunUntilPosted(2);
  std::this_thread::sleep_for(400ms);  // the slow job has finished reading by now
  w.RunUntilPosted(0);
  ASSERT_EQ(w.shown.size(), 2u);
  EXPECT_EQ(w.shown[0], std::make_pair('T', WString(u"second")));
  EXPECT_EQ(w.shown[1], std::make_pair('F', WString(u"second")));

  // Stopped after posting but before the queue ran: the posted call is dropped too.
  w.shown.clear();
  auto late = StartInfoFetch(2, u"third", {}, w.Calls(0ms));
  { std::unique_lock l(w.m); w.cv.wait_for(l, 5s, [&] { return w.queue.size() >= 2; }); }
  late->store(true);
  w.RunUntilPosted(0);
  EXPECT_TRUE(w.shown.empty());
}

TEST(InfoFetch, CurrentTagSkipsTheReadAndAChangedFileIsReadAgain) {
  testing::TempTree tree;
  tree.Write("a.mp3", "x");
  const WString path = tree.WPath("a.mp3");
  TMyTag own;
  own.FileName = path;
  own.Text(TMyTagField::Title) = u"Song";
  own.WriteTime = GetFileWriteTime(path);

  InfoFetchPlan plan = PlanInfoFetch(path, &own);
  EXPECT_FALSE(plan.needTagRead);
  EXPECT_TRUE(plan.needMediaRead);  // duration never measured
  ASSERT_TRUE(plan.tag);
  EXPECT_EQ(plan.tag->Text(TMyTagField::Title), u"Song");

  own.Duration = 3.0;
  plan = PlanInfoFetch(path, &own);
  EXPECT_FALSE(plan.needTagRead || plan.needMediaRead);

  own.WriteTime -= 10'000'000;  // the file changed since the tag was read
  EXPECT_TRUE(PlanInfoFetch(path, &own).needTagRead);
  own.WriteTime += 10'000'000;
  own.Text(TMyTagField::Title).clear();
  EXPECT_TRUE(PlanInfoFetch(path, &own).needTagRead);
  EXPECT_TRUE(PlanInfoFetch(tree.WPath("gone.mp3"), &own).needTagRead);
}

}  // namespace
}  // namespace mivaro
