// The strip of thumbnails a capture fills, and the frame handler that fills it. The handler
// runs on the graph's streaming thread; the window reads the strip on its own thread and
// shows the thumbnails only once the capture index has gone back to -1.
#pragma once

#include <atomic>
#include <mutex>
#include <vector>

#include "capture/frame_math.h"
#include "capture/image_files.h"
#include "platform/media/frame_grabber_live.h"

namespace mivaro::capture {

// One thumbnail frame and its media time (-1 when empty).
struct T_TimeBitmap : TMyBitmap {
  double Time = -1.0;
};

class TMyCaptureStrip {
 public:
  // What the handler reports about one frame.
  enum class FrameResult { Ignored, Kept, Finished };

  // Number of thumbnails; thumbnails already filled keep their frames.
  void SetCount(int n);
  int Count() const;
  void SetTiming(double duration, double frameDuration);

  // Starts filling from thumbnail 0 with frames whose time is at or after `start`.
  void Begin(double start);
  // Ends a capture that cannot go on (the stream ended): the rest stays as it was.
  void Finish() { capture_index_ = -1; }
  int CaptureIndex() const { return capture_index_; }
  bool Capturing() const { return capture_index_ >= 0; }
  double CaptureStart() const { return capture_start_; }
  double FrameTime() const { return frame_time_; }
  void SetFrameTime(double t) { frame_time_ = t; }

  // The streaming thread's handler: records the frame time, keeps the frame as the latest
  // picture, and while capturing copies frames at or after the start into the next
  // thumbnail. Finished: the strip is full, or the frame lies within 1.5 frames of the end.
  FrameResult OnFrame(const media::FrameView& frame);

  // A copy of thumbnail k (empty outside the strip).
  T_TimeBitmap Thumb(int k) const;
  double ThumbTime(int k) const;
  // The time of the last thumbnail with a positive time, -1 when there is none.
  double LastPositiveTime() const;
  // The time of the last frame the latest capture kept, -1 when it kept none.
  double LastKept() const;
  // The latest picture, when one arrived since the last call.
  bool TakeLatest(TMyBitmap& picture, double& time);
  // Puts a picture into the next thumbnail (the timer mode's path).
  FrameResult Store(const TMyBitmap& picture, double time);
  void Clear();

 private:
  mutable std::mutex mutex_;
  std::vector<T_TimeBitmap> thumbs_ = std::vector<T_TimeBitmap>(5);
  TMyBitmap latest_;
  double latest_time_ = -1.0;
  bool latest_fresh_ = false;
  double duration_ = 0.0;
  double frame_duration_ = 0.04;
  std::atomic<int> capture_index_{-1};
  std::atomic<double> capture_start_{-1.0};
  std::atomic<double> frame_time_{0.0};
  double last_kept_ = -1.0;
};

}  // namespace mivaro::capture
