#include "capture/capture_strip.h"

#include <cstring>
#include <utility>

namespace mivaro::capture {

namespace {

// Frames closer than this are the same frame delivered twice (a pre-rolled frame comes
// again as the first one played).
constexpr double kSameFrame = 0.0005;

void CopyView(const media::FrameView& view, TMyBitmap& into) {
  if (into.width != view.width || into.height != view.height) into.Resize(view.width, view.height);
  const size_t row = static_cast<size_t>(view.width) * 3;
  for (int y = 0; y < view.height; ++y) {
    std::memcpy(into.Row(y), view.data + static_cast<size_t>(y) * view.stride, row);
  }
}

}  // namespace

void TMyCaptureStrip::SetCount(int n) {
  std::lock_guard lock(mutex_);
  thumbs_.resize(n < 1 ? 1 : static_cast<size_t>(n));
}

int TMyCaptureStrip::Count() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(thumbs_.size());
}

void TMyCaptureStrip::SetTiming(double duration, double frameDuration) {
  std::lock_guard lock(mutex_);
  duration_ = duration;
  frame_duration_ = frameDuration;
}

void TMyCaptureStrip::Begin(double start) {
  std::lock_guard lock(mutex_);
  capture_start_ = start;
  last_kept_ = -1.0;
  capture_index_ = 0;
}

TMyCaptureStrip::FrameResult TMyCaptureStrip::OnFrame(const media::FrameView& frame) {
  frame_time_ = frame.time;
  std::lock_guard lock(mutex_);
  CopyView(frame, latest_);
  latest_time_ = frame.time;
  latest_fresh_ = true;
  const int index = capture_index_;
  if (index < 0 || index >= static_cast<int>(thumbs_.size())) return FrameResult::Ignored;
  FrameResult result = FrameResult::Ignored;
  if (frame.time + kSameFrame >= capture_start_ && frame.time > last_kept_ + kSameFrame) {
    T_TimeBitmap& thumb = thumbs_[index];
    CopyView(frame, thumb);
    thumb.Time = frame.time;
    last_kept_ = frame.time;
    capture_index_ = index + 1;
    result = FrameResult::Kept;
  }
  FrameClock clock;
  clock.duration = duration_;
  clock.frameDuration = frame_duration_;
  if (capture_index_ >= static_cast<int>(thumbs_.size()) ||
      (duration_ > 0 && frame.time > CaptureEndTime(clock))) {
    capture_index_ = -1;
    result = FrameResult::Finished;
  }
  return result;
}

TMyCaptureStrip::FrameResult TMyCaptureStrip::Store(const TMyBitmap& picture, double time) {
  media::FrameView view;
  view.data = picture.rgb.data();
  view.stride = picture.width * 3;
  view.width = picture.width;
  view.height = picture.height;
  view.time = time;
  return OnFrame(view);
}

T_TimeBitmap TMyCaptureStrip::Thumb(int k) const {
  std::lock_guard lock(mutex_);
  if (k < 0 || k >= static_cast<int>(thumbs_.size())) return {};
  return thumbs_[k];
}

double TMyCaptureStrip::ThumbTime(int k) const {
  std::lock_guard lock(mutex_);
  if (k < 0 || k >= static_cast<int>(thumbs_.size())) return -1.0;
  return thumbs_[k].Time;
}

double TMyCaptureStrip::LastPositiveTime() const {
  std::lock_guard lock(mutex_);
  for (auto it = thumbs_.rbegin(); it != thumbs_.rend(); ++it) {
    if (it->Time > 0) return it->Time;
  }
  return -1.0;
}

double TMyCaptureStrip::LastKept() const {
  std::lock_guard lock(mutex_);
  return last_kept_;
}

bool TMyCaptureStrip::TakeLatest(TMyBitmap& picture, double& time) {
  std::lock_guard lock(mutex_);
  if (!latest_fresh_) return false;
  std::swap(picture, latest_);
  time = latest_time_;
  latest_fresh_ = false;
  return true;
}

void TMyCaptureStrip::Clear() {
  std::lock_guard lock(mutex_);
  for (T_TimeBitmap& t : thumbs_) t = T_TimeBitmap{};
  latest_ = TMyBitmap{};
  latest_fresh_ = false;
  capture_index_ = -1;
  capture_start_ = -1.0;
  frame_time_ = 0.0;
}

}  // namespace mivaro::capture
