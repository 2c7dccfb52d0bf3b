#include "playlist/info_fetch.h"

#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>
#include <utility>

#include "core/files.h"
#include "core/hooks.h"
#include "core/natural.h"
#include "core/numbers.h"

namespace mivaro {

InfoFetchPlan PlanInfoFetch(WStringView path, const TMyCustomTag* entryTag) {
  InfoFetchPlan plan;
  if (!entryTag || !FileExists(path)) return plan;
  if (CompareTextIgnoreCaseLocale(entryTag->FileName, path) != 0) return plan;
  if (entryTag->Text(TMyTagField::Title).empty()) return plan;
  if (entryTag->WriteTime != GetFileWriteTime(path)) return plan;
  plan.needTagRead = false;
  if (!(entryTag->Duration >= 0.0)) {
    plan.tag = std::make_unique<TMyTag>(*entryTag);
    plan.needMediaRead = true;
  }
  return plan;
}

namespace {

// The number of jobs whose threads still run.
struct RunningJobs {
  std::mutex mutex;
  std::condition_variable ended;
  int count = 0;
};

RunningJobs& Running() {
  static RunningJobs* running = new RunningJobs;  // never destroyed: jobs may outlive main
  return *running;
}

struct Job {
  std::int32_t index;
  WString path;
  InfoFetchPlan plan;
  InfoFetchCalls calls;
  std::shared_ptr<std::atomic<bool>> stop;

  bool Stopped() const { return stop->load() || IsApplicationTerminating(); }

  // Posts show(index, tag) with a shared hold on the tag; the call is dropped when the
  // job was stopped or the application closes before the user-interface thread runs it.
  void Post(const std::function<void(std::int32_t, const TMyTag*)>& show,
            std::shared_ptr<const TMyTag> tag) {
    calls.post([show, tag = std::move(tag), i = index, s = stop] {
      if (s->load() || IsApplicationTerminating()) return;
      show(i, tag.get());
    });
  }

  void Run() {
    if (Stopped()) return;
    if (plan.needTagRead) {
      plan.tag = calls.readTag ? calls.readTag(path) : std::make_unique<TMyTag>(path);
    } else if (!plan.needMediaRead) {
      Post(calls.showTags, nullptr);
      Post(calls.showFileInfo, nullptr);
      return;
    }
    if (Stopped()) return;
    // The tag texts are shown as they are now; the media read works on a copy.
    Post(calls.showTags, std::make_shared<const TMyTag>(*plan.tag));
    if (Stopped()) return;
    if (calls.readMedia)
      calls.readMedia(*plan.tag);
    else
      plan.tag->LoadMediaProperties();
    if (Stopped()) return;
    Post(calls.showFileInfo, std::shared_ptr<const TMyTag>(std::move(plan.tag)));
  }
};

}  // namespace

std::shared_ptr<std::atomic<bool>> StartInfoFetch(std::int32_t index, WString path,
                                                  InfoFetchPlan plan,
                                                  const InfoFetchCalls& calls) {
  auto stop = std::make_shared<std::atomic<bool>>(false);
  auto job = std::make_unique<Job>(Job{index, std::move(path), std::move(plan), calls, stop});
  RunningJobs& running = Running();
  {
    std::lock_guard<std::mutex> lock(running.mutex);
    ++running.count;
  }
  std::thread([job = std::move(job), &running]() mutable {
    job->Run();
    job.reset();  // the job's calls (and what they hold) go before it counts as ended
    std::lock_guard<std::mutex> lock(running.mutex);
    if (--running.count == 0) running.ended.notify_all();
  }).detach();
  return stop;
}

void WaitForInfoFetches() {
  RunningJobs& running = Running();
  std::unique_lock<std::mutex> lock(running.mutex);
  running.ended.wait(lock, [&running] { return running.count == 0; });
}

}  // namespace mivaro

namespace mivaro {

namespace {

WString Joined(const WString& first, const WString& second) {
  return second.empty() ? first : first + u"//" + second;
}

}  // namespace

InfoTagTexts MakeInfoTagTexts(const TMyCustomTag& tag) {
  return {tag.TitleOrFileTitle(), Joined(tag.Artist, tag.OriginalArtist),
          Joined(tag.Album, tag.OriginalAlbum)};
}

WString MakeFileInfoText(const TMyCustomTag& tag, bool fileExists) {
  if (!fileExists) return u"ファイルが存在しません";
  WString text = tag.SizeText() + u" " + FormatSeconds(tag.DurationSeconds) + u"秒 (" +
                 tag.WriteTimeText() + u")";
  char buffer[64];
  if (tag.HasVideoSize()) {
    std::snprintf(buffer, sizeof buffer, " %dx%d", tag.VideoWidth, tag.VideoHeight);
    text += U16(buffer);
  }
  if (tag.FrameRate > 0) {
    std::snprintf(buffer, sizeof buffer, " %.2ffps", tag.FrameRate);
    text += U16(buffer);
  }
  if (tag.BitRate > 0) {
    std::snprintf(buffer, sizeof buffer, " %dbps", tag.BitRate);
    text += U16(buffer);
  }
  return text;
}

}  // namespace mivaro
