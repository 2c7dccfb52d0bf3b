// The pipeline reaper (see gst_reaper.h).
#include "platform/media/gst_reaper.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include <malloc.h>

namespace mivaro {
namespace {

class TReaper {
 public:
  ~TReaper() {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
  }

  void Add(std::function<void()> job) {
    {
      std::lock_guard lock(mutex_);
      jobs_.push_back(std::move(job));
      ++added_;
      if (!thread_.joinable()) thread_ = std::thread([this] { Loop(); });
    }
    wake_.notify_all();
  }

  void Wait() {
    std::unique_lock lock(mutex_);
    const unsigned long long target = added_;
    done_.wait(lock, [&] { return finished_ >= target; });
  }

 private:
  void Loop() {
    std::unique_lock lock(mutex_);
    bool trimDue = false;
    for (;;) {
      const auto ready = [this] { return stop_ || !jobs_.empty(); };
      // The memory of closed pipelines goes back to the system once no pipeline has been
      // closed for a while. Given back at once, the next file (usually opened right after
      // the close) would pay for faulting its frame buffers in again: about 4 ms of the
      // open of a 1080p video.
      if (trimDue && !wake_.wait_for(lock, kTrimAfterIdle, ready)) {
        trimDue = false;
        lock.unlock();
        malloc_trim(0);
        lock.lock();
        continue;
      }
      wake_.wait(lock, ready);
      if (jobs_.empty()) return;  // stopping, and nothing left to take down
      std::function<void()> job = std::move(jobs_.front());
      jobs_.pop_front();
      lock.unlock();
      job();
      job = nullptr;  // what the job held goes before it counts as done
      lock.lock();
      trimDue = true;
      ++finished_;
      done_.notify_all();
    }
  }

  static constexpr std::chrono::seconds kTrimAfterIdle{1};

  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable done_;
  std::deque<std::function<void()>> jobs_;
  unsigned long long added_ = 0;
  unsigned long long finished_ = 0;
  bool stop_ = false;
  std::thread thread_;
};

TReaper& Reaper() {
  static TReaper reaper;
  return reaper;
}

}  // namespace

void ReapLater(std::function<void()> job) { Reaper().Add(std::move(job)); }

void WaitForReaped() { Reaper().Wait(); }

}  // namespace mivaro
